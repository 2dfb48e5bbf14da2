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
  parts.process = CutToCharacters(process, kPrefixPartMax);
  parts.time = CutToCharacters(line.substr(timeStart, blank - timeStart), kPrefixPartMax);
  // The blank and the character after it are both skipped, the whole character.
  std::size_t start = blank + 1;
  if (start < line.size()) NextCodePoint(line, start);
  parts.messageStart = start;
  return parts;
}

}  // namespace ploxen
