// Any bytes as a syslog message, whole or cut by the framer: nothing is read
// or written out of bounds, the header fields hold printable characters
// only, the text and the structured data are valid UTF-8 (by the 8-bit roads'
// rule) without control characters, the row splits into the intake's three
// columns, and every row the intake makes of it is valid and within its cuts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/text.h"
#include "net/network_roads.h"
#include "net/syslog_message.h"
#include "tests/fuzz/row_checks.h"
#include "tests/fuzz/valid_utf8.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

void CheckField(const std::string& field) {
  for (char c : field) Check(c > ' ' && c != ',' && static_cast<unsigned char>(c) < 0x7F);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ploxen;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const SyslogMessage m = ParseSyslog(bytes);
  Check(m.severity >= 0 && m.severity <= 7 && m.facility >= 0 && m.facility <= 23);
  CheckField(m.host);
  CheckField(m.app);
  CheckField(m.procId);
  CheckField(m.msgId);
  for (const std::string* text : {&m.text, &m.structuredData}) {
    Check(fuzz::ValidUtf8(*text));
    for (char c : *text) Check(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
  }
  // Code page 1252 takes up to three bytes a byte in UTF-8.
  Check(m.text.size() <= 3 * size && m.structuredData.size() <= 3 * size);

  SyslogRowContext context;
  context.toLocalMs = [](std::int64_t utc) { return utc + 3600000; };
  context.arrivalLocalMs = 1234;
  context.sender = "192.0.2.1";
  const LineRecord row = SyslogRecord(m, context);
  Check(row.process.compare(0, 4, "PID=") == 0 && row.time.size() == 12 && !row.message.empty());
  // The columns are what the text form gave before: the first ",   " ends
  // the process column, the time ends at its blank.
  Check(row.process.find(",   ") == std::string::npos && row.process.find("TID=") != std::string::npos);
  Check(row.time.find(' ') == std::string::npos);
  const MessageKind kind = row.kind;
  Check(kind == 0x103 || kind == 0x203 || kind == 0x403 || kind == 0x303);

  // By the network's road, as a datagram or a frame the framer cut.
  fuzz::CheckedIntake rows;
  rows.Intake().AddRecord(row);
  NetworkLineTaker taker(SenderList{}, [](std::int64_t utc) { return utc; });
  for (const bool cut : {false, true}) {
    const auto record = taker.Take(NetworkRoad::kSyslog, IpAddress::V4(127, 0, 0, 1), bytes, cut, 1234);
    if (!record) {
      Check(size == 0 && !cut);
      continue;
    }
    for (const std::string* column : {&record->process, &record->time, &record->message})
      Check(fuzz::ValidUtf8(*column));
    Check(!record->message.empty() && record->message.size() <= kNetworkLineMax);
    rows.Intake().AddRecord(*record);
  }
  Check(rows.Rows() == (size == 0 ? 2u : 3u));
  return 0;
}
