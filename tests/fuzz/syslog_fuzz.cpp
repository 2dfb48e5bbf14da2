// Any bytes as a syslog message: nothing is read or written out of bounds,
// the header fields hold printable characters only, the text no control
// characters, and the row splits into the intake's three columns.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/line_prefix.h"
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
  const std::string row = SyslogRowText(m, context);
  const LinePrefix prefix = SplitPrefix(row);
  Check(!prefix.process.empty() && prefix.time.size() == 12);
  Check(prefix.messageStart < row.size());
  const MessageKind kind = SyslogKind(m.severity);
  Check(kind == 0x103 || kind == 0x203 || kind == 0x403 || kind == 0x303);
  return 0;
}
