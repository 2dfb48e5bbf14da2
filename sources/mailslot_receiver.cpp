#include "sources/mailslot_receiver.h"

#include <algorithm>
#include <new>
#include <stdexcept>

namespace ploxen {

MailslotReceiver::MailslotReceiver(int& remoteActive, MailslotPort& port, RemoteWindow& window)
    : remoteActive_(remoteActive), port_(port), window_(window) {}

std::size_t MailslotReceiver::Tick() {
  if (ticking_) return 0;
  struct Running {
    bool& flag;
    explicit Running(bool& f) : flag(f) { flag = true; }
    ~Running() { flag = false; }
  } running(ticking_);
  closed_ = false;

  UpdateMailslot();
  if (!remoteActive_) return 0;
  std::vector<std::string> lines;
  const Drain drained = DrainMailslot(lines);
  if (drained == Drain::kClosed) return 0;
  // Lines read before a failure are out of the mailslot already: they are
  // handed on, not lost, and the failure is told afterwards.
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (closed_) {
      lost_ += lines.size() - i;
      return lines.size();
    }
    HandleLine(lines[i]);
  }
  if (drained == Drain::kQueryFailed) {
    window_.ShowNotice(RemoteNotice::kQueryFailed);
  } else if (drained == Drain::kReadFailed) {
    // The flag stays on and every tick tries again: a read that keeps failing
    // is told once, not at every tick.
    if (!readFailureShown_) {
      readFailureShown_ = true;
      window_.ShowNotice(RemoteNotice::kReadFailed);
    }
  } else {
    readFailureShown_ = false;
  }
  return lines.size();
}

void MailslotReceiver::UpdateMailslot() {
  if (remoteActive_ && !port_.IsOpen()) {
    if (!port_.Create()) {
      remoteActive_ = 0;
      window_.ShowNotice(RemoteNotice::kUnavailable);
    }
  } else if (!remoteActive_ && port_.IsOpen()) {
    port_.Close();
  }
}

MailslotReceiver::Drain MailslotReceiver::DrainMailslot(std::vector<std::string>& lines) {
  if (!port_.IsOpen()) return Drain::kClosed;
  lines.clear();
  std::optional<MailslotInfo> info = port_.Query();
  for (;;) {
    if (!info) {
      remoteActive_ = 0;
      return Drain::kQueryFailed;
    }
    if (info->nextSize == MailslotInfo::kNoMessage || info->count == 0) return Drain::kDone;
    // The buffer of exactly the message's size becomes the line.
    std::string line;
    try {
      line.resize(info->nextSize);
    } catch (const std::bad_alloc&) {
      return Drain::kDone;  // the message stays waiting for a later tick
    } catch (const std::length_error&) {
      return Drain::kDone;
    }
    const std::optional<std::size_t> got = port_.Read(&line[0], line.size());
    if (!got) return Drain::kReadFailed;
    line.resize(std::min(*got, line.size()));
    line.resize(std::min(line.find('\0'), line.size()));
    lines.push_back(std::move(line));
    info = port_.Query();
  }
}

void MailslotReceiver::Close() {
  port_.Close();
  closed_ = true;
}

void MailslotReceiver::HandleLine(const std::string& message) {
  const std::string text = RemoteLineText(message);
  const std::optional<RemoteLine> line = ParseRemoteLine(text);
  if (!line) {
    ++lost_;
    window_.ShowNotice(RemoteNotice::kBadFormat);
    return;
  }
  // Taken before the entry point decides whether to show it: a line that is
  // filtered out still counts as accepted.
  if (!sequence_.Take(line->sequence)) return;
  window_.AddMessage(line->kind, ComposeRemoteLine(line->computer, line->text).c_str(), kSourceSystem);
}

}  // namespace ploxen
