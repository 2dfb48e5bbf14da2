// What a network listener makes of what it receives: each UDP datagram or
// TCP frame, with its sender's address, becomes a record for the intake or a
// lost line counted for its road. Nothing received is ever shown in a box:
// nobody on the network may open windows on the user's screen.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/line_record.h"
#include "core/message_kind.h"
#include "net/lost_lines.h"
#include "net/remote_senders.h"
#include "net/sender_list.h"

namespace ploxen {

enum class NetworkRoad {
  kRemote,  // "seq,computer,kind,text" on FERNPORT
  kSyslog,  // RFC 5424 / RFC 3164 on SYSLOGPORT
};

// A message column is handed on no longer than this many bytes, cut between
// characters: far more than the list
// shows of it, while 10,000 waiting lines stay within a few dozen megabytes.
// (The process column of syslog, host and application of 255 characters
// each, stays within it too.)
constexpr std::size_t kNetworkLineMax = 4096;

class WaitingLines;

class NetworkLineTaker {
 public:
  // UTC milliseconds to local ones at that instant (same epoch).
  using ToLocalMs = std::function<std::int64_t(std::int64_t utcMs)>;

  NetworkLineTaker(SenderList senders, ToLocalMs toLocalMs)
      : senders_(std::move(senders)), toLocalMs_(std::move(toLocalMs)) {}

  void SetSenders(SenderList senders) { senders_ = std::move(senders); }
  bool Allows(const IpAddress& sender) const { return senders_.Allows(sender); }

  // One datagram or one frame; cut when the framer had to cut it (it is
  // shown as far as it came, and counted, since its end is lost). None for
  // a line counted as lost, a repeat, or an empty datagram. A syslog line
  // from the application "PLOXEN" comes by kSourceForwardedRow.
  std::optional<LineRecord> Take(NetworkRoad road, const IpAddress& sender, std::string_view bytes, bool cut,
                                 std::int64_t arrivalLocalMs);
  // A frame of a connection the listener closes, for the waiting lines: taken
  // while they have room; beyond, counted as lost for the full queue without
  // being read as a line, so a malformed line or a repeat among them counts
  // there too (a sender that keeps opening connections pushes out one with
  // every new one, and must not cost the reading of every line it sent).
  void TakeClosing(WaitingLines& waiting, NetworkRoad road, const IpAddress& sender, std::string_view bytes, bool cut,
                   std::int64_t arrivalLocalMs);

  // Losses the listener sees itself: a line that found the intake's queue
  // (and for TCP the waiting lines behind it) full, a connection from a
  // sender not allowed (closed unread), stretches a framer passed over.
  void CountQueueFull(std::uint64_t lines = 1) { queueFull_.fetch_add(lines, std::memory_order_relaxed); }
  void CountRefused() { refused_.fetch_add(1, std::memory_order_relaxed); }
  void CountWrongFormat(std::uint64_t lines) { wrongFormat_.fetch_add(lines, std::memory_order_relaxed); }

  // From any thread.
  LostLines Lost() const;

 private:
  // The address as text, for every line; a sender mostly sends many in a
  // row, so the last one is kept.
  const std::string& AddressText(const IpAddress& sender);

  SenderList senders_;
  ToLocalMs toLocalMs_;
  SenderSequences sequences_;
  std::optional<IpAddress> lastSender_;
  std::string lastAddress_;
  std::atomic<std::uint64_t> queueFull_{0};
  std::atomic<std::uint64_t> remote_{0};
  std::atomic<std::uint64_t> syslog_{0};
  std::atomic<std::uint64_t> wrongFormat_{0};
  std::atomic<std::uint64_t> refused_{0};
};

// TCP lines the intake's queue had no room for yet, in arrival order. A
// connection's own lines wait here at most one read's worth (the listener
// reads no more while any wait), but a connection closed meanwhile (pushed
// out by a new one, or silent too long) gives up everything it sent that is
// already here, with no sender left to wait: bounded, so a sender that keeps
// opening connections cannot grow it without end. A line beyond the bound is
// refused, for the caller to count.
class WaitingLines {
 public:
  static constexpr std::size_t kLinesMax = 10000;
  static constexpr std::size_t kBytesMax = 4 * 1024 * 1024;
  // What a line costs beside its text: its slot and the text's heap block.
  static constexpr std::size_t kLineOverhead = 64;

  bool Push(LineRecord&& line);
  // No line would be taken now.
  bool Full() const { return lines_.size() >= kLinesMax || bytes_ + kLineOverhead > kBytesMax; }
  // The hand-over takes lines from the front; Settle after it.
  std::deque<LineRecord>& Lines() { return lines_; }
  void Settle();
  void Clear();
  bool Empty() const { return lines_.empty(); }
  std::size_t Size() const { return lines_.size(); }
  std::size_t Bytes() const { return bytes_; }

 private:
  static std::size_t Cost(const LineRecord& line) {
    return line.process.size() + line.time.size() + line.message.size() + kLineOverhead;
  }

  std::deque<LineRecord> lines_;
  std::size_t bytes_ = 0;
};

// A port a listener could not open (in use, or no right to it).
struct ClosedPort {
  NetworkRoad road = NetworkRoad::kRemote;
  int port = 0;
  bool udp = false;  // which of the two sockets failed
  bool tcp = false;
};

// The one notice a start of the listener gives for all its closed ports.
std::string ClosedPortsNotice(const std::vector<ClosedPort>& ports);

}  // namespace ploxen
