// Any bytes as a caller's format, given to every formatter: nothing is read
// or written out of bounds, and no output grows beyond its rendered fields.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "sources/caller_format.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// A field is at most 4096 wide; a double adds at most its 309 digits, point
// and sign to a precision of 4096.
constexpr std::size_t kField = 4096 + 4096 + 320;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ploxen;
  // The first eight bytes are the values, the rest the format.
  unsigned char bytes[8] = {};
  const std::size_t head = size < sizeof bytes ? size : sizeof bytes;
  std::memcpy(bytes, data, head);
  const std::string_view format(reinterpret_cast<const char*>(data) + head, size - head);

  std::int32_t longValue;
  std::int16_t shortValue;
  double doubleValue;
  std::memcpy(&longValue, bytes, sizeof longValue);
  std::memcpy(&shortValue, bytes + 4, sizeof shortValue);
  std::memcpy(&doubleValue, bytes, sizeof doubleValue);
  const std::string_view stringValue = format.substr(0, bytes[7] % 64);
  FormatStrings ten;
  for (std::size_t i = 0; i < ten.size(); ++i) {
    const std::size_t at = i * 3 < format.size() ? i * 3 : format.size();
    ten[i] = std::string(format.substr(at, bytes[i % 8] % 16));
  }

  Check(FormatLong(format, longValue).size() <= format.size() + kField);
  Check(FormatShort(format, shortValue).size() <= format.size() + kField);
  Check(FormatDouble(format, doubleValue).size() <= format.size() + kField);
  Check(FormatString(format, stringValue).size() <= format.size() + kField + stringValue.size());
  Check(FormatTenStrings(format, ten).size() <= format.size() + ten.size() * (kField + 16));
  if (format.find('%') == std::string_view::npos) Check(FormatLong(format, longValue) == format);
  return 0;
}
