// The forwarding worker's rounds, apart from the sockets: takes rows from the
// queue, formats them as RFC 5424 messages, sends them over the link, and
// when the link breaks makes it again after a growing pause. A row is given
// back to the queue's memory only once the link took all of its frame; a row
// the link took only part of goes again, whole, on the next connection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "net/forward_queue.h"

namespace ploxen {

// The target as the worker sees it; the Win32 side implements it with a socket.
class ForwardLink {
 public:
  virtual ~ForwardLink() = default;
  // Resolves the target and connects (TCP) or makes the socket (UDP); false
  // when the target cannot be reached now.
  virtual bool Open() = 0;
  // Sends part of a stream, or one datagram: how many bytes the network took.
  // Fewer than all when the connection broke or a stop was asked for.
  virtual std::size_t Send(std::string_view bytes) = 0;
  // The far end has closed or reset the connection. Looked at before each
  // batch: rows written into a connection already gone would be lost
  // without a word, TCP accepts them all the same.
  virtual bool Closed() = 0;
  virtual void Close() = 0;
};

enum class ForwardFraming {
  kOctetCounted,  // TCP, RFC 6587: "LEN SP MSG", many per send
  kDatagram,      // UDP: one message per datagram
};

// Largest payload of a UDP datagram over IPv4.
constexpr std::size_t kDatagramMax = 65507;

class ForwardSender {
 public:
  // Round's answers besides a pause in milliseconds.
  static constexpr std::int64_t kWaitForRows = -1;
  static constexpr std::int64_t kGoOn = 0;
  // After a batch that emptied the queue: rows that come meanwhile go as one
  // batch, not one wake-up and one send each.
  static constexpr std::int64_t kGatherMs = 10;
  static constexpr std::size_t kBatchBytes = 64 * 1024;

  ForwardSender(ForwardQueue& queue, ForwardLink& link, ForwardFraming framing, std::string host)
      : queue_(queue), link_(link), framing_(framing), host_(std::move(host)) {}
  ForwardSender(const ForwardSender&) = delete;
  ForwardSender& operator=(const ForwardSender&) = delete;

  // One round of the worker: kWaitForRows when nothing waits, kGoOn, or how
  // long to pause before the next round.
  std::int64_t Round();
  // The worker is ending: rows in hand go back to the front of the queue, so
  // a later start sends them first.
  void Finish();

 private:
  void FormatNew();
  void DropSent(std::size_t rows);

  ForwardQueue& queue_;
  ForwardLink& link_;
  const ForwardFraming framing_;
  const std::string host_;
  ReconnectPause pause_;
  bool open_ = false;
  std::deque<ForwardRow> inHand_;
  // The frames of the rows in hand, back to back, and where each one ends.
  std::string frames_;
  std::vector<std::size_t> ends_;
};

}  // namespace ploxen
