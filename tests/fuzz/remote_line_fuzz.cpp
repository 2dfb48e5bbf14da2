// Any bytes as a remote line, by the mailslot, by the network (whole or cut
// by the framer), and as a tick's messages (split at line feeds): nothing is
// read or written out of bounds, the line is read as UTF-8 by the 8-bit
// roads' rule, the fields lie inside its first 1023 characters, every line
// handed on is composed, valid UTF-8 and within its work area, and every row
// the intake makes of it is valid and within its cuts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <deque>
#include <string>
#include <string_view>

#include "core/text.h"
#include "net/network_roads.h"
#include "net/remote_line.h"
#include "sources/mailslot_receiver.h"
#include "tests/fuzz/row_checks.h"
#include "tests/fuzz/valid_utf8.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

class Messages : public ploxen::MailslotPort {
 public:
  bool Create() override { return open_ = true; }
  bool IsOpen() const override { return open_; }
  void Close() override { open_ = false; }
  std::optional<ploxen::MailslotInfo> Query() override {
    if (waiting.empty()) return ploxen::MailslotInfo{};
    return ploxen::MailslotInfo{static_cast<std::uint32_t>(waiting.front().size()), 1};
  }
  std::optional<std::size_t> Read(char* buffer, std::size_t size) override {
    Check(size == waiting.front().size());
    waiting.front().copy(buffer, size);
    waiting.pop_front();
    return size;
  }
  std::deque<std::string> waiting;

 private:
  bool open_ = false;
};

class Window : public ploxen::RemoteWindow {
 public:
  explicit Window(ploxen::MessageIntake& intake) : intake_(intake) {}
  void AddMessage(ploxen::MessageKind kind, const char* text, ploxen::MessageSource source) override {
    const std::string_view line(text);
    Check(ploxen::fuzz::ValidUtf8(line) && ploxen::CharacterCount(line) <= ploxen::kRemoteLineMax);
    Check(line.size() >= 4 && line[0] == '(');
    intake_.AddMessage(kind, text, source);
  }
  void ShowNotice(ploxen::RemoteNotice) override {}

 private:
  ploxen::MessageIntake& intake_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ploxen;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  fuzz::CheckedIntake rows;

  for (const bool cut : {false, true}) {
    const std::string text = RemoteLineText(bytes, cut);
    Check(fuzz::ValidUtf8(text) && text.find('\0') == std::string::npos);
    if (const auto line = ParseRemoteLine(text)) {
      const std::string_view seen = CutToCharacters(text, kRemoteLineMax);
      Check(line->computer.data() >= seen.data() && line->text.data() + line->text.size() <= seen.data() + seen.size());
      Check(line->text.data() + line->text.size() == seen.data() + seen.size());
      Check(fuzz::ValidUtf8(line->computer) && fuzz::ValidUtf8(line->text));
      const std::string composed = ComposeRemoteLine(line->computer, line->text);
      Check(fuzz::ValidUtf8(composed) && CharacterCount(composed) <= kRemoteLineMax);
    }

    // The network's road: the same line from a datagram or a frame.
    NetworkLineTaker taker(SenderList{}, {});
    if (const auto record = taker.Take(NetworkRoad::kRemote, IpAddress::V4(127, 0, 0, 1), bytes, cut, 0)) {
      Check(fuzz::ValidUtf8(record->message) && record->message.size() <= kNetworkLineMax);
      Check(CharacterCount(record->message) <= kRemoteLineMax && record->message[0] == '(');
      rows.Intake().AddRecord(*record);
    }
  }

  int remoteActive = 1;
  Messages mailslot;
  Window window(rows.Intake());
  MailslotReceiver receiver(remoteActive, mailslot, window);
  for (std::size_t start = 0; start <= bytes.size();) {
    const std::size_t end = std::min(bytes.find('\n', start), bytes.size());
    mailslot.waiting.emplace_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  receiver.Tick();
  Check(mailslot.waiting.empty() && remoteActive == 1);
  return 0;
}
