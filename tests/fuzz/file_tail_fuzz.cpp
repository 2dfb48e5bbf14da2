// Any bytes as a file that grows, is emptied, rotated and grown again, read in
// rounds of any size: every line that comes out is valid UTF-8, holds no line
// feed, and is never longer than a cut line may be.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/text.h"
#include "sources/file_tail.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

struct Content {
  std::uint64_t index = 0;
  std::string bytes;
};

class File : public ploxen::TailFile {
 public:
  explicit File(std::shared_ptr<Content> c) : content_(std::move(c)) {}
  ploxen::FileIdentity Identity() const override { return {1, content_->index}; }
  std::optional<std::uint64_t> Size() override { return content_->bytes.size(); }
  std::optional<std::size_t> ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override {
    if (offset >= content_->bytes.size()) return 0;
    return content_->bytes.copy(buffer, size, static_cast<std::size_t>(offset));
  }

 private:
  std::shared_ptr<Content> content_;
};

class Files : public ploxen::TailFiles {
 public:
  Opened Open(const std::string&) override {
    if (!current) return {ploxen::TailOpen::kMissing, nullptr, 0};
    return {ploxen::TailOpen::kOpened, std::make_unique<File>(current), 0};
  }
  std::shared_ptr<Content> current;
};

}  // namespace

// Each step: one byte says what happens (append the next n bytes, empty the
// file, make it anew, read a round of some size), the next bytes are its data.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ploxen;
  Files files;
  files.current = std::make_shared<Content>();
  std::uint64_t made = 1;
  files.current->index = made;
  FileTail tail(files, "f.log", size > 0 ? data[0] % 4 : 0);
  std::int64_t now = 0;
  std::size_t at = 1;
  std::vector<std::string> lines;
  auto check = [&] {
    for (const std::string& line : lines) {
      Check(IsValidUtf8(line));
      Check(line.find('\n') == std::string::npos);
      Check(line.size() <= 4 * ploxen::kTailLineBytesMax);
    }
    lines.clear();
  };
  while (at < size) {
    const std::uint8_t op = data[at++];
    const std::size_t n = std::min<std::size_t>(op >> 2, size - at);
    switch (op & 3) {
      case 0:
        files.current->bytes.append(reinterpret_cast<const char*>(data + at), n);
        at += n;
        break;
      case 1:
        files.current->bytes.resize(files.current->bytes.size() / 2);
        break;
      case 2:
        files.current = std::make_shared<Content>();
        files.current->index = ++made;
        break;
      default:
        now += 1 + 50 * (op >> 2);
        tail.Poll(now, lines, 1 + (op >> 2), 1 + 7 * (op >> 2));
        check();
        break;
    }
  }
  for (int i = 0; i < 10; ++i) {
    now += 300;
    tail.Poll(now, lines, 1000, 1 << 20);
    check();
  }
  tail.TakeNotices();
  return 0;
}
