#include "net/syslog_message.h"


#include <gtest/gtest.h>

#include <string>

namespace ploxen {
namespace {

using Form = SyslogTime::Form;

struct ParseCase {
  const char* name;
  std::string input;
  int severity;
  int facility;
  const char* host;
  const char* app;
  const char* procId;
  const char* text;
  const char* structuredData;
  Form form;
};

std::ostream& operator<<(std::ostream& os, const ParseCase& c) { return os << c.name; }

class SyslogParse : public testing::TestWithParam<ParseCase> {};

TEST_P(SyslogParse, GivesHeaderFieldsAndText) {
  const ParseCase& c = GetParam();
  const SyslogMessage m = ParseSyslog(c.input);
  EXPECT_EQ(m.severity, c.severity);
  EXPECT_EQ(m.facility, c.facility);
  EXPECT_EQ(m.host, c.host);
  EXPECT_EQ(m.app, c.app);
  EXPECT_EQ(m.procId, c.procId);
  EXPECT_EQ(m.text, c.text);
  EXPECT_EQ(m.structuredData, c.structuredData);
  EXPECT_EQ(m.time.form, c.form);
}

// Captured from util-linux's logger (--udp/--tcp, --rfc5424/--rfc3164) and
// the examples of RFC 5424 section 6.5 and RFC 3164 section 5.4.
INSTANTIATE_TEST_SUITE_P(
    Samples, SyslogParse,
    testing::Values(
        ParseCase{"logger_5424_err",
                  "<11>1 2026-12-08T12:24:11.460591+00:00 vm app - - [timeQuality tzKnown=\"1\" isSynced=\"0\"] text one",
                  3, 1, "vm", "app", "", "text one", "", Form::kZoned},
        ParseCase{"logger_3164_warning", "<12>Dec  8 12:24:11 vm app: text two", 4, 1, "vm", "app", "", "text two", "",
                  Form::kLocal},
        ParseCase{"logger_5424_pid_msgid_sd",
                  "<135>1 2026-12-08T12:24:11.464278+00:00 vm app 25552 ID47 [timeQuality tzKnown=\"1\" "
                  "isSynced=\"0\"][exampleSDID@32473 iut=\"3\"] with sd",
                  7, 16, "vm", "app", "25552", "with sd", "[exampleSDID@32473 iut=\"3\"]", Form::kZoned},
        ParseCase{"logger_3164_tcp_line_end", "<29>Dec  8 12:24:11 vm app: tcp three\n", 5, 3, "vm", "app", "",
                  "tcp three", "", Form::kLocal},
        ParseCase{"rfc5424_bom", "<34>1 2003-10-11T22:14:15.003Z mymachine.example.com su - ID47 - \xEF\xBB\xBF'su root' failed",
                  2, 4, "mymachine.example.com", "su", "", "'su root' failed", "", Form::kZoned},
        ParseCase{"rfc5424_nil_message", "<165>1 2003-08-24T05:14:15.000003-07:00 192.0.2.1 myproc 8710 - -", 5, 20,
                  "192.0.2.1", "myproc", "8710", "", "", Form::kZoned},
        ParseCase{"rfc5424_sd_only",
                  "<165>1 2003-10-11T22:14:15.003Z mymachine.example.com evntslog - ID47 [exampleSDID@32473 "
                  "iut=\"3\" eventSource=\"Application\" eventID=\"1011\"]",
                  5, 20, "mymachine.example.com", "evntslog", "", "",
                  "[exampleSDID@32473 iut=\"3\" eventSource=\"Application\" eventID=\"1011\"]", Form::kZoned},
        ParseCase{"rfc5424_sd_escapes", "<14>1 - h a - - [x@1 k=\"a\\\"b\\]c\"] m", 6, 1, "h", "a", "", "m",
                  "[x@1 k=\"a\\\"b\\]c\"]", Form::kNone},
        ParseCase{"rfc3164_example", "<34>Oct 11 22:14:15 mymachine su: 'su root' failed for lonvick on /dev/pts/8", 2,
                  4, "mymachine", "su", "", "'su root' failed for lonvick on /dev/pts/8", "", Form::kLocal},
        ParseCase{"rfc3164_pid", "<13>Feb  5 17:32:18 10.0.0.99 sshd[1234]: Accepted key", 5, 1, "10.0.0.99", "sshd",
                  "1234", "Accepted key", "", Form::kLocal},
        ParseCase{"bsd_without_host", "<13>Feb 15 17:32:18 cron[77]: job", 5, 1, "", "cron", "77", "job", "",
                  Form::kLocal},
        ParseCase{"bsd_tag_without_colon", "<13>Feb 15 17:32:18 box just words", 5, 1, "box", "just", "", "words", "",
                  Form::kLocal},
        ParseCase{"bsd_one_word_is_text", "<13>Feb 15 17:32:18 box words", 5, 1, "box", "", "", "words", "",
                  Form::kLocal},
        ParseCase{"iso_time_in_bsd_form", "<13>2026-12-08T13:00:00.5+01:00 box app: x", 5, 1, "box", "app", "", "x", "",
                  Form::kZoned}));

// What devices and old daemons send, read as rsyslog reads it (tried against
// rsyslogd 8.2302 and its pmrfc3164 documentation).
INSTANTIATE_TEST_SUITE_P(
    Lenient, SyslogParse,
    testing::Values(
        ParseCase{"blank_after_pri", "<38> Mar  7 19:06:53 example tag: text", 6, 4, "example", "tag", "", "text", "",
                  Form::kLocal},
        ParseCase{"month_in_capitals_tag_without_colon", "<6>AUG 10 22:18:24 host tag text", 6, 0, "host", "tag", "",
                  "text", "", Form::kLocal},
        ParseCase{"month_in_small_letters", "<13>mar  7 19:06:53 h t: x", 5, 1, "h", "t", "", "x", "", Form::kLocal},
        ParseCase{"one_digit_hour", "<13>Mar  7 1:06:53 h t: x", 5, 1, "h", "t", "", "x", "", Form::kLocal},
        ParseCase{"fraction_of_a_second", "<13>Mar  7 19:06:53.123456 h t: x", 5, 1, "h", "t", "", "x", "",
                  Form::kLocal},
        ParseCase{"colon_after_the_time", "<11>Mar  7 19:06:53: h t: x", 3, 1, "h", "t", "", "x", "", Form::kLocal},
        ParseCase{"year_after_the_day", "<13>Mar  7 2024 19:06:53 h t: x", 5, 1, "h", "t", "", "x", "", Form::kLocal},
        ParseCase{"year_after_the_time", "<13>Mar  7 19:06:53 2024 h t: x", 5, 1, "h", "t", "", "x", "",
                  Form::kLocal},
        ParseCase{"host_in_brackets", "<13>Mar  7 19:06:53 [10.0.0.1] t: x", 5, 1, "10.0.0.1", "t", "", "x", "",
                  Form::kLocal},
        ParseCase{"relay_chain_hosts", "<13>Mar  7 19:06:53 relay/src@h t: x", 5, 1, "relay/src@h", "t", "", "x", "",
                  Form::kLocal},
        ParseCase{"no_blank_after_the_colon", "<13>Mar  7 19:06:53 h t:x", 5, 1, "h", "t", "", "x", "", Form::kLocal},
        ParseCase{"tag_ending_in_a_colon_is_no_host", "<13>Mar  7 19:06:53 kernel: x y", 5, 1, "", "kernel", "",
                  "x y", "", Form::kLocal},
        ParseCase{"pid_without_colon", "<13>Mar  7 19:06:53 h t[12] x", 5, 1, "h", "t", "12", "x", "", Form::kLocal},
        ParseCase{"slash_in_tag", "<13>Mar  7 19:06:53 h postfix/smtpd[7]: x", 5, 1, "h", "postfix/smtpd", "7", "x",
                  "", Form::kLocal},
        ParseCase{"registered_elements_left_out",
                  "<14>1 - h a - - [origin ip=\"192.0.2.1\"][x@1 k=\"v\"][meta sequenceId=\"1\"][timeQuality] m", 6,
                  1, "h", "a", "", "m", "[x@1 k=\"v\"]", Form::kNone}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Malformed, SyslogParse,
    testing::Values(
        ParseCase{"no_pri_is_user_notice_text", "hello world", 5, 1, "", "", "", "hello world", "", Form::kNone},
        ParseCase{"empty", "", 5, 1, "", "", "", "", "", Form::kNone},
        ParseCase{"pri_too_large", "<192>1 - h a - - - m", 5, 1, "", "", "", "<192>1 - h a - - - m", "", Form::kNone},
        ParseCase{"pri_leading_zero", "<013>x", 5, 1, "", "", "", "<013>x", "", Form::kNone},
        ParseCase{"pri_unclosed", "<13", 5, 1, "", "", "", "<13", "", Form::kNone},
        ParseCase{"pri_only", "<0>", 0, 0, "", "", "", "", "", Form::kNone},
        ParseCase{"pri_then_text", "<3>just text", 3, 0, "", "", "", "just text", "", Form::kNone},
        ParseCase{"version_cut_header", "<14>1 2026-12-08T12:00:00Z host", 6, 1, "", "", "",
                  "1 2026-12-08T12:00:00Z host", "", Form::kNone},
        ParseCase{"bad_month", "<14>1 2026-13-08T12:00:00Z h a - - - m", 6, 1, "", "", "",
                  "1 2026-13-08T12:00:00Z h a - - - m", "", Form::kNone},
        ParseCase{"unclosed_sd", "<14>1 - h a - - [x k=\"]\" m", 6, 1, "", "", "", "1 - h a - - [x k=\"]\" m", "",
                  Form::kNone},
        ParseCase{"bad_bsd_time", "<14>Foo  8 12:24:11 vm app: x", 6, 1, "", "", "", "Foo  8 12:24:11 vm app: x", "",
                  Form::kNone},
        // rsyslog does not read these either.
        ParseCase{"two_blanks_after_pri", "<14>  Mar  7 19:06:53 h t: x", 6, 1, "", "", "", "  Mar  7 19:06:53 h t: x",
                  "", Form::kNone},
        ParseCase{"no_blank_after_the_time", "<14>Mar  7 19:06:53:h t: x", 6, 1, "", "", "", "Mar  7 19:06:53:h t: x",
                  "", Form::kNone},
        ParseCase{"controls_become_blanks", std::string("<14>a\0b\tc\x1B", 10), 6, 1, "", "", "", "a b c ", "",
                  Form::kNone},
        ParseCase{"header_fields_printable_no_comma", "<14>1 - h,o\x80st a - - - m", 6, 1, "h_o_st", "a", "", "m", "",
                  Form::kNone}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

TEST(SyslogParse, ZonedTimesAreUtc) {
  // 2003-10-11T22:14:15.003Z; the same instant with an offset.
  const std::int64_t expected = (DaysFromCivil(2003, 10, 11) * 86400 + 22 * 3600 + 14 * 60 + 15) * 1000 + 3;
  EXPECT_EQ(ParseSyslog("<1>1 2003-10-11T22:14:15.003Z h a - - -").time.utcMs, expected);
  EXPECT_EQ(ParseSyslog("<1>1 2003-10-12T00:14:15.003+02:00 h a - - -").time.utcMs, expected);
  EXPECT_EQ(ParseSyslog("<1>1 2003-10-11T15:14:15.003999-07:00 h a - - -").time.utcMs, expected);
  EXPECT_EQ(DaysFromCivil(1970, 1, 1), 0);
  EXPECT_EQ(DaysFromCivil(2000, 3, 1), 11017);
}

TEST(SyslogParse, MarkedUtf8MessageStaysUtf8AndABrokenSequenceIsAReplacement) {
  const SyslogMessage m = ParseSyslog("<14>1 - h a - - - \xEF\xBB\xBF" "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xE4\xB8\xAD \xC3");
  EXPECT_EQ(m.text, "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xE4\xB8\xAD \xEF\xBF\xBD");
}

// Most senders (util-linux logger, rsyslog, journald) send UTF-8 without a
// mark; code page 1252 from an old device stays readable.
TEST(SyslogParse, UnmarkedMessageIsReadByTheEightBitRule) {
  EXPECT_EQ(ParseSyslog("<14>1 - h a - - - Gr\xC3\xBC\xC3\x9F" "e").text, "Gr\xC3\xBC\xC3\x9F" "e");
  EXPECT_EQ(ParseSyslog("<14>Mar  7 19:06:53 h a: Gr\xC3\xBC\xC3\x9F" "e").text, "Gr\xC3\xBC\xC3\x9F" "e");
  EXPECT_EQ(ParseSyslog("<14>Mar  7 19:06:53 h a: Gr\xFC\xDF" "e").text, "Gr\xC3\xBC\xC3\x9F" "e");
  EXPECT_EQ(ParseSyslog("<14>1 - h a - - [x@1 v=\"\xD0\xB6\"] m").structuredData, "[x@1 v=\"\xD0\xB6\"]");
  EXPECT_EQ(ParseSyslog("<14>1 - h a - - [x@1 v=\"\xE4\"] m").structuredData, "[x@1 v=\"\xC3\xA4\"]");
}

TEST(SyslogKind, SeverityGivesColour) {
  const MessageKind expected[8] = {0x103, 0x103, 0x103, 0x103, 0x203, 0x403, 0x403, 0x303};
  for (int s = 0; s < 8; ++s) EXPECT_EQ(SyslogKind(s), expected[s]) << s;
}

SyslogRowContext PlusOneHour() {
  SyslogRowContext context;
  context.toLocalMs = [](std::int64_t utc) { return utc + 3600000; };
  context.arrivalLocalMs = (7 * 3600 + 8 * 60 + 9) * std::int64_t{1000} + 10;
  context.sender = "192.0.2.7";
  return context;
}

struct RowCase {
  const char* name;
  const char* input;
  const char* row;
};

std::ostream& operator<<(std::ostream& os, const RowCase& c) { return os << c.name; }

class SyslogRow : public testing::TestWithParam<RowCase> {};

// The columns in the text form of the other roads.
std::string Row(const LineRecord& line) { return line.process + ",   " + line.time + "  " + line.message; }

TEST_P(SyslogRow, ComposesThePrefixForm) {
  EXPECT_EQ(Row(SyslogRecord(ParseSyslog(GetParam().input), PlusOneHour())), GetParam().row);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SyslogRow,
    testing::Values(
        RowCase{"zoned_time_in_local", "<11>1 2026-12-08T12:24:11.460591+00:00 vm app 99 ID1 - text",
                "PID=vm app[99],TID=ID1,   13:24:11.460  text"},
        RowCase{"offset_crosses_midnight", "<11>1 2026-12-08T00:30:00.000+02:00 vm app - - - t",
                "PID=vm app,TID=-,   23:30:00.000  t"},
        RowCase{"bsd_time_as_written", "<12>Dec  8 12:24:11 vm app: text two", "PID=vm app,TID=-,   12:24:11.000  text two"},
        RowCase{"bsd_fraction", "<12>Dec  8 2026 9:24:11.25: vm app: t", "PID=vm app,TID=-,   09:24:11.250  t"},
        RowCase{"logger_time_quality_left_out",
                "<11>1 2026-12-08T12:24:11.460591+00:00 vm app - - [timeQuality tzKnown=\"1\" isSynced=\"0\"] text",
                "PID=vm app,TID=-,   13:24:11.460  text"},
        RowCase{"no_time_shows_arrival_and_sender", "plain", "PID=192.0.2.7 -,TID=-,   07:08:09.010  plain"},
        RowCase{"structured_data_after_text", "<11>1 - vm app - - [a b=\"c\"] hi",
                "PID=vm app,TID=-,   07:08:09.010  hi [a b=\"c\"]"},
        RowCase{"empty_message_still_a_row", "<11>1 - vm app - - -", "PID=vm app,TID=-,   07:08:09.010  -"}),
    [](const testing::TestParamInfo<RowCase>& info) { return std::string(info.param.name); });

TEST(SyslogRow, IntakeSplitsItIntoTheThreeColumns) {
  const LineRecord row =
      SyslogRecord(ParseSyslog("<11>1 2026-12-08T12:24:11.4Z web,01 ssh - - - failed,   twice"), PlusOneHour());
  EXPECT_EQ(row.process, "PID=web_01 ssh,TID=-");
  EXPECT_EQ(row.time, "13:24:11.400");
  EXPECT_EQ(row.message, "failed,   twice");
}

TEST(SyslogRow, TimeOfDayWrapsBothWays) {
  EXPECT_EQ(TimeOfDay(0), "00:00:00.000");
  EXPECT_EQ(TimeOfDay(86400000 + 1), "00:00:00.001");
  EXPECT_EQ(TimeOfDay(-1), "23:59:59.999");
}

}  // namespace
}  // namespace ploxen
