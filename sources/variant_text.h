// What an automation argument of WriteV says as text, apart from the
// platform's VARIANT: the Win32 side copies a VARIANT into VariantValue.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "sources/caller_format.h"

namespace ploxen {

// The platform's type codes that matter here.
enum VariantType : std::uint16_t {
  kVtEmpty = 0, kVtNull = 1, kVtI2 = 2, kVtI4 = 3, kVtR4 = 4, kVtR8 = 5, kVtCy = 6, kVtDate = 7, kVtBstr = 8,
  kVtDispatch = 9, kVtError = 10, kVtBool = 11, kVtVariant = 12, kVtUnknown = 13, kVtDecimal = 14, kVtI1 = 16,
  kVtUi1 = 17, kVtUi2 = 18, kVtUi4 = 19, kVtByRef = 0x4000,
};

struct VariantValue {
  std::uint16_t type = kVtEmpty;  // with kVtByRef when the VARIANT held a reference
  // The value itself, read through the reference when there was one:
  std::uint64_t bits = 0;  // integer types and VT_BOOL, as stored (not sign-extended)
  double real = 0;         // VT_R4 (widened), VT_R8, VT_DATE
  std::string text;        // VT_BSTR, as UTF-8
  std::shared_ptr<VariantValue> referenced;  // VT_VARIANT | VT_BYREF
};

enum class VariantConversion { kText, kFailed, kEnd };

// kText with the text set; kEnd for VT_ERROR (the end of the list); kFailed
// for a type without a text.
VariantConversion ConvertVariant(const VariantValue& value, std::string& text);

// "dd.mm.yyyy hh:mm:ss" of an automation date (days since 30 December 1899,
// the fraction the time of day); none outside the range the platform takes.
std::optional<std::string> AutomationDateText(double date);

// WriteV's ten strings: converted texts up to the first end mark, "???" for
// a value without a text, empty strings after the end or beyond the values.
FormatStrings WriteVStrings(const VariantValue* const* values, std::size_t count);

}  // namespace ploxen
