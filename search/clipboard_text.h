// Rows as the clipboard takes them: the three columns separated by tabs,
// each row ended by CR LF, in code page 1252 and as UTF-16.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/row_store.h"

namespace ploxen {

std::string ClipboardText(const MessageRows& rows, const std::vector<std::size_t>& rowNumbers);
// Every byte as the platform's code page 1252 conversion gives it; the five
// bytes 1252 leaves unassigned keep their value.
std::u16string Utf16FromCp1252(std::string_view text);

}  // namespace ploxen
