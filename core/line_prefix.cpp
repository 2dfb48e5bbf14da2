#include "core/line_prefix.h"

#include "core/text.h"

namespace ploxen {

namespace {
constexpr std::string_view kPrefixStart = "PID=";
constexpr std::string_view kPrefixEnd = ",   ";
constexpr std::string_view kThreadTag = "TID=";
}  // namespace

LinePrefix SplitPrefix(std::string_view line) {
  LinePrefix none;
  if (line.substr(0, kPrefixStart.size()) != kPrefixStart) return none;
  const std::size_t end = line.find(kPrefixEnd);
  if (end == std::string_view::npos) return none;
  const std::size_t timeStart = end + kPrefixEnd.size();
  const std::size_t blank = line.find(' ', timeStart);
  if (blank == std::string_view::npos) return none;
  const std::string_view process = line.substr(0, end);
  if (process.find(kThreadTag) == std::string_view::npos) return none;

  LinePrefix parts;
  // Mostly short and ASCII: no call on the way of every line.
  const std::string_view time = line.substr(timeStart, blank - timeStart);
  parts.process = process.size() <= kPrefixPartMax ? process : CutToCharacters(process, kPrefixPartMax);
  parts.time = time.size() <= kPrefixPartMax ? time : CutToCharacters(time, kPrefixPartMax);
  // The blank and the character after it are both skipped, the whole character.
  std::size_t start = blank + 1;
  if (start < line.size()) {
    if (static_cast<unsigned char>(line[start]) < 0x80) ++start;
    else NextCodePoint(line, start);
  }
  parts.messageStart = start;
  return parts;
}

}  // namespace ploxen
