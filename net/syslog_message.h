// Syslog messages (RFC 5424 and the BSD form of RFC 3164) as the list shows
// them. Nothing here fails: what cannot be read as a header is taken as text,
// as RFC 3164 asks of a relay. The BSD form is read as leniently as rsyslog
// reads it, which users compare PLOXEN with: see ParseBsd.
//
// Structured data is kept as received ("[id k=\"v\" ...]" elements, escapes
// and all) and appended to the text after a blank, so nothing a sender put in
// a message is hidden from the user and the row stays one line; only RFC
// 5424's own timeQuality, origin and meta, which tell a reader nothing, are
// left out.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/line_record.h"
#include "core/message_kind.h"

namespace ploxen {

struct SyslogTime {
  enum class Form {
    kNone,   // the message has no time: the row shows the arrival
    kZoned,  // RFC 5424 or ISO time with an offset: utcMs holds it
    kLocal,  // "Mmm dd hh:mm:ss": the sender's wall clock, no zone, no year
  };
  Form form = Form::kNone;
  std::int64_t utcMs = 0;  // milliseconds since 1970-01-01 UTC (kZoned)
  int hour = 0;            // as written (kLocal)
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

struct SyslogMessage {
  int facility = 1;  // a message without a valid PRI is user.notice (PRI 13)
  int severity = 5;
  int version = 0;   // 0 for the BSD form and for text without a header
  SyslogTime time;
  // Header fields; empty when nil ("-") or absent. Printable ASCII only:
  // anything else in them is replaced.
  std::string host;
  std::string app;
  std::string procId;
  std::string msgId;
  // UTF-8, each by the 8-bit roads' rule, marked by a BOM or not (most
  // senders send UTF-8 without one); control characters become blanks.
  std::string structuredData;  // raw elements but the registered ones, empty for none
  std::string text;
};

SyslogMessage ParseSyslog(std::string_view message);

// 0-3 red, 4 magenta, 5-6 dark blue, 7 black; anything else counts as notice.
MessageKind SyslogKind(int severity);

// What the row needs besides the message: the local clock, injected so the
// caller (and the tests) decide the zone.
struct SyslogRowContext {
  // UTC milliseconds to local milliseconds (same epoch) at that instant.
  std::function<std::int64_t(std::int64_t utcMs)> toLocalMs;
  std::int64_t arrivalLocalMs = 0;  // shown when the message has no time
  std::string_view sender;          // the address, shown when there is no host
};

// The row of a message, kind by its severity: the first column host and
// application as the process column of the other roads reads,
// "PID=<host> <app>[<procid>],TID=<msgid or ->"; the time column the time of
// day in local time, "hh:mm:ss.mmm"; the message column the text and the
// structured data, "-" when both are empty. The stamp is the message's own
// time where it names its zone.
LineRecord SyslogRecord(const SyslogMessage& message, const SyslogRowContext& context);

// Days since 1970-01-01 of a proleptic Gregorian date, and "hh:mm:ss.mmm" of
// a millisecond count (its time of day), shared with the forwarding.
std::int64_t DaysFromCivil(int year, int month, int day);
std::string TimeOfDay(std::int64_t ms);

}  // namespace ploxen
