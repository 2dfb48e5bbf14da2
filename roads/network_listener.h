// The network roads' sockets: remote lines and syslog, each on a UDP socket
// and a TCP listening socket of one port, served by one worker thread that
// never waits on a sender. What arrives goes through NetworkLineTaker and is
// handed to the intake's queue without waiting: a UDP line that finds it full
// is counted, a TCP line is kept and the worker stops reading TCP until the
// queue has room again, so the sender waits instead (TCP's back-pressure).
// A connection the worker closes gives up what it sent only into the
// waiting lines' bound; the rest is counted without being made into rows.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include "core/intake.h"
#include "net/lost_lines.h"
#include "net/network_roads.h"
#include "net/sender_list.h"

namespace ploxen {

class NetworkListener {
 public:
  struct Road {
    bool on = false;
    int port = 0;
    bool operator==(const Road& o) const { return on == o.on && (!on || port == o.port); }
  };

  // Lines go to the intake's queue, each round's together, as many as it has
  // room for: one lock and no copy per line.
  explicit NetworkListener(MessageIntake& intake);
  ~NetworkListener();
  NetworkListener(const NetworkListener&) = delete;
  NetworkListener& operator=(const NetworkListener&) = delete;

  // Opens and closes the roads' sockets as asked, on the calling thread, so
  // the caller can tell the user; a road whose port and switch stayed as
  // they were keeps its sockets and connections. Returns the ports of the
  // roads opened now that could not be had.
  std::vector<ClosedPort> Apply(Road remote, Road syslog, const SenderList& senders);
  // Taken by the worker before its next line.
  void SetSenders(const SenderList& senders);
  // Every socket closed; the worker ends within one wait.
  void Stop() { Apply(Road{}, Road{}, SenderList{}); }

  LostLines Lost() const { return taker_.Lost(); }

 private:
  struct Connection;
  struct State;  // sockets and connections, touched only by the worker while it runs

  void StartWorker();
  void StopWorker();
  // The worker: rounds of a wait for the sockets and what they have.
  void Run();
  bool HandOverWaiting();
  int WaitForSockets(bool backPressure);
  void TakeNewSenders();
  void ServeRoadSocket(SOCKET socket);
  void ReadDatagrams(SOCKET socket, NetworkRoad road);
  void AcceptConnections(SOCKET listening, NetworkRoad road);
  void ReadConnections();
  void ReadConnection(Connection& c);
  void Feed(Connection& c, std::string_view bytes, std::int64_t arrival, bool closing);
  void CloseConnection(SOCKET socket, bool finished);

  MessageIntake& intake_;
  NetworkLineTaker taker_;
  std::unique_ptr<State> state_;
  std::thread worker_;
  std::atomic<bool> stop_{false};

  std::mutex sendersMutex_;
  std::optional<SenderList> newSenders_;
};

}  // namespace ploxen
