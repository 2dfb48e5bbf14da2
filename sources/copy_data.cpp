#include "sources/copy_data.h"

#include <cstring>

#include "core/intake.h"
#include "core/text.h"

namespace ploxen {

std::string CopyDataText(const void* data, std::size_t size) {
  if (!data || size == 0) return {};
  const char* bytes = static_cast<const char*>(data);
  const void* nul = std::memchr(bytes, '\0', size);
  return std::string(bytes, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - bytes) : size);
}

std::optional<IncomingLine> MainWindowLine(std::uintptr_t number, const void* data, std::size_t size) {
  if (!data || size == 0) return std::nullopt;
  // The number is a 32-bit kind on every platform; wider bits are the sender's noise.
  const auto kind = static_cast<MessageKind>(static_cast<std::uint32_t>(number));
  IncomingLine line{kind, CopyDataText(data, size), kSourceSystem};
  MakeEightBitUtf8(line.text);
  return line;
}

void ListenerLines::Restart() {
  stamp_.SetEnabled(true);
  stamp_.Restart();
}

IncomingLine ListenerLines::Line(const void* data, std::size_t size) {
  std::string text = CopyDataText(data, size);
  MakeEightBitUtf8(text);
  return StampedLine(kTypeDebug, text);
}

IncomingLine ListenerLines::StampedLine(int type, const std::string& text) {
  std::string line(kPlaceholderPrefix);
  line += stamp_.Stamp(text);
  return IncomingLine{KindFromType(type), std::move(line), kSourceDbWin32};
}

}  // namespace ploxen
