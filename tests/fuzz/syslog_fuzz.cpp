// Any bytes as a syslog message: nothing is read or written out of bounds,
// the header fields hold printable characters only, the text no control
// characters, and the row splits into the intake's three columns.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/syslog_message.h"

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
  for (char c : m.text) Check(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
  Check(m.text.size() <= size);

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
  return 0;
}
