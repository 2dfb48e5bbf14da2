#include "sources/automation_lines.h"

#include "core/message_kind.h"

namespace ploxen {

IncomingLine AutomationLines::Write(std::int32_t type, std::string_view text) {
  return IncomingLine{KindFromType(type), stamp_.Stamp(text), kSourceSystem};
}

IncomingLine AutomationLines::WriteL(std::int32_t type, std::string_view format, std::int32_t value) {
  return Write(type, FormatLong(format, value));
}

IncomingLine AutomationLines::WriteI(std::int32_t type, std::string_view format, std::int16_t value) {
  return Write(type, FormatShort(format, value));
}

IncomingLine AutomationLines::WriteS(std::int32_t type, std::string_view format, std::string_view value) {
  return Write(type, FormatString(format, value));
}

IncomingLine AutomationLines::WriteF(std::int32_t type, std::string_view format, double value) {
  return Write(type, FormatDouble(format, value));
}

IncomingLine AutomationLines::WriteV(std::int32_t type, std::string_view format, const VariantValue* const* values,
                                     std::size_t count) {
  return Write(type, FormatTenStrings(format, WriteVStrings(values, count)));
}

}  // namespace ploxen
