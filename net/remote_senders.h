// Remote lines ("seq,computer,kind,text") from the network: the mailslot's
// parser and repeat rule, the rule held per sender — its address and its
// computer name — since two computers both number from 1 and a line is not
// sent once per transport here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/message_kind.h"
#include "net/remote_line.h"

namespace ploxen {

// One RemoteSequence per sender. A flood of forged senders cannot grow the
// table past its bound: a new sender beyond it pushes out the one heard from
// least recently, which at worst lets one repeat of that sender through.
class SenderSequences {
 public:
  static constexpr std::size_t kDefaultMax = 4096;

  explicit SenderSequences(std::size_t maxSenders = kDefaultMax)
      : max_(maxSenders == 0 ? 1 : maxSenders) {}

  // False for a repeat of this sender's last number.
  bool Take(std::string_view address, std::string_view computer, std::int32_t sequence);
  std::size_t Size() const { return index_.size(); }

 private:
  struct Entry {
    std::string key;
    RemoteSequence sequence;
  };
  std::size_t max_;
  std::list<Entry> order_;  // most recently heard first
  std::unordered_map<std::string, std::list<Entry>::iterator> index_;
};

enum class RemoteVerdict {
  kShow,       // text and kind are set
  kRepeat,     // the same number again from this sender: dropped quietly
  kMalformed,  // not a remote line, or a kind the list cannot show: counted as lost
};

struct NetworkRemoteLine {
  RemoteVerdict verdict = RemoteVerdict::kMalformed;
  MessageKind kind = 0;
  std::string text;  // "(computer)  text", as the mailslot road composes it
};

// One datagram, or one frame of a TCP connection, from `address`, read by
// the 8-bit roads' rule; `cut` when the framer cut it.
NetworkRemoteLine TakeNetworkRemoteLine(std::string_view address, std::string_view bytes,
                                        SenderSequences& senders, bool cut = false);

}  // namespace ploxen
