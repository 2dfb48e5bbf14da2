#include "net/remote_senders.h"

namespace ploxen {

bool SenderSequences::Take(std::string_view address, std::string_view computer, std::int32_t sequence) {
  std::string key;
  key.reserve(address.size() + computer.size() + 1);
  key.append(address.data(), address.size());
  key += '\0';  // no address holds a NUL, so no two senders share a key
  key.append(computer.data(), computer.size());

  auto found = index_.find(key);
  if (found != index_.end()) {
    order_.splice(order_.begin(), order_, found->second);
    return found->second->sequence.Take(sequence);
  }
  if (index_.size() >= max_) {
    index_.erase(order_.back().key);
    order_.pop_back();
  }
  order_.push_front(Entry{key, RemoteSequence{}});
  index_.emplace(std::move(key), order_.begin());
  return order_.front().sequence.Take(sequence);
}

NetworkRemoteLine TakeNetworkRemoteLine(std::string_view address, std::string_view bytes,
                                        SenderSequences& senders, bool cut) {
  NetworkRemoteLine result;
  const std::string text = RemoteLineText(bytes, cut);
  const auto line = ParseRemoteLine(text);
  // A kind that is no number reads as 0; like a category the list does not
  // know, it would vanish at the intake unseen. A category switched off is
  // the user's choice, no loss.
  if (!line || !KnownCategory(CategoryOf(line->kind))) return result;
  if (!senders.Take(address, line->computer, line->sequence)) {
    result.verdict = RemoteVerdict::kRepeat;
    return result;
  }
  result.verdict = RemoteVerdict::kShow;
  result.kind = line->kind;
  result.text = ComposeRemoteLine(line->computer, line->text);
  return result;
}

}  // namespace ploxen
