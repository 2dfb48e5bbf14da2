#include "net/syslog_forward.h"

#include "core/text.h"
#include "net/syslog_message.h"

namespace ploxen {

namespace {

void Put(std::string& s, std::size_t at, std::int64_t value, int width) {
  for (int i = width - 1; i >= 0; --i, value /= 10)
    s[at + static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
}

}  // namespace

int ForwardSeverity(MessageKind kind) {
  switch (LevelOf(kind)) {
    case 1: return 3;
    case 2: return 4;
    case 4: return 6;
    default: return 5;
  }
}

std::string FormatUtcTimestamp(std::int64_t utcMs) {
  std::int64_t days = utcMs / 86400000;
  if (utcMs % 86400000 < 0) --days;
  // Civil date from days since 1970 (the inverse of DaysFromCivil).
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
  std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  if (year < 0) year = 0;
  if (year > 9999) year = 9999;
  std::string out = "0000-00-00T";
  Put(out, 0, year, 4);
  Put(out, 5, month, 2);
  Put(out, 8, day, 2);
  return out + TimeOfDay(utcMs) + "Z";
}

std::string FormatForwardMessage(MessageKind kind, const std::string_view* strings, std::size_t count,
                                 std::string_view host, std::int64_t utcMs) {
  std::string out = "<" + std::to_string(kForwardFacility * 8 + ForwardSeverity(kind)) + ">1 ";
  out += FormatUtcTimestamp(utcMs);
  out += ' ';
  std::string name;
  for (char c : host.substr(0, 255)) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u >= 0x21 && u <= 0x7E) name += c;
  }
  out += name.empty() ? "-" : name;
  out += ' ';
  out += kForwardApp;
  out += " - - -";

  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    if (strings[i].empty()) continue;
    if (!text.empty()) text += ' ';
    const std::size_t from = text.size();
    // A row's text is UTF-8 already; one that is not (it never should be)
    // goes with U+FFFD for its invalid parts, never as bytes a server
    // cannot read.
    if (IsValidUtf8(strings[i])) text.append(strings[i].data(), strings[i].size());
    else text += Utf16ToUtf8(Utf8ToUtf16(strings[i]));
    for (std::size_t k = from; k < text.size(); ++k) {
      const unsigned char u = static_cast<unsigned char>(text[k]);
      if (u < 0x20 || u == 0x7F) text[k] = ' ';
    }
  }
  const bool ascii = IsAscii(text);
  if (!text.empty()) {
    out += ' ';
    if (!ascii) out += kUtf8ByteOrderMark;
    out += text;
  }
  return out;
}

std::string OctetCountedFrame(std::string_view message) {
  return std::to_string(message.size()) + " " + std::string(message);
}

}  // namespace ploxen
