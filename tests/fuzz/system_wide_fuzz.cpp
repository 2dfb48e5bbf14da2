// Any bytes as a run of section contents, as senders (or a program writing the
// section by hand) leave them: each is read without passing its end, goes
// through the capture queue and the joiner, and every line that comes out
// holds no line feed and no trailing carriage return; nothing is lost that
// the queue did not count.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/line_stamp.h"
#include "sources/capture_queue.h"
#include "sources/system_wide_lines.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

ploxen::TimeOfDay Noon() { return ploxen::TimeOfDay{12, 0, 0, 0}; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ploxen;
  CaptureQueue queue(16 * 1024);  // small, so that the bound is reached
  LineJoiner joiner;
  LineStamp stamp(Noon);
  std::vector<JoinedLine> lines;
  std::size_t pushed = 0, taken = 0;
  std::int64_t now = 0;
  auto drain = [&] {
    taken += queue.Drain([&](std::uint32_t id, std::int64_t ms, std::string_view text) {
      Check(text.size() <= kSectionTextMax);
      joiner.Add(id % 4, ms, text, lines);
    });
  };
  for (std::size_t at = 0; at < size;) {
    // The first byte sets how long this section's bytes are.
    const std::size_t length = std::min<std::size_t>(size - at, 1 + (data[at] * 37u) % kSectionSize);
    std::vector<unsigned char> section(data + at, data + at + length);
    const SectionMessage m = ReadSection(section.data(), section.size());
    if (!m.text.empty()) {
      Check(m.text.data() >= reinterpret_cast<const char*>(section.data()) + 4);
      Check(m.text.data() + m.text.size() <= reinterpret_cast<const char*>(section.data()) + section.size());
    }
    Check(m.text.find('\0') == std::string_view::npos && m.text.size() <= kSectionTextMax);
    queue.Push(m.processId, now, m.text);
    ++pushed;
    now += data[at] % 60;
    if (data[at] % 5 == 0) {
      drain();
      joiner.Flush(now, lines);
    }
    at += length;
  }
  drain();
  joiner.FlushAll(now, lines);
  Check(taken + queue.Lost() == pushed);
  Check(!joiner.Pending());
  for (const JoinedLine& line : lines) {
    Check(line.text.find('\n') == std::string::npos);
    Check(line.text.empty() || line.text.back() != '\r');
    const LineRecord row = SystemWideRecord(line.processId, "prog.exe", line.text, stamp);
    Check(row.process.compare(0, 4, "PID=") == 0 && row.time.size() == 12);
  }
  return 0;
}
