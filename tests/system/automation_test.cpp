// Scripts and programs write through the automation object "Ploxen": the
// runtime starts PLOXEN.EXE for them, their lines become rows, and while a
// client holds the object the window only hides when closed.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/row_store.h"
#include "core/text.h"
#include "storage/binary_file.h"
#include "storage/byte_stream.h"
#include "tests/support/text_corpus.h"
#include "tests/system/ploxen_test.h"

namespace ploxen::system_test {
namespace {

// The PLOXEN.EXE that the runtime started for the client (here the client
// itself starts it, so it is the client's child).
DWORD ServerOf(DWORD client, DWORD timeoutMs = 30000) { return ChildProcessOf(client, "PLOXEN.EXE", timeoutMs); }

HWND MainWindowOf(DWORD process, DWORD timeoutMs = 30000) {
  const DWORD start = GetTickCount();
  do {
    if (HWND w = FindProcessWindow(process, [](HWND w) { return WindowText(w) == kTitle && IsWindowVisible(w); }))
      return w;
    Sleep(50);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

// The PLOXEN.EXE a client had started is ended with the test when it still
// runs: after a failure nobody closes it, and it would hold the test
// runner's output open.
class EndedWithTheTest {
 public:
  explicit EndedWithTheTest(DWORD process) : handle_(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process)) {}
  ~EndedWithTheTest() {
    if (!handle_) return;
    if (WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT) TerminateProcess(handle_, 1);
    CloseHandle(handle_);
  }
  EndedWithTheTest(const EndedWithTheTest&) = delete;
  EndedWithTheTest& operator=(const EndedWithTheTest&) = delete;

 private:
  HANDLE handle_;
};

std::string RegistryText(const std::string& key) {
  char value[1024] = {};
  DWORD size = sizeof value;
  const std::string full = "Software\\Classes\\" + key;
  if (RegGetValueA(HKEY_CURRENT_USER, full.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
    return {};
  return value;
}

std::vector<MessageKind> SavedKinds(DWORD process, HWND main, const std::string& path) {
  DeleteFileA(path.c_str());
  if (!RunFileDialog(process, main, kSaveButton, path)) return {};
  std::ifstream in(path, std::ios::binary);
  const std::vector<unsigned char> bytes(std::istreambuf_iterator<char>(in), {});
  MemorySource source(bytes.data(), bytes.size());
  MessageRows rows;
  ReadBinaryFile(source, rows);
  std::vector<MessageKind> kinds;
  for (int i = 0; i < rows.RowCount(); ++i) kinds.push_back(rows.Row(i).Kind());
  DeleteFileA(path.c_str());
  return kinds;
}

// The message column of every row and the version of the file "Speichern" writes.
std::vector<std::string> SavedMessages(DWORD process, HWND main, const std::string& path, std::int32_t& version) {
  DeleteFileA(path.c_str());
  if (!RunFileDialog(process, main, kSaveButton, path)) return {};
  std::ifstream in(path, std::ios::binary);
  const std::vector<unsigned char> bytes(std::istreambuf_iterator<char>(in), {});
  in.close();
  DeleteFileA(path.c_str());
  MemorySource source(bytes.data(), bytes.size());
  MessageRows rows;
  const BinaryReadResult read = ReadBinaryFile(source, rows);
  version = read.version;
  std::vector<std::string> messages;
  for (std::size_t i = 0; i < rows.size(); ++i) messages.emplace_back(rows.Row(i).Text(2));
  return messages;
}

// A VBScript string expression of UTF-8 text: printable ASCII as quoted
// runs, every other UTF-16 unit by ChrW, a character beyond the BMP as its
// two surrogates, as scripts build such text.
std::string ChrWText(const std::string& utf8) {
  std::string expression;
  bool quoted = false;
  for (const char16_t unit : Utf8ToUtf16(utf8)) {
    if (unit >= 0x20 && unit < 0x7F) {
      if (!quoted) expression += expression.empty() ? "\"" : " & \"";
      quoted = true;
      expression += unit == '"' ? std::string("\"\"") : std::string(1, static_cast<char>(unit));
      continue;
    }
    if (quoted) expression += '"';
    quoted = false;
    char code[32];
    std::snprintf(code, sizeof code, "%sChrW(&H%X)", expression.empty() ? "" : " & ", static_cast<unsigned>(unit));
    expression += code;
  }
  if (quoted) expression += '"';
  return expression.empty() ? "\"\"" : expression;
}

// The runtime starts PLOXEN.EXE for the clients once a start with /Reg has
// registered it.
class AutomationTest : public PloxenTest {
 protected:
  void SetUp() override {
    Launch("automation", "/Reg");
    ExpectExit();
  }
};

TEST_F(AutomationTest, RegistrationNamesThisProgramAsTheServerOfPloxen) {
  const std::string clsid = "{93BCE300-17F5-11D3-80A4-000029071233}";
  EXPECT_EQ(RegistryText("Ploxen\\CLSID"), clsid);
  EXPECT_EQ(RegistryText("CLSID\\" + clsid + "\\ProgID"), "Ploxen");
  EXPECT_EQ(RegistryText("CLSID\\" + clsid + "\\LocalServer32"),
            "\"" + ProgramDirectory() + "\\PLOXEN.EXE\" /Automation");
}

TEST_F(AutomationTest, GuideScriptWritesItsLinesAndClosingWaitsForTheScript) {
  ToolProcess script;
  ASSERT_TRUE(script.Start("cscript.exe //nologo \"" + ProgramDirectory() + "\\ploxen_guide.vbs\" 8000"));
  const DWORD server = ServerOf(script.Id());
  ASSERT_NE(server, 0u) << script.Output();
  const EndedWithTheTest serverEnds(server);
  HWND main = MainWindowOf(server);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitForRows(main, 11, 20000)) << ListRowCount(main);

  const std::string first = ListRowText(main, 0, 2);
  ASSERT_EQ(first.size(), 12u + 32u) << first;
  EXPECT_EQ(first.substr(2, 1) + first.substr(5, 1) + first.substr(8, 1), "::.") << first;
  EXPECT_EQ(first.substr(12), "  (00000ms)   Hallo Welt (Debug)");
  const char* unstamped[] = {"Hallo Welt (Info)", "Hallo Welt (Warnung)", "Hallo Welt (Fehler)",
                             "Formatierte LONG-Ausgabe 123456789", "Formatierte INTEGER-Ausgabe 1234",
                             "Formatierte INTEGER-Ausgabe 012345", "Formatierte STRING-Ausgabe          Mein String",
                             "Formatierte DOUBLE-Ausgabe   1234.568", "Formatierte VARIANT-Ausgabe 1234, TRUE",
                             "Formatierte DOUBLE-Ausgabe        568"};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(ListRowText(main, i + 1, 2), unstamped[i]);
  EXPECT_EQ(ListRowText(main, 0, 0), "");  // no placeholder in front

  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::vector<MessageKind> kinds = SavedKinds(server, main, std::string(temp) + "ploxen_automation.bin");
  ASSERT_EQ(kinds.size(), 11u);
  EXPECT_EQ(std::vector<MessageKind>(kinds.begin(), kinds.begin() + 5),
            (std::vector<MessageKind>{0x303, 0x403, 0x203, 0x103, 0x303}));

  // Held by the script: closing only hides the window.
  PostMessageA(main, WM_CLOSE, 0, 0);
  for (int i = 0; i < 100 && IsWindowVisible(main); ++i) Sleep(50);
  EXPECT_FALSE(IsWindowVisible(main));
  EXPECT_TRUE(IsWindow(main));
  EXPECT_TRUE(Responsive(main));
  // Released, the close that was asked for happens.
  EXPECT_EQ(script.Wait(30000), 0u) << script.Output();
  EXPECT_NE(script.Output().find("Uhrzeit aus"), std::string::npos) << script.Output();
  EXPECT_TRUE(WaitForWindowGone(main, 15000));
}

TEST_F(AutomationTest, MalformedFormatsAndOddArgumentsLeaveItAliveAndShowTheirLines) {
  const std::string tenThousand(10000, 'z');
  const std::string ten = "%s|%s|%s|%s|%s|%s|%s|%s|%s|%s";
  ToolProcess client;
  ASSERT_TRUE(client.Start(
      "\"" + ProgramDirectory() + "\\ploxen_auto.exe\" put Uhrzeit 0 get Uhrzeit"
      " call WriteS 3 0 %s%s%s%n x call WriteL 3 0 %*d 5 call WriteL 3 0 %99999999d 7 call Write 2 1 " + tenThousand +
      " call WriteV 12 2 " + ten + " i1:-1 ui1:200 i2:-2 ui2:65535 i4:-3 ui4:4000000000 r4:1.5 r8:2.25"
      " date:37988.5452430556 bool:1"
      " call WriteV 12 3 " + ten + " bstr:Text empty null cy:1.5 var:7 ref:i4:8 ref:bstr:R var:bool:0 error i4:1"
      " call Write 1 3 call WriteL 3 0 %d keine_Zahl call Nope 0"));
  EXPECT_EQ(client.Wait(60000), 2u) << client.Output();
  const std::string& printed = client.Output();
  EXPECT_NE(printed.find("Uhrzeit = False"), std::string::npos) << printed;
  EXPECT_NE(printed.find("call Write: 0x8002000e"), std::string::npos) << printed;   // bad parameter count
  EXPECT_NE(printed.find("call WriteL: 0x80020005"), std::string::npos) << printed;  // type mismatch
  EXPECT_NE(printed.find("name Nope: 0x80020006"), std::string::npos) << printed;    // unknown name

  const DWORD server = ServerOf(client.Id(), 0);
  ASSERT_NE(server, 0u);
  const EndedWithTheTest serverEnds(server);
  HWND main = MainWindowOf(server);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitForRows(main, 6));
  EXPECT_EQ(ListRowText(main, 0, 2), "x%s%s%n");
  EXPECT_EQ(ListRowText(main, 1, 2), "%*d");
  EXPECT_LE(ListRowText(main, 2, 2).size(), 499u);
  EXPECT_EQ(ListRowText(main, 3, 2), std::string(499, 'z'));
  EXPECT_EQ(ListRowText(main, 4, 2), "255|200|-2|-1|-3|-294967296|1.500000|2.250000|02.01.2004 13:05:09|TRUE");
  EXPECT_EQ(ListRowText(main, 5, 2), "Text|???|???|???|7|8|R|FALSE||");
  // Released, the window stays for its user until closed.
  ASSERT_TRUE(Responsive(main));
  EXPECT_TRUE(IsWindowVisible(main));
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitForWindowGone(main, 15000));
}

// Every line of the corpus a BSTR can carry, built by ChrW, and caller
// formats whose width and precision count characters over such text. Wine's
// VBScript has no ChrW (error 445): there the script reads the same texts
// from a UTF-16 file by the scripting runtime's TextStream, so that the
// object still gets them as BSTRs from a script. (An array in that script
// crashes Wine's VBScript; each call reads its texts itself.)
TEST_F(AutomationTest, ScriptsWriteEveryScriptAndFormatsCountCharacters) {
  struct Call {
    std::string method;
    std::vector<std::string> texts;  // the arguments after the type, as UTF-8
    std::string shown;
    std::string number;  // a last argument that is no text
  };
  const std::string grin = "😀";  // U+1F600, a surrogate pair in a BSTR
  std::vector<Call> calls;
  for (const test::CorpusLine& line : test::TextCorpus())
    if (!line.invalid) calls.push_back({"Write", {line.shown}, line.shown, ""});  // no UTF-16 holds an invalid one
  const std::size_t corpusCalls = calls.size();
  // The precision takes whole characters; the width pads by characters.
  calls.push_back({"WriteS", {"[%-8.3s]", "Łódź żółw"}, "[Łód     ]", ""});
  calls.push_back({"WriteS", {"[%6.2s]", grin + grin + "x"}, "[    😀😀]", ""});
  calls.push_back({"WriteS", {"[%.1s]", grin}, "[😀]", ""});
  calls.push_back({"WriteS", {"Σφάλμα: [%-4s]", "连接"}, "Σφάλμα: [连接  ]", ""});
  calls.push_back({"WriteS", {"[%5s]", "ошибка"}, "[ошибка]", ""});
  calls.push_back({"WriteV", {"%s/%3.1s/%-3s|", "ж", "连接", grin}, "ж/  连/😀  |", ""});
  calls.push_back({"WriteL", {"Błąd %5d ł"}, "Błąd   110 ł", "110"});

  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string path = std::string(temp) + "ploxen_every_script.vbs";
  const std::string textsPath = std::string(temp) + "ploxen_every_script.txt";
  std::u16string texts = u"\xFEFF";
  std::string script =
      "Set Ploxen = CreateObject(\"Ploxen\")\r\n"
      "Ploxen.Uhrzeit = False\r\n"
      "On Error Resume Next\r\n"
      "Dim Probe, ByChrW, Stream\r\n"
      "Probe = ChrW(&H141)\r\n"
      "ByChrW = (Err.Number = 0)\r\n"
      "On Error GoTo 0\r\n"
      "If ByChrW Then WScript.Echo \"ChrW\" Else WScript.Echo \"TextStream\"\r\n"
      "Set Stream = CreateObject(\"Scripting.FileSystemObject\").OpenTextFile(\"" + textsPath + "\", 1, False, -1)\r\n";
  for (const Call& call : calls) {
    std::string byChrW = "Ploxen." + call.method + " 0";
    std::string byStream = byChrW;
    for (const std::string& text : call.texts) {
      byChrW += ", " + ChrWText(text);
      byStream += ", Stream.ReadLine";  // the texts in the order of the calls
      texts += Utf8ToUtf16(text) + u"\r\n";
    }
    if (!call.number.empty()) {
      byChrW += ", " + call.number;
      byStream += ", " + call.number;
    }
    script += "If ByChrW Then\r\n  " + byChrW + "\r\nElse\r\n  " + byStream + "\r\nEnd If\r\n";
  }
  script += "Stream.Close\r\nSet Ploxen = Nothing\r\nWScript.Echo \"fertig\"\r\n";
  std::ofstream(path, std::ios::binary) << script;
  std::ofstream(textsPath, std::ios::binary)
      .write(reinterpret_cast<const char*>(texts.data()), static_cast<std::streamsize>(texts.size() * 2));

  ToolProcess client;
  ASSERT_TRUE(client.Start("cscript.exe //nologo \"" + path + "\""));
  EXPECT_EQ(client.Wait(60000), 0u) << client.Output();
  DeleteFileA(path.c_str());
  DeleteFileA(textsPath.c_str());
  // Wine's script host ends a script at an error without a word.
  ASSERT_NE(client.Output().find("fertig"), std::string::npos) << client.Output();
  const DWORD server = ServerOf(client.Id(), 0);
  ASSERT_NE(server, 0u);
  const EndedWithTheTest serverEnds(server);
  HWND main = MainWindowOf(server);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitForRows(main, static_cast<int>(calls.size()), 20000)) << ListRowCount(main);

  std::int32_t version = 0;
  const std::vector<std::string> messages =
      SavedMessages(server, main, std::string(temp) + "ploxen_every_script.bin", version);
  EXPECT_EQ(version, kBinaryFileVersionUtf8);
  ASSERT_EQ(messages.size(), calls.size());
  for (std::size_t i = 0; i < calls.size(); ++i)
    EXPECT_EQ(messages[i], calls[i].shown) << (i < corpusCalls ? "corpus line " : "format ") << i << " by "
                                           << client.Output().substr(0, client.Output().find('\n'));

  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitForWindowGone(main, 15000));
}

}  // namespace
}  // namespace ploxen::system_test
