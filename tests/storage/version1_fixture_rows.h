// The rows of tests/storage/fixtures/version1.bin, as code page 1252 bytes:
// the file was written from them by PLOXEN's writer before rows held UTF-8
// (main at a639f0c). Opening it must give these strings read as 1252, and
// saving what was opened must give the same bytes again.
#pragma once

#include <string>

#include "core/row_store.h"
#include "tests/support/row_builders.h"

namespace ploxen::test {

inline void AddVersion1FixtureRows(RowStore& rows) {
  std::string everyByte;  // 0x01 to 0xFF, the five bytes 1252 leaves undefined too
  for (int b = 1; b < 256; ++b) everyByte += static_cast<char>(b);
  AddRow(rows, 0x303, "PID=1234,TID=5678,", "16:20:12.223  (00012ms)", "   CSignal::Send: Verbindung 3 aufgebaut");
  AddRow(rows, 1, "", "", "Konstruktor der Klasse CSignal (0x00A41230)");
  AddRow(rows, 0x403, "", "16:20:12.240  (00017ms)",
         "Makro \x84Rechnung M\xE4rz.xls\x93: Summe 1.234,56 \x80, Gr\xF6\xDF" "e \xB1" "5 \xB5m");
  AddRow(rows, 0x103, "PID=????,TID=????,", "", "\xC4nderung \xFC" "ber \x8A" "koda \x9E" "ilina \x9C" "uvre \x99");
  AddRow(rows, 2, "", "", "Umlaute falsch kodiert: \"\xC3\xA4\" statt \"\xE4\"");
  AddRow(rows, 0x203, "(GANTOR-PC)", "", "Tab\there, CR\rLF\n, quote \" comma ,");
  AddRow(rows, 0x503, "", "", everyByte);
  AddRow(rows, 0x603, "", "", std::string(499, '\xE9'));
  AddItem(rows, static_cast<MessageKind>(0xFFFF0203u), {"", "", ""},
          {{0x123456, 0x654321}, {0xFFFFFF, 0x000000}, {0x0000FF, 0x00FF00}});
}

}  // namespace ploxen::test
