#include "net/remote_line.h"

#include <limits>

#include "core/text.h"

namespace ploxen {

namespace {

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

std::int32_t ReadDecimal(std::string_view field) {
  std::size_t i = 0;
  while (i < field.size() && IsSpace(field[i])) ++i;
  bool negative = false;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
  // The magnitude of the 32-bit minimum: its sign is applied at the end.
  const std::int64_t limit = negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                                      : std::numeric_limits<std::int32_t>::max();
  std::int64_t value = 0;
  for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
    value = value * 10 + (field[i] - '0');
    if (value > limit) value = limit;
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

std::string RemoteLineText(std::string_view bytes, bool cut) {
  bytes = bytes.substr(0, bytes.find('\0'));
  if (cut) bytes = WithoutCutSequence(bytes);
  // A sender that marks its text (a string led by the mark) marks the line.
  std::size_t textStart = 0;
  for (int comma = 0; comma < 3 && textStart != std::string_view::npos; ++comma) {
    textStart = bytes.find(',', textStart);
    if (textStart != std::string_view::npos) ++textStart;
  }
  if (textStart != std::string_view::npos && bytes.substr(textStart, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark) {
    std::string marked(kUtf8ByteOrderMark);
    marked.append(bytes.data(), textStart);
    marked.append(bytes.substr(textStart + kUtf8ByteOrderMark.size()));
    return EightBitToUtf8(marked);
  }
  return EightBitToUtf8(bytes);
}

std::optional<RemoteLine> ParseRemoteLine(std::string_view message) {
  message = message.substr(0, message.find('\0'));
  message = CutToCharacters(message, kRemoteLineMax);
  std::string_view fields[3];
  for (std::string_view& field : fields) {
    const std::size_t comma = message.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    field = message.substr(0, comma);
    message.remove_prefix(comma + 1);
  }
  return RemoteLine{ReadDecimal(fields[0]), ReadDecimal(fields[2]), fields[1], message};
}

std::string ComposeRemoteLine(std::string_view computer, std::string_view text) {
  std::string line;
  line.reserve(computer.size() + text.size() + 4);
  line += '(';
  line += computer;
  line += ")  ";
  line += text;
  line.resize(CutToCharacters(line, kRemoteLineMax).size());
  return line;
}

}  // namespace ploxen
