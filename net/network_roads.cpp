#include "net/network_roads.h"

#include "core/text.h"

#include "net/syslog_forward.h"
#include "net/syslog_message.h"

namespace ploxen {

std::optional<LineRecord> NetworkLineTaker::Take(NetworkRoad road, const IpAddress& sender, std::string_view bytes,
                                                 bool cut, std::int64_t arrivalLocalMs) {
  if (!senders_.Allows(sender)) {
    refused_.fetch_add(1, std::memory_order_relaxed);
    return std::nullopt;
  }
  // An empty datagram carries no line, as an empty TCP line gives no frame.
  if (bytes.empty() && !cut) return std::nullopt;
  const std::string& address = AddressText(sender);
  LineRecord line;
  if (road == NetworkRoad::kRemote) {
    NetworkRemoteLine remote = TakeNetworkRemoteLine(address, bytes, sequences_, cut);
    if (remote.verdict == RemoteVerdict::kMalformed)
      wrongFormat_.fetch_add(1, std::memory_order_relaxed);
    else if (cut)
      remote_.fetch_add(1, std::memory_order_relaxed);
    if (remote.verdict != RemoteVerdict::kShow) return std::nullopt;
    // "(computer)  text" has no prefix: all of it is the message.
    line.kind = remote.kind;
    line.message = std::move(remote.text);
  } else {
    if (cut) syslog_.fetch_add(1, std::memory_order_relaxed);
    const SyslogMessage message = ParseSyslog(cut ? WithoutCutSequence(bytes) : bytes);
    SyslogRowContext context;
    context.toLocalMs = toLocalMs_;
    context.arrivalLocalMs = arrivalLocalMs;
    context.sender = address;
    line = SyslogRecord(message, context);
    // Some PLOXEN forwarded it, maybe this one through a relay (rsyslog keeps
    // the name as the tag): it must not go round again.
    if (message.app == kForwardApp) line.source = kSourceForwardedRow;
  }
  line.message.resize(CutToBytes(line.message, kNetworkLineMax).size());
  return line;
}

void NetworkLineTaker::TakeClosing(WaitingLines& waiting, NetworkRoad road, const IpAddress& sender,
                                   std::string_view bytes, bool cut, std::int64_t arrivalLocalMs) {
  if (!waiting.Full()) {
    std::optional<LineRecord> line = Take(road, sender, bytes, cut, arrivalLocalMs);
    if (line && !waiting.Push(std::move(*line))) CountQueueFull();
    return;
  }
  // Not read as a line: neither the remote lines' format and repeat rule nor
  // syslog's parse sees it, and it counts where its loss came from.
  if (!senders_.Allows(sender)) {
    refused_.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  if (bytes.empty() && !cut) return;
  if (cut) (road == NetworkRoad::kRemote ? remote_ : syslog_).fetch_add(1, std::memory_order_relaxed);
  CountQueueFull();
}

bool WaitingLines::Push(LineRecord&& line) {
  const std::size_t cost = Cost(line);
  if (lines_.size() >= kLinesMax || bytes_ + cost > kBytesMax) return false;
  bytes_ += cost;
  lines_.push_back(std::move(line));
  return true;
}

// Only after a hand-over that found the queue full (at most every few
// milliseconds), so a sum over what is left costs nothing that matters.
void WaitingLines::Settle() {
  bytes_ = 0;
  for (const LineRecord& line : lines_) bytes_ += Cost(line);
}

void WaitingLines::Clear() {
  lines_.clear();
  bytes_ = 0;
}

const std::string& NetworkLineTaker::AddressText(const IpAddress& sender) {
  if (!lastSender_ || lastSender_->family != sender.family || lastSender_->bytes != sender.bytes) {
    lastSender_ = sender;
    lastAddress_ = FormatIpAddress(sender);
  }
  return lastAddress_;
}

LostLines NetworkLineTaker::Lost() const {
  LostLines lost;
  lost.queueFull = queueFull_.load(std::memory_order_relaxed);
  lost.remoteNetwork = remote_.load(std::memory_order_relaxed);
  lost.syslog = syslog_.load(std::memory_order_relaxed);
  lost.wrongFormat = wrongFormat_.load(std::memory_order_relaxed);
  lost.refusedSenders = refused_.load(std::memory_order_relaxed);
  return lost;
}

std::string ClosedPortsNotice(const std::vector<ClosedPort>& ports) {
  std::string text;
  for (const ClosedPort& closed : ports) {
    if (!closed.udp && !closed.tcp) continue;
    text += "Der Port " + std::to_string(closed.port);
    text += closed.road == NetworkRoad::kRemote ? " f\xFCr Fernmeldungen" : " f\xFCr Syslog";
    text += closed.udp && closed.tcp ? " (UDP und TCP)" : closed.udp ? " (UDP)" : " (TCP)";
    text += " kann nicht ge\xF6" "ffnet werden: ein anderes Programm benutzt ihn, oder es fehlt das Recht dazu.\n";
  }
  if (text.empty()) return text;
  text += "PLOXEN l\xE4uft ohne diesen Empfang weiter.";
  return text;
}

}  // namespace ploxen
