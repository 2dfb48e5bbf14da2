#include "net/syslog_message.h"

#include <cstddef>

#include "core/text.h"

namespace ploxen {

namespace {

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

// A header field: printable ASCII without blanks, a comma shown as '_', as
// the process column has always shown it.
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

void TakeMessage(SyslogMessage& m, std::string_view msg) {
  while (!msg.empty() && (msg.back() == '\n' || msg.back() == '\r' || msg.back() == '\0'))
    msg.remove_suffix(1);
  std::string converted;
  AppendText(m.text, EightBitRowText(msg, converted));
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

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// "Mmm dd hh:mm:ss" as RFC 3164 has it, and what senders make of it that
// rsyslog reads all the same: the month in any case, the day with or without
// its padding blank or zero, a year after the day ("Mar  7 2024 19:06:53"),
// a one-digit hour, a fraction of the second.
bool ReadBsdTime(std::string_view s, std::size_t& pos, SyslogTime& time) {
  std::size_t p = pos;
  if (s.size() - p < 3) return false;
  bool month = false;
  for (std::string_view name : kMonths) {
    bool same = true;
    for (std::size_t i = 0; i < 3; ++i) same = same && Lower(s[p + i]) == Lower(name[i]);
    month = month || same;
  }
  if (!month) return false;
  p += 3;
  if (!Expect(s, p, ' ')) return false;
  if (p < s.size() && s[p] == ' ') ++p;
  int day;
  if (!Digits(s, p, 2, day) && !Digits(s, p, 1, day)) return false;
  if (day < 1 || day > 31 || !Expect(s, p, ' ')) return false;
  std::size_t year = p;
  int ignored;
  if (Digits(s, year, 4, ignored) && Expect(s, year, ' ')) p = year;
  int hour, minute, second;
  if ((!Digits(s, p, 2, hour) && !Digits(s, p, 1, hour)) || !Expect(s, p, ':') || !Digits(s, p, 2, minute) ||
      !Expect(s, p, ':') || !Digits(s, p, 2, second))
    return false;
  if (hour > 23 || minute > 59 || second > 60) return false;
  int ms = 0;
  if (p + 1 < s.size() && s[p] == '.' && IsDigit(s[p + 1])) {
    ++p;
    for (int scale = 100; p < s.size() && IsDigit(s[p]); ++p, scale /= 10) ms += (s[p] - '0') * scale;
  }
  time.form = SyslogTime::Form::kLocal;
  time.hour = hour;
  time.minute = minute;
  time.second = second > 59 ? 59 : second;
  time.millisecond = ms;
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

// RFC 5424's own elements say how the sender's clock and software stand,
// nothing to a reader (every logger line carries timeQuality).
bool RegisteredElement(std::string_view element) {
  const std::size_t end = element.find_first_of(" ]", 1);
  const std::string_view id = element.substr(1, end == std::string_view::npos ? std::string_view::npos : end - 1);
  return id == "timeQuality" || id == "origin" || id == "meta";
}

// One or more "[...]" elements; quoted values may hold escaped '"', '\' and
// ']'. The elements kept for the row go to `kept`, as received.
bool ReadStructuredData(std::string_view s, std::size_t& pos, std::string& kept) {
  std::size_t p = pos;
  if (p < s.size() && s[p] == '-') {
    pos = p + 1;
    return true;
  }
  std::string elements;
  while (p < s.size() && s[p] == '[') {
    const std::size_t start = p;
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
    const std::string_view element = s.substr(start, p - start);
    if (!RegisteredElement(element)) elements += element;
  }
  if (p == pos) return false;
  kept = std::move(elements);
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
  std::string sd;
  if (!ReadStructuredData(s, p, sd)) return false;
  if (p < s.size() && !Expect(s, p, ' ')) return false;

  m.version = version;
  m.time = time;
  m.host = HeaderField(fields[0]);
  m.app = HeaderField(fields[1]);
  m.procId = HeaderField(fields[2]);
  m.msgId = HeaderField(fields[3]);
  std::string converted;
  AppendText(m.structuredData, EightBitRowText(sd, converted));
  TakeMessage(m, s.substr(p));
  return true;
}

// A host name as rsyslog takes it: letters, digits, '.', '-', '_', and the
// '/' and '@' of relay chains (syslog-ng writes "relay/host", "source@host");
// in brackets too ("[10.0.0.1]"). Anything else makes the word the tag.
std::string_view HostWord(std::string_view word) {
  if (word.size() > 2 && word.front() == '[' && word.back() == ']') word = word.substr(1, word.size() - 2);
  if (word.empty()) return {};
  for (char c : word) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || c == '.' || c == '-' ||
                    c == '_' || c == '/' || c == '@';
    if (!ok) return {};
  }
  return word;
}

// After the time: [HOSTNAME SP] TAG[PID][:] SP MSG. The tag ends at a colon
// or a blank (a colon is not required), "[pid]" after its name is the
// process id; a word with nothing after it is text, not a tag.
void ParseBsdHeader(std::string_view s, std::size_t pos, SyslogMessage& m) {
  std::size_t p = pos;
  const std::size_t blank = s.find(' ', p);
  if (blank != std::string_view::npos) {
    const std::string_view host = HostWord(s.substr(p, blank - p));
    if (!host.empty()) {
      m.host = HeaderField(host);
      p = blank + 1;
    }
  }
  const std::size_t end = s.find_first_of(": ", p);
  if (end == std::string_view::npos) {
    TakeMessage(m, s.substr(p));
    return;
  }
  std::string_view name = s.substr(p, end - p);
  const std::size_t open = name.find('[');
  if (open != std::string_view::npos) {
    const std::size_t close = name.find(']', open);
    m.procId = HeaderField(name.substr(open + 1, close == std::string_view::npos ? close : close - open - 1));
    name = name.substr(0, open);
  }
  m.app = HeaderField(name);
  p = end + (s[end] == ':' ? 1 : 0);
  if (p < s.size() && s[p] == ' ') ++p;
  TakeMessage(m, s.substr(p));
}

void ParseBsd(std::string_view s, std::size_t pos, SyslogMessage& m) {
  SyslogTime time;
  std::size_t p = pos;
  bool timed = ReadBsdTime(s, p, time) || ReadIsoTime(s, p, time);
  // A blank after the priority, as some devices send; rsyslog reads the
  // BSD time after it.
  if (!timed && pos < s.size() && s[pos] == ' ') {
    p = pos + 1;
    timed = ReadBsdTime(s, p, time);
  }
  if (timed && p + 1 < s.size() && s[p] == ':' && s[p + 1] == ' ') ++p;  // "19:06:53: " of some routers
  if (!timed || (p < s.size() && s[p] != ' ')) {
    // No time means no header: all of it is the message.
    TakeMessage(m, s.substr(pos));
    return;
  }
  m.time = time;
  if (p < s.size()) ++p;
  // A year after the time (2000 to 2099) belongs to it, as rsyslog reads it
  // when told to (detect.YearAfterTimestamp), not to the host.
  std::size_t year = p;
  int value;
  if (Digits(s, year, 4, value) && value >= 2000 && value <= 2099 && Expect(s, year, ' ')) p = year;
  ParseBsdHeader(s, p, m);
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

LineRecord SyslogRecord(const SyslogMessage& m, const SyslogRowContext& context) {
  LineRecord record;
  record.kind = SyslogKind(m.severity);
  std::string& process = record.process;
  process.reserve(4 + m.host.size() + 1 + m.app.size() + m.procId.size() + 7 + m.msgId.size() + 2);
  process = "PID=";
  if (!m.host.empty()) {
    process += m.host;
  } else {
    process += HeaderField(context.sender.empty() ? std::string_view("-") : context.sender);
  }
  process += ' ';
  process += m.app.empty() ? "-" : m.app;
  if (!m.procId.empty()) {
    process += '[';
    process += m.procId;
    process += ']';
  }
  process += ",TID=";
  process += m.msgId.empty() ? "-" : m.msgId;

  std::int64_t localMs = context.arrivalLocalMs;
  if (m.time.form == SyslogTime::Form::kZoned) {
    localMs = context.toLocalMs ? context.toLocalMs(m.time.utcMs) : m.time.utcMs;
    record.stampMs = m.time.utcMs;
  } else if (m.time.form == SyslogTime::Form::kLocal) {
    localMs = ((m.time.hour * 60 + m.time.minute) * 60 + m.time.second) * std::int64_t{1000} + m.time.millisecond;
  }
  record.time = TimeOfDay(localMs);

  // The list drops an empty message; a message with nothing to say still arrived.
  std::string& body = record.message;
  body.reserve(m.text.size() + 1 + m.structuredData.size());
  body = m.text;
  if (!m.structuredData.empty()) {
    if (!body.empty()) body += ' ';
    body += m.structuredData;
  }
  if (body.empty()) body = "-";
  return record;
}

}  // namespace ploxen
