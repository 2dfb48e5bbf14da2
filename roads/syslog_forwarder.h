// Forwarding every row shown to a syslog server (WEITERLEITEN): the intake
// hands each row over on its own thread, which only copies it into the
// queue; a worker thread formats and sends, over TCP with octet counting or
// over UDP, and makes a lost connection again after a growing pause.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

#include "core/intake.h"
#include "net/forward_queue.h"

namespace ploxen {

class SyslogForwarder : public RowObserver {
 public:
  SyslogForwarder() = default;
  ~SyslogForwarder() override { Stop(); }
  SyslogForwarder(const SyslogForwarder&) = delete;
  SyslogForwarder& operator=(const SyslogForwarder&) = delete;

  // Forwards to target ("host:port") from now on; a target that cannot be
  // read or reached is the same to the rows: they wait. Rows still waiting
  // for an earlier target go to this one first.
  void Start(const std::string& target, bool tcp);
  // Ends the worker within about a tenth of a second, whatever the network
  // does; the rows waiting stay for the next Start.
  void Stop();
  // Forwarding is off: the rows still waiting are given up, and counted.
  void DropWaiting() { queue_.DropAll(); }

  // On the intake's thread; ignored while stopped, and for a row some
  // PLOXEN forwarded already, which would otherwise go round for ever when
  // a syslog server sends it back.
  void RowAppended(MessageKind kind, MessageSource source, const std::string_view* strings,
                   std::size_t count) override;

  // Rows the queue had no room for, and rows given up.
  std::uint64_t Lost() const { return queue_.Lost(); }

 private:
  ForwardQueue queue_;
  std::thread worker_;
  bool running_ = false;
};

}  // namespace ploxen
