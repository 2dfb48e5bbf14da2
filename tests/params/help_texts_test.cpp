// The fixed texts of the parameter sheet: the macro guide piece by piece
// and as a whole, and the help of the pages that have none of their own.
#include "params/help_texts.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

namespace ploxen::test {
namespace {

TEST(Guide, HasItsSixtyFivePiecesWithTheirLengthAndLineBreaks) {
  ASSERT_EQ(GuidePieceCount(), 65u);
  const std::string text = GuideText();
  EXPECT_EQ(text.size(), 2900u);
  std::size_t breaks = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++breaks;
  EXPECT_EQ(breaks, 76u);
  EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1) << "no bare line feed";
}

TEST(Guide, PiecesByteForByte) {
  const struct {
    std::size_t number;  // counted from 1, as the guide is read
    const char* text;
  } pieces[] = {
      {1, "Aufruf aus einem Visual-Basic- bzw. VBA-Programms (z.B. Access, Word)\r\n\r\n"},
      {6, "     Set Ploxen = GetObject(, \"Ploxen\")\r\n"},
      {17, "Beispiele f\xFCr die Stringausgabe\r\n\r\n"},
      {46, "16:20:12.273  (00010 ms)  Formatierte STRING-Ausgabe          Mein String\r\n"},
      {52, "vorhergehenden Zeile an. Die Genauigkeit betr\xE4gt in der Regel 10 Millisekunden.\r\n\r\n"},
      {64, "so mu\xDF es mit dem Parameter /REG aufgerufen werden.\r\n"},
      {65, "\r\n"},
  };
  for (const auto& p : pieces) EXPECT_EQ(GuidePiece(p.number - 1), p.text) << "piece " << p.number;
  // Repeated pieces are the same strings.
  for (auto [a, b] : std::initializer_list<std::pair<int, int>>{{10, 14}, {7, 11}, {16, 37}, {50, 57}, {50, 60}})
    EXPECT_EQ(GuidePiece(a - 1), GuidePiece(b - 1)) << a << " and " << b;
}

TEST(PageHelp, EveryPageHasItsTextAndNoneBeyond) {
  EXPECT_EQ(PageHelpText(2),
            "In der Liste die zu l\xF6schenden Suchbegriffe ausw\xE4hlen.\r\nDann den Pushbutton 'L\xF6schen' dr\xFC"
            "cken.\r\n");
  EXPECT_EQ(PageHelpText(4), "Zur Zeit ist noch kein E-Mail m\xF6glich\r\n");
  EXPECT_EQ(PageHelpText(5), "Keine Hilfe vorhanden\r\n");
  EXPECT_EQ(PageHelpText(6), "Keine Hilfe vorhanden\r\n");
  const std::string_view tail = "Z.B. 'PLOXEN c:\\lumo\\gantor32'\r\n\r\n";
  EXPECT_EQ(PageHelpText(1).substr(PageHelpText(1).size() - tail.size()), tail) << "backslashes as written";
  EXPECT_EQ(PageHelpText(kParameterPageCount), "");
}

TEST(PageHelp, LogPageNamesWhatTheUserCanChooseAndWhatAFailureCosts) {
  const std::string text(PageHelpText(9));
  for (const char* part : {"Protokolldatei", "sp\xE4testens nach einer Sekunde", "Tabulatoren", "UTF-8",
                           "Neue Datei ab ... MB", "jeden Tag", "Dateien\r\n behalten", "Statusleiste",
                           "'Protokolldatei'", "/protokoll DATEI"})
    EXPECT_NE(text.find(part), std::string::npos) << part;
  for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
    EXPECT_LE(end - at, 72u) << text.substr(at, end - at);
}

// The help window does not wrap: a line is as long as written.
TEST(PageHelp, NetworkPageNamesDefaultsSendersAndWhatEachProtocolPromises) {
  const std::string text(PageHelpText(8));
  for (const char* part : {"Port 2014", "Port 514", "192.168.1.0/24 10.0.0.7", "Leer: nur dieser Rechner.",
                           "*: jeder Rechner.", "TCP: Jede Zeile kommt an.", "UDP: Zeilen k\xF6nnen unterwegs verloren"})
    EXPECT_NE(text.find(part), std::string::npos) << part;
  for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    EXPECT_LE(end - start, 70u) << text.substr(start, end - start);
}

TEST(PageHelp, FilesPageNamesItsButtonsTheStartAndTheRotation) {
  const std::string text(PageHelpText(kFilesPage));
  for (const char* part : {"Hinzuf\xFCgen ...", "Entfernen", "Datei verfolgen ...", "Vorbelegung: 1000.",
                           "umbenannt und neu angelegt", "UTF-16 mit BOM", "Codepage 1252"})
    EXPECT_NE(text.find(part), std::string::npos) << part;
  for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    EXPECT_LE(end - start, 70u) << text.substr(start, end - start);
}

}  // namespace
}  // namespace ploxen::test
