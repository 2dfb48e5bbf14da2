// Any bytes as a TCP stream, fed in chunks whose sizes the input's first
// bytes give: the frames do not depend on the chunking, no frame is longer
// than the cap, the framer never holds more than the cap, and what it passes
// over is counted the same way.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "net/stream_framer.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

std::vector<std::string> Frames(std::string_view stream, ploxen::StreamFramer::Mode mode,
                                const std::vector<std::size_t>& chunks) {
  using ploxen::StreamFramer;
  StreamFramer framer(mode);
  std::vector<std::string> frames;
  const StreamFramer::Sink sink = [&frames](std::string_view frame, bool cut) {
    Check(frame.size() <= ploxen::kFrameMax);
    frames.emplace_back(std::string(cut ? "C" : "W") + std::string(frame));
  };
  std::size_t at = 0;
  for (std::size_t i = 0; at < stream.size(); ++i) {
    const std::size_t size = chunks.empty() ? stream.size() : chunks[i % chunks.size()];
    framer.Feed(stream.substr(at, size), sink);
    Check(framer.Buffered() <= ploxen::kFrameMax);
    at += size;
  }
  framer.Finish(sink);
  frames.push_back("P" + std::to_string(framer.TakePassedOver()));
  return frames;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using ploxen::StreamFramer;
  if (size < 2) return 0;
  // First byte: mode and how many chunk sizes follow (1-8), each one byte.
  const StreamFramer::Mode mode = (data[0] & 1) ? StreamFramer::Mode::kLines : StreamFramer::Mode::kSyslog;
  const std::size_t count = 1 + ((data[0] >> 1) & 7);
  if (size < 1 + count) return 0;
  std::vector<std::size_t> chunks;
  for (std::size_t i = 0; i < count; ++i) chunks.push_back(1 + data[1 + i]);
  const std::string_view stream(reinterpret_cast<const char*>(data) + 1 + count, size - 1 - count);

  const std::vector<std::string> whole = Frames(stream, mode, {});
  Check(Frames(stream, mode, chunks) == whole);
  Check(Frames(stream, mode, {1}) == whole);
  return 0;
}
