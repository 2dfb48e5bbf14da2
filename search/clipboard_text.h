// Rows as the clipboard takes them: the three columns separated by tabs,
// each row ended by CR LF, in UTF-8 (fw::Clipboard puts it there as UTF-16
// and in code page 1252).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/row_store.h"

namespace ploxen {

// The most text one copy takes. The clipboard gets it twice (code page 1252
// and UTF-16), so a copy holds at most four times this on the window's
// thread, for well under a second; it is about 150,000 typical rows, more
// than any program one pastes into is pleasant with.
constexpr std::size_t kClipboardMaxBytes = std::size_t{16} * 1024 * 1024;

struct ClipboardCopy {
  std::string text;
  std::size_t rows = 0;  // whole rows in text
};

// As many whole rows as fit in maxBytes. A tab, CR or LF inside a column is
// written as a space, so that columns and rows stay where they belong.
ClipboardCopy ClipboardText(const MessageRows& rows, const std::vector<std::size_t>& rowNumbers,
                            std::size_t maxBytes = kClipboardMaxBytes);
// What the user is told when only the first rows were copied; empty when
// every row was.
std::string LeftOutNotice(std::size_t copied, std::size_t wanted);

// Why nothing was copied.
constexpr char kClipboardBusy[] =
    "Es konnte nichts in die Zwischenablage kopiert werden: Ein anderes Programm benutzt sie gerade. Bitte versuchen "
    "Sie es noch einmal.";
constexpr char kClipboardNoMemory[] =
    "Es konnte nichts in die Zwischenablage kopiert werden: Es ist nicht genug Speicher frei.";
constexpr char kClipboardRefused[] = "Es konnte nichts in die Zwischenablage kopiert werden.";

// Every byte as the platform's code page 1252 conversion gives it; the five
// bytes 1252 leaves unassigned keep their value.
char16_t Utf16FromCp1252(unsigned char byte);
std::u16string Utf16FromCp1252(std::string_view text);

}  // namespace ploxen
