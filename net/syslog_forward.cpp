#include "net/syslog_forward.h"

#include "net/syslog_message.h"

namespace ploxen {

namespace {

// Code page 1252's 0x80-0x9F by Unicode value; 0 where it has no character.
constexpr std::uint16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                     0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

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
  bool ascii = true;
  for (std::size_t i = 0; i < count; ++i) {
    if (strings[i].empty()) continue;
    if (!text.empty()) text += ' ';
    for (char c : strings[i]) {
      const unsigned char u = static_cast<unsigned char>(c);
      if (u < 0x20 || u == 0x7F) {
        text += ' ';
      } else if (u < 0x80) {
        text += c;
      } else {
        ascii = false;
        const std::uint32_t cp = u >= 0xA0 ? u : kHigh[u - 0x80];
        AppendUtf8(text, cp == 0 ? '?' : cp);
      }
    }
  }
  if (!text.empty()) {
    out += ' ';
    if (!ascii) out += "\xEF\xBB\xBF";
    out += text;
  }
  return out;
}

std::string OctetCountedFrame(std::string_view message) {
  return std::to_string(message.size()) + " " + std::string(message);
}

}  // namespace ploxen
