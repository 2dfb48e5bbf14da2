#include "sources/debug_events.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "core/text.h"

namespace ploxen {

namespace {

struct NamedException {
  std::uint32_t code;
  const char* name;
};

// Two names end in a blank; the lines keep it.
constexpr NamedException kExceptionNames[] = {
    {0x4000001Eu, "WX86_SINGLE_STEP"},
    {0x4000001Fu, "WX86_BREAKPOINT"},
    {0x80000002u, "DATATYPE_MISALIGNMENT"},
    {0x80000003u, "BREAKPOINT"},
    {0x80000004u, "SINGLE_STEP"},
    {0xC0000005u, "ACCESS_VIOLATION"},
    {0xC0000006u, "IN_PAGE_ERROR"},
    {0xC000001Du, "ILLEGAL_INSTRUCTION"},
    {0xC0000025u, "NONCONTINUABLE_EXCEPTION"},
    {0xC0000026u, "INVALID_DISPOSITION"},
    {0xC000008Cu, "ARRAY_BOUNDS_EXCEEDED"},
    {0xC000008Du, "FLT_DENORMAL_OPERAND "},
    {0xC000008Eu, "FLT_DIVIDE_BY_ZERO"},
    {0xC000008Fu, "FLT_INEXACT_RESULT"},
    {0xC0000090u, "FLT_INVALID_OPERATION"},
    {0xC0000091u, "FLT_OVERFLOW"},
    {0xC0000092u, "FLT_STACK_CHECK"},
    {0xC0000093u, "FLT_UNDERFLOW "},
    {0xC0000094u, "INT_DIVIDE_BY_ZERO"},
    {0xC0000095u, "INT_OVERFLOW"},
    {0xC0000096u, "PRIV_INSTRUCTION"},
    {0xC00000FDu, "STACK_OVERFLOW"},
};

// snprintf cuts at the work area; a module path of any length cannot overrun
// it. Its cut counts bytes, so a character it cuts into goes whole.
template <typename... Args>
std::string Format(const char* format, Args... args) {
  char line[kDebugWorkArea];
  const int n = std::snprintf(line, sizeof line, format, args...);
  if (n < 0) return {};
  if (static_cast<std::size_t>(n) < sizeof line) return std::string(line, static_cast<std::size_t>(n));
  return std::string(WithoutCutSequence(std::string_view(line, sizeof line - 1)));
}

// A name may hold a "%" or be longer than the area: it goes in as an argument, cut first.
std::string Bounded(std::string_view name) { return std::string(CutToBytes(name, kDebugWorkArea)); }

}  // namespace

const char* ExceptionName(std::uint32_t code) {
  for (const auto& e : kExceptionNames)
    if (e.code == code) return e.name;
  return nullptr;
}

// A 32-bit program's breakpoint and single step reach a 64-bit debugger
// under codes of their own (WOW64). Passed back as not handled, its
// DebugBreak or a failed assertion of a debug build would end the program.
ExceptionContinuation ContinuationOf(std::uint32_t code) {
  switch (code) {
    case 0x80000003u:  // BREAKPOINT
    case 0x4000001Fu:  // WX86_BREAKPOINT
    case 0x4000001Eu:  // WX86_SINGLE_STEP
      return ExceptionContinuation::kHandled;
    default:
      return ExceptionContinuation::kNotHandled;
  }
}

std::string ExceptionLine(std::uint32_t code, std::uint64_t address) {
  if (const char* name = ExceptionName(code))
    return Format("Exception %s (Code=0x%" PRIx32 ") aufgetreten (Adresse=0x%" PRIx64 ")", name, code, address);
  return Format("Exception aufgetreten (Code=0x%" PRIx32 ", Adresse=0x%" PRIx64 ")", code, address);
}

std::string ThreadCreatedLine(std::int64_t handle) {
  return Format("Thread mit Handle %" PRId64 " wurde erzeugt.", handle);
}

std::string ThreadEndedLine(std::uint32_t exitCode) {
  return Format("Thread mit Exitcode %" PRId32 " beendet.", static_cast<std::int32_t>(exitCode));
}

std::string ProcessCreatedLine(std::string_view moduleName, std::int64_t handle) {
  return Format("Prozess '%s' mit Handle %" PRId64 " wurde erzeugt.", Bounded(moduleName).c_str(), handle);
}

std::string ProcessEndedLine(std::uint32_t exitCode) {
  return Format("Prozess mit Exitcode %" PRId32 " beendet.", static_cast<std::int32_t>(exitCode));
}

std::string DllLoadedLine(std::string_view moduleName, std::uint64_t base) {
  if (moduleName.empty()) return Format("DLL wurde geladen an Adresse 0x%" PRIx64 ".", base);
  return Format("%s wurde geladen an Adresse 0x%" PRIx64 ".", Bounded(moduleName).c_str(), base);
}

std::string DllUnloadedLine(std::uint64_t base) {
  return Format("DLL von Adresse: 0x%" PRIx64 " wurde entladen.", base);
}

std::optional<std::string> DebugStringAccumulator::Add(const char* bytes, std::size_t size, bool cut) {
  const void* nul = std::memchr(bytes, '\0', size);
  const std::size_t length = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - bytes) : size;
  std::string_view piece(bytes, length);
  if (cut && !nul) piece = WithoutCutSequence(piece);
  // A program that never ends its line must not grow the monitor without
  // end; the list shows far less than this of one line anyway.
  const std::size_t room = Room();
  if (piece.size() > room) bytesCut_ = true;
  bytes_.append(piece.substr(0, room));
  return LineIfEnded(piece.find('\n') != std::string_view::npos);
}

std::optional<std::string> DebugStringAccumulator::AddWide(const char16_t* units, std::size_t count, bool cut) {
  std::u16string_view piece(units, count);
  const std::size_t nul = piece.find(u'\0');
  piece = piece.substr(0, nul);
  // A pair's first half at a cut end lost its second half.
  if (cut && nul == std::u16string_view::npos && !piece.empty() && piece.back() >= 0xD800 && piece.back() <= 0xDBFF)
    piece.remove_suffix(1);
  ReadBytes();
  const std::string text = Utf16ToUtf8(piece);
  text_.append(CutToBytes(text, Room()));
  return LineIfEnded(piece.find(u'\n') != std::u16string_view::npos);
}

void DebugStringAccumulator::ReadBytes() {
  if (bytes_.empty()) return;
  std::string converted;
  text_.append(EightBitRowText(bytesCut_ ? WithoutCutSequence(bytes_) : std::string_view(bytes_), converted));
  // Code page 1252 grows when it becomes UTF-8: the bound holds for the line.
  text_.resize(CutToBytes(text_, kAccumulatorMax).size());
  bytes_.clear();
  bytesCut_ = false;
}

std::optional<std::string> DebugStringAccumulator::LineIfEnded(bool ended) {
  if (!ended) return std::nullopt;
  ReadBytes();
  std::optional<std::string> line(std::move(text_));
  text_.clear();
  return line;
}

}  // namespace ploxen
