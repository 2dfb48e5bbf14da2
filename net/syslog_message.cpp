#include "net/syslog_message.h"

#include <cstddef>

namespace ploxen {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads exactly `count` digits at `pos`; false (and nothing consumed) if not.
bool Digits(std::string_view s, std::size_t& pos, std::size_t count, int& value) {
  if (pos > s.size() || s.size() - pos < count) return false;
  int v = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (!IsDigit(s[pos + i])) return false;
    v = v * 10 + (s[pos + i] - '0');
  }
  value = v;
  pos += count;
  return true;
}

bool Expect(std::string_view s, std::size_t& pos, char c) {
  if (pos >= s.size() || s[pos] != c) return false;
  ++pos;
  return true;
}

// A header field: printable ASCII, the comma replaced so the first column's
// prefix cannot be split inside it.
std::string HeaderField(std::string_view field) {
  if (field == "-") return {};
  std::string out(field.substr(0, 255));
  for (char& c : out) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x21 || u > 0x7E || c == ',') c = '_';
  }
  return out;
}

void AppendText(std::string& out, std::string_view bytes) {
  for (char c : bytes) {
    const unsigned char u = static_cast<unsigned char>(c);
    out += (u < 0x20 || u == 0x7F) ? ' ' : c;
  }
}

// Code points 0x80-0x9F of code page 1252, by their Unicode value.
constexpr std::uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char Cp1252Of(std::uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] != 0 && kCp1252High[i] == cp) return static_cast<char>(0x80 + i);
  return '?';
}

// UTF-8 to code page 1252; a broken sequence gives one '?' per bad byte.
std::string FromUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    std::size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    std::uint32_t cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    bool ok = len != 0 && i + len <= s.size();
    for (std::size_t k = 1; ok && k < len; ++k) {
      const unsigned char c = static_cast<unsigned char>(s[i + k]);
      ok = (c >> 6) == 2;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (!ok) {
      out += '?';
      ++i;
      continue;
    }
    out += Cp1252Of(cp);
    i += len;
  }
  return out;
}

void TakeMessage(SyslogMessage& m, std::string_view msg) {
  while (!msg.empty() && (msg.back() == '\n' || msg.back() == '\r' || msg.back() == '\0'))
    msg.remove_suffix(1);
  if (msg.substr(0, kBom.size()) == kBom) {
    AppendText(m.text, FromUtf8(msg.substr(kBom.size())));
  } else {
    AppendText(m.text, msg);
  }
}

// "<PRI>": 1-3 digits, no leading zero except "<0>", at most 191.
bool ReadPri(std::string_view s, std::size_t& pos, int& pri) {
  std::size_t p = 0;
  if (!Expect(s, p, '<')) return false;
  int value = 0;
  std::size_t digits = 0;
  while (p < s.size() && IsDigit(s[p]) && digits < 4) {
    value = value * 10 + (s[p++] - '0');
    ++digits;
  }
  if (digits == 0 || digits > 3 || (digits > 1 && s[1] == '0') || value > 191) return false;
  if (!Expect(s, p, '>')) return false;
  pri = value;
  pos = p;
  return true;
}

// "YYYY-MM-DDThh:mm:ss[.frac](Z|+hh:mm|-hh:mm)", checked for range.
bool ReadIsoTime(std::string_view s, std::size_t& pos, SyslogTime& time) {
  std::size_t p = pos;
  int year, month, day, hour, minute, second;
  if (!Digits(s, p, 4, year) || !Expect(s, p, '-') || !Digits(s, p, 2, month) || !Expect(s, p, '-') ||
      !Digits(s, p, 2, day) || !Expect(s, p, 'T') || !Digits(s, p, 2, hour) || !Expect(s, p, ':') ||
      !Digits(s, p, 2, minute) || !Expect(s, p, ':') || !Digits(s, p, 2, second))
    return false;
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
    return false;
  int ms = 0;
  if (p < s.size() && s[p] == '.') {
    ++p;
    std::size_t digits = 0;
    int scale = 100;
    while (p < s.size() && IsDigit(s[p]) && digits < 9) {
      ms += (s[p++] - '0') * scale;
      scale /= 10;
      ++digits;
    }
    if (digits == 0) return false;
  }
  int offsetMinutes = 0;
  if (Expect(s, p, 'Z')) {
  } else if (p < s.size() && (s[p] == '+' || s[p] == '-')) {
    const int sign = s[p++] == '-' ? -1 : 1;
    int oh, om;
    if (!Digits(s, p, 2, oh) || !Expect(s, p, ':') || !Digits(s, p, 2, om) || oh > 23 || om > 59)
      return false;
    offsetMinutes = sign * (oh * 60 + om);
  } else {
    return false;
  }
  time.form = SyslogTime::Form::kZoned;
  // A leap second is shown as the second before the next minute.
  if (second == 60) second = 59;
  const std::int64_t seconds = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second -
                               static_cast<std::int64_t>(offsetMinutes) * 60;
  time.utcMs = seconds * 1000 + ms;
  pos = p;
  return true;
}

// "Mmm dd hh:mm:ss", the day blank-padded or not.
bool ReadBsdTime(std::string_view s, std::size_t& pos, SyslogTime& time) {
  std::size_t p = pos;
  if (s.size() - p < 3) return false;
  bool month = false;
  for (std::string_view name : kMonths) month = month || s.substr(p, 3) == name;
  if (!month) return false;
  p += 3;
  if (!Expect(s, p, ' ')) return false;
  if (p < s.size() && s[p] == ' ') ++p;
  int day;
  if (!Digits(s, p, 2, day) && !Digits(s, p, 1, day)) return false;
  int hour, minute, second;
  if (day < 1 || day > 31 || !Expect(s, p, ' ') || !Digits(s, p, 2, hour) || !Expect(s, p, ':') ||
      !Digits(s, p, 2, minute) || !Expect(s, p, ':') || !Digits(s, p, 2, second))
    return false;
  if (hour > 23 || minute > 59 || second > 60) return false;
  time.form = SyslogTime::Form::kLocal;
  time.hour = hour;
  time.minute = minute;
  time.second = second > 59 ? 59 : second;
  time.millisecond = 0;
  pos = p;
  return true;
}

// Up to the next blank (or the end); the blank is consumed.
std::string_view Token(std::string_view s, std::size_t& pos) {
  const std::size_t end = s.find(' ', pos);
  const std::string_view token = s.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
  pos = end == std::string_view::npos ? s.size() : end + 1;
  return token;
}

// One or more "[...]" elements; quoted values may hold escaped '"', '\' and ']'.
bool ReadStructuredData(std::string_view s, std::size_t& pos, std::string_view& sd) {
  std::size_t p = pos;
  if (p < s.size() && s[p] == '-') {
    sd = {};
    pos = p + 1;
    return true;
  }
  while (p < s.size() && s[p] == '[') {
    bool quoted = false;
    ++p;
    for (;; ++p) {
      if (p >= s.size()) return false;
      const char c = s[p];
      if (quoted && c == '\\') {
        ++p;
        if (p >= s.size()) return false;
      } else if (c == '"') {
        quoted = !quoted;
      } else if (!quoted && c == ']') {
        ++p;
        break;
      }
    }
  }
  if (p == pos) return false;
  sd = s.substr(pos, p - pos);
  pos = p;
  return true;
}

bool ParseRfc5424(std::string_view s, std::size_t pos, SyslogMessage& m) {
  // VERSION: a nonzero digit and at most two more, then a blank.
  if (pos >= s.size() || s[pos] < '1' || s[pos] > '9') return false;
  int version = 0;
  std::size_t p = pos;
  while (p < s.size() && IsDigit(s[p]) && p - pos < 3) version = version * 10 + (s[p++] - '0');
  if (!Expect(s, p, ' ')) return false;

  SyslogTime time;
  if (p < s.size() && s[p] == '-') {
    ++p;
  } else if (!ReadIsoTime(s, p, time)) {
    return false;
  }
  if (!Expect(s, p, ' ')) return false;
  std::string_view fields[4];
  for (std::string_view& field : fields) {
    if (p >= s.size()) return false;
    field = Token(s, p);
    if (field.empty()) return false;
    if (p >= s.size()) return false;  // structured data must still follow
  }
  std::string_view sd;
  if (!ReadStructuredData(s, p, sd)) return false;
  if (p < s.size() && !Expect(s, p, ' ')) return false;

  m.version = version;
  m.time = time;
  m.host = HeaderField(fields[0]);
  m.app = HeaderField(fields[1]);
  m.procId = HeaderField(fields[2]);
  m.msgId = HeaderField(fields[3]);
  AppendText(m.structuredData, sd);
  TakeMessage(m, s.substr(p));
  return true;
}

// TAG[PID]: — a name of printable characters, an optional "[pid]", a colon.
bool ReadTag(std::string_view token, SyslogMessage& m) {
  std::string_view name = token;
  std::string_view pid;
  bool colon = false;
  if (!name.empty() && name.back() == ':') {
    name.remove_suffix(1);
    colon = true;
  }
  const std::size_t open = name.find('[');
  if (open != std::string_view::npos) {
    if (name.back() != ']' || open == 0) return false;
    pid = name.substr(open + 1, name.size() - open - 2);
    name = name.substr(0, open);
  } else if (!colon) {
    return false;
  }
  if (name.empty() || name.find(']') != std::string_view::npos) return false;
  m.app = HeaderField(name);
  m.procId = HeaderField(pid);
  return true;
}

void ParseBsd(std::string_view s, std::size_t pos, SyslogMessage& m) {
  std::size_t p = pos;
  SyslogTime time;
  if (ReadBsdTime(s, p, time) || ReadIsoTime(s, p, time)) {
    if (p < s.size() && s[p] == ' ') {
      m.time = time;
      pos = p + 1;
    } else if (p == s.size()) {
      m.time = time;
      pos = p;
    }
  }
  if (m.time.form == SyslogTime::Form::kNone) {
    // No time means no header: all of it is the message.
    TakeMessage(m, s.substr(pos));
    return;
  }
  // HOSTNAME TAG: or just TAG: (senders on the same computer leave out the host).
  std::size_t q = pos;
  const std::string_view first = Token(s, q);
  if (ReadTag(first, m)) {
    TakeMessage(m, s.substr(q));
    return;
  }
  std::size_t r = q;
  const std::string_view second = Token(s, r);
  if (!first.empty() && q < s.size() && ReadTag(second, m)) {
    m.host = HeaderField(first);
    TakeMessage(m, s.substr(r));
    return;
  }
  if (!first.empty() && q < s.size()) {
    m.host = HeaderField(first);
    TakeMessage(m, s.substr(q));
    return;
  }
  TakeMessage(m, s.substr(pos));
}

}  // namespace

std::int64_t DaysFromCivil(int year, int month, int day) {
  const std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

std::string TimeOfDay(std::int64_t ms) {
  constexpr std::int64_t kDay = 86400000;
  ms %= kDay;
  if (ms < 0) ms += kDay;
  const int h = static_cast<int>(ms / 3600000);
  const int mi = static_cast<int>(ms / 60000 % 60);
  const int s = static_cast<int>(ms / 1000 % 60);
  const int milli = static_cast<int>(ms % 1000);
  std::string out = "00:00:00.000";
  auto put = [&out](std::size_t at, int value, int width) {
    for (int i = width - 1; i >= 0; --i, value /= 10) out[at + static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
  };
  put(0, h, 2);
  put(3, mi, 2);
  put(6, s, 2);
  put(9, milli, 3);
  return out;
}

SyslogMessage ParseSyslog(std::string_view message) {
  SyslogMessage m;
  std::size_t pos = 0;
  int pri = 13;
  if (!ReadPri(message, pos, pri)) {
    TakeMessage(m, message);
    return m;
  }
  m.facility = pri / 8;
  m.severity = pri % 8;
  SyslogMessage full = m;
  if (ParseRfc5424(message, pos, full)) return full;
  ParseBsd(message, pos, m);
  return m;
}

MessageKind SyslogKind(int severity) {
  if (severity >= 0 && severity <= 3) return 0x103;
  if (severity == 4) return 0x203;
  if (severity == 7) return 0x303;
  return 0x403;
}

std::string SyslogRowText(const SyslogMessage& m, const SyslogRowContext& context) {
  std::string line = "PID=";
  if (!m.host.empty()) {
    line += m.host;
  } else {
    line += HeaderField(context.sender.empty() ? std::string_view("-") : context.sender);
  }
  line += ' ';
  line += m.app.empty() ? "-" : m.app;
  if (!m.procId.empty()) line += "[" + m.procId + "]";
  line += ",TID=";
  line += m.msgId.empty() ? "-" : m.msgId;
  line += ",   ";

  std::int64_t localMs = context.arrivalLocalMs;
  if (m.time.form == SyslogTime::Form::kZoned) {
    localMs = context.toLocalMs ? context.toLocalMs(m.time.utcMs) : m.time.utcMs;
  } else if (m.time.form == SyslogTime::Form::kLocal) {
    localMs = ((m.time.hour * 60 + m.time.minute) * 60 + m.time.second) * std::int64_t{1000} + m.time.millisecond;
  }
  line += TimeOfDay(localMs);
  line += "  ";
  std::string body = m.text;
  if (!m.structuredData.empty()) {
    if (!body.empty()) body += ' ';
    body += m.structuredData;
  }
  // The list drops an empty message; a message with nothing to say still arrived.
  line += body.empty() ? std::string("-") : body;
  return line;
}

}  // namespace ploxen
