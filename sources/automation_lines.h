// The lines that the automation object "Ploxen" writes: kind from the
// caller's message type, text formatted by the caller's format and stamped
// by the object's own line stamp while "Uhrzeit" is on.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>

#include "core/line_stamp.h"
#include "sources/copy_data.h"
#include "sources/variant_text.h"

namespace ploxen {

class AutomationLines {
 public:
  explicit AutomationLines(Clock clock = LocalTimeOfDay) : stamp_(std::move(clock)) {}

  bool Uhrzeit() const { return stamp_.Enabled(); }
  // Off leaves the previous stamped line alone.
  void SetUhrzeit(bool on) { stamp_.SetEnabled(on); }

  IncomingLine Write(std::int32_t type, std::string_view text);
  IncomingLine WriteL(std::int32_t type, std::string_view format, std::int32_t value);
  IncomingLine WriteI(std::int32_t type, std::string_view format, std::int16_t value);
  IncomingLine WriteS(std::int32_t type, std::string_view format, std::string_view value);
  IncomingLine WriteF(std::int32_t type, std::string_view format, double value);
  IncomingLine WriteV(std::int32_t type, std::string_view format, const VariantValue* const* values, std::size_t count);

 private:
  LineStamp stamp_;
};

}  // namespace ploxen
