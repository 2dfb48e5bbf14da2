#include "net/forward_sender.h"

#include "net/syslog_forward.h"

namespace ploxen {

std::int64_t ForwardSender::Round() {
  if (inHand_.empty()) queue_.Take(inHand_, kBatchBytes);
  if (inHand_.empty()) return kWaitForRows;
  const bool moreWaiting = queue_.Waiting() > 0;

  if (open_ && link_.Closed()) {
    link_.Close();
    open_ = false;
  }
  if (!open_) {
    if (!link_.Open()) return queue_.Stopping() ? kGoOn : pause_.Failed();
    open_ = true;
  }

  FormatNew();
  std::size_t done = 0;
  if (framing_ == ForwardFraming::kOctetCounted) {
    const std::size_t taken = link_.Send(frames_);
    while (done < ends_.size() && ends_[done] <= taken) ++done;
  } else {
    for (std::size_t start = 0; done < ends_.size(); start = ends_[done++]) {
      const std::string_view datagram(frames_.data() + start, ends_[done] - start);
      if (link_.Send(datagram) < datagram.size()) break;
    }
  }
  // Only rows that went reset the pause: a target that takes connections
  // and breaks them at once is not tried again at full speed.
  if (done > 0) pause_.Succeeded();
  DropSent(done);
  if (!inHand_.empty()) {
    link_.Close();
    open_ = false;
    return queue_.Stopping() ? kGoOn : pause_.Failed();
  }
  return moreWaiting ? kGoOn : kGatherMs;
}

void ForwardSender::Finish() {
  if (open_) link_.Close();
  open_ = false;
  frames_.clear();
  ends_.clear();
  queue_.PutBack(inHand_);
}

void ForwardSender::FormatNew() {
  for (std::size_t i = ends_.size(); i < inHand_.size(); ++i) {
    const ForwardRow& row = inHand_[i];
    const std::string_view text = row.text;
    std::string message = FormatForwardMessage(row.kind, &text, 1, host_, row.utcMs);
    if (framing_ == ForwardFraming::kOctetCounted) {
      frames_ += OctetCountedFrame(message);
    } else {
      if (message.size() > kDatagramMax) {
        std::size_t cut = kDatagramMax;
        // Not inside a UTF-8 sequence.
        while (cut > 0 && (static_cast<unsigned char>(message[cut]) & 0xC0) == 0x80) --cut;
        message.resize(cut);
      }
      frames_ += message;
    }
    ends_.push_back(frames_.size());
  }
}

void ForwardSender::DropSent(std::size_t rows) {
  if (rows == 0) return;
  for (std::size_t i = 0; i < rows; ++i) {
    queue_.Release(inHand_.front());
    inHand_.pop_front();
  }
  const std::size_t sentBytes = ends_[rows - 1];
  frames_.erase(0, sentBytes);
  ends_.erase(ends_.begin(), ends_.begin() + static_cast<std::ptrdiff_t>(rows));
  for (std::size_t& end : ends_) end -= sentBytes;
}

}  // namespace ploxen
