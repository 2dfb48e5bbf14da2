// A caller's printf-style format applied safely to exactly the values the
// caller gave: the format is never handed to the C library as a format.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace ploxen {

constexpr std::size_t kFormattedStrings = 10;
using FormatStrings = std::array<std::string, kFormattedStrings>;

// Each applies the format to its one value (or to the ten strings in turn).
// A conversion that fits the value behaves exactly as in C, with flags,
// width, precision and length modifiers; a conversion that does not fit, one
// beyond the values given, "%n" and "*" widths appear as their own text.
// Formats and strings are UTF-8: a width or a string's precision counts
// characters, and "%c" takes its byte as code page 1252.
std::string FormatLong(std::string_view format, std::int32_t value);
std::string FormatShort(std::string_view format, std::int16_t value);  // widened with its sign
std::string FormatString(std::string_view format, std::string_view value);
std::string FormatDouble(std::string_view format, double value);
std::string FormatTenStrings(std::string_view format, const FormatStrings& values);

}  // namespace ploxen
