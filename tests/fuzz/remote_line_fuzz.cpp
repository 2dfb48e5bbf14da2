// Any bytes as a remote line, and as a tick's messages (split at line feeds):
// nothing is read or written out of bounds, the fields lie inside the first
// 1023 characters, and every line handed on is composed and within its work area.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <deque>
#include <string>
#include <string_view>

#include "sources/mailslot_receiver.h"

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
  void AddMessage(ploxen::MessageKind, const char* text, ploxen::MessageSource) override {
    const std::string_view line(text);
    Check(line.size() <= ploxen::kRemoteLineMax && line.size() >= 4 && line[0] == '(');
  }
  void ShowNotice(ploxen::RemoteNotice) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ploxen;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (const auto line = ParseRemoteLine(bytes)) {
    const std::string_view seen = bytes.substr(0, std::min(bytes.find('\0'), kRemoteLineMax));
    Check(line->computer.data() >= seen.data() && line->text.data() + line->text.size() <= seen.data() + seen.size());
    Check(line->text.data() + line->text.size() == seen.data() + seen.size());
    const std::string composed = ComposeRemoteLine(line->computer, line->text);
    Check(composed.size() <= kRemoteLineMax);
  }

  int remoteActive = 1;
  Messages mailslot;
  Window window;
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
