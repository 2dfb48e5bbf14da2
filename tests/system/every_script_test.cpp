// Each line of the shared corpus by every road that can carry it: what each
// row holds, read back from a saved file (version 2, as the corpus goes
// beyond code page 1252), is the line as sent.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/intake.h"
#include "core/row_store.h"
#include "core/text.h"
#include "storage/binary_file.h"
#include "storage/byte_stream.h"
#include "tests/support/text_corpus.h"
#include "tests/system/ploxen_test.h"

namespace ploxen::system_test {
namespace {

using test::CorpusLine;
using test::TextCorpus;

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The corpus's bytes, one line each, for a sender that reads a file.
std::string CorpusLines(const std::string& before = "", const std::string& after = "\n") {
  std::string text;
  for (const CorpusLine& line : TextCorpus()) text += before + line.sent + after;
  return text;
}

// A tool started with a Unicode command line, as a user's shell starts it.
DWORD RunWide(const std::string& program, const std::string& utf8Arguments) {
  const std::u16string line = Utf8ToUtf16("\"" + ProgramDirectory() + "\\" + program + "\" " + utf8Arguments);
  std::wstring command(line.begin(), line.end());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &info))
    return STILL_ACTIVE;
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(info.hProcess, 30000) == WAIT_OBJECT_0) GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return code;
}

// A Linux program through /bin/sh; its end shows by a file the shell writes last.
int RunUnix(const std::string& command) {
  static int runs = 0;
  const std::string base = "/tmp/ploxen_scripts_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++runs);
  std::string line = "/bin/sh -c \"" + command + " >/dev/null 2>&1; echo $? >" + base + ".tmp; mv " + base + ".tmp " +
                     base + ".done\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return -1;
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  const std::string done = "Z:" + base + ".done";
  if (!WaitUntil([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 30000)) return -1;
  const int code = std::atoi(FileBytes(done).c_str());
  DeleteFileA(done.c_str());
  return code;
}

int FreePort() {
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int size = sizeof local;
  const bool bound = bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0 &&
                     getsockname(s, reinterpret_cast<sockaddr*>(&local), &size) == 0;
  closesocket(s);
  return bound ? ntohs(local.sin_port) : 0;
}

bool Accepts(int port) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  to.sin_port = htons(static_cast<u_short>(port));
  const bool connected = connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
  closesocket(s);
  return connected;
}

// What follows a line stamp "(00012ms)   " and the road's own start.
std::string After(const std::string& message, const std::string& start) {
  const std::size_t at = message.find(start);
  return at == std::string::npos ? "(no \"" + start + "\" in) " + message : message.substr(at + start.size());
}

class EveryScript : public PloxenTest {
 protected:
  EveryScript() {
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~EveryScript() override { WSACleanup(); }

  // The message column of every row, from the file "Speichern" writes,
  // which must be version 2.
  std::vector<std::string> SavedMessages() {
    const std::string path = TempPath("scripts.bin");
    DeleteFileA(path.c_str());
    std::vector<std::string> messages;
    EXPECT_TRUE(RunFileDialog(ploxen_.Id(), main_, kSaveButton, path));
    const std::string bytes = FileBytes(path);
    DeleteFileA(path.c_str());
    MemorySource source(bytes.data(), bytes.size());
    MessageRows rows;
    const BinaryReadResult read = ReadBinaryFile(source, rows);
    EXPECT_EQ(read.status, BinaryReadResult::kComplete);
    EXPECT_EQ(read.version, kBinaryFileVersionUtf8);
    for (std::size_t i = 0; i < rows.size(); ++i) messages.emplace_back(rows.Row(i).Text(2));
    return messages;
  }
  // Waits for the rows, then checks each saved message, after its road's
  // start, against the corpus in order from `first`.
  void ExpectCorpus(std::size_t rows, std::size_t first, const std::string& start,
                    const std::function<bool(const CorpusLine&)>& carried = {}) {
    ASSERT_TRUE(WaitForRows(main_, static_cast<int>(rows), 30000)) << ListRowCount(main_) << " of " << rows;
    const std::vector<std::string> messages = SavedMessages();
    ASSERT_GE(messages.size(), rows);
    std::size_t at = first;
    for (const CorpusLine& line : TextCorpus()) {
      if (carried && !carried(line)) continue;
      ASSERT_LT(at, messages.size());
      const std::string after = After(messages[at], start);
      // A stamp or the road's start before it leaves less of a long line.
      if (CharacterCount(messages[at]) == kMessageMax) {
        EXPECT_EQ(after, CutToCharacters(line.shown, CharacterCount(after))) << line.name;
      } else {
        EXPECT_EQ(after, line.shown) << line.name;
      }
      ++at;
    }
  }
  static bool Valid(const CorpusLine& line) { return !line.invalid; }
  // A line a command line can carry in quotes.
  static bool Quotable(const CorpusLine& line) { return Valid(line) && line.shown.find('"') == std::string::npos; }
};

TEST_F(EveryScript, CopyDataToTheMainWindowAndToDbWin32) {
  Start("scripts_copydata", Keys({{"DBWIN32", "1"}}));
  HWND listener = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (listener = ProcessWindowOfClass(ploxen_.Id(), "DBWin32")) != nullptr; }));
  for (const CorpusLine& line : TextCorpus()) ASSERT_TRUE(SendLine(main_, 0x303, line.sent)) << line.name;
  for (const CorpusLine& line : TextCorpus()) ASSERT_TRUE(SendLine(listener, 0, line.sent)) << line.name;
  const std::size_t n = TextCorpus().size();
  ExpectCorpus(2 * n, 0, "");
  ExpectCorpus(2 * n, n, "ms)   ");
  Close();
}

// ploxen_send takes its arguments as Unicode and sends UTF-8, to either window.
TEST_F(EveryScript, TheSenderTakesUnicodeArguments) {
  Start("scripts_sender", Keys({{"DBWIN32", "1"}}));
  const std::string pid = "-pid " + std::to_string(ploxen_.Id()) + " ";
  std::size_t sent = 0;
  for (const CorpusLine& line : TextCorpus()) {
    if (!Quotable(line)) continue;
    ASSERT_EQ(RunWide("ploxen_send.exe", pid + "\"" + line.shown + "\""), 0u) << line.name;
    ASSERT_EQ(RunWide("ploxen_send.exe", pid + "-dbwin32 \"" + line.shown + "\""), 0u) << line.name;
    sent += 2;
  }
  ASSERT_TRUE(WaitForRows(main_, static_cast<int>(sent), 30000));
  const std::vector<std::string> messages = SavedMessages();
  ASSERT_EQ(messages.size(), sent);
  std::size_t at = 0;
  for (const CorpusLine& line : TextCorpus()) {
    if (!Quotable(line)) continue;
    EXPECT_EQ(messages[at++], line.shown) << line.name;
    const std::string after = After(messages[at++], "ms)   ");
    EXPECT_EQ(after, CutToCharacters(line.shown, CharacterCount(after))) << line.name;
  }
  Close();
}

TEST_F(EveryScript, TheMailslot) {
  MachineTurn turn(kMailslotTurn);
  ASSERT_TRUE(turn.Held());
  Start("scripts_mailslot", Keys({{"FERNDEBUG", "1"}, {"INTERVALL", "100"}}));
  ASSERT_TRUE(WaitUntil(MailslotExists));
  std::string arguments;
  int sequence = 0;
  for (const CorpusLine& line : TextCorpus()) {
    const std::string path = TempPath("scripts_slot_" + std::to_string(++sequence));
    WriteFile(path, std::to_string(sequence) + ",PC," + "259," + line.sent);
    arguments += " -rawfile \"" + path + "\"";
  }
  const ToolRun run = RunTool("ploxen_mailslot_send.exe", arguments);
  EXPECT_EQ(run.exitCode, 0u) << run.errors;
  ExpectCorpus(TextCorpus().size(), 0, "(PC)  ");
  // The sender's arguments are Unicode too.
  const CorpusLine& polish = TextCorpus()[3];
  ASSERT_EQ(RunWide("ploxen_mailslot_send.exe", "-seq 100 -host ŁÓDŹ \"" + polish.shown + "\""), 0u);
  ASSERT_TRUE(WaitForRows(main_, static_cast<int>(TextCorpus().size() + 1)));
  EXPECT_EQ(SavedMessages().back(), "(ŁÓDŹ)  " + polish.shown);
  Close();
}

TEST_F(EveryScript, RemoteLinesOverUdpAndTcp) {
  const int port = FreePort();
  ASSERT_NE(port, 0);
  Start("scripts_remote", Keys({{"NETZ.FERNMELDUNGEN", "1"}, {"NETZ.FERNPORT", std::to_string(port)},
                                {"NETZ.ABSENDER", ""}}));
  ASSERT_TRUE(WaitUntil([port] { return Accepts(port); }));
  const std::string address = " 127.0.0.1:" + std::to_string(port);
  std::string udp;
  std::string tcp;
  int sequence = 0;
  for (const CorpusLine& line : TextCorpus()) {
    const std::string path = TempPath("scripts_udp_" + std::to_string(++sequence));
    WriteFile(path, std::to_string(sequence) + ",PC,259," + line.sent);
    udp += " -rawfile \"" + path + "\"";
  }
  const std::string tcpFile = TempPath("scripts_tcp");
  std::string lines;
  for (const CorpusLine& line : TextCorpus()) lines += std::to_string(++sequence) + ",PC,259," + line.sent + "\n";
  WriteFile(tcpFile, lines);
  const std::size_t n = TextCorpus().size();
  ToolRun run = RunTool("ploxen_mailslot_send.exe", "-udp" + address + udp);
  EXPECT_EQ(run.exitCode, 0u) << run.errors;
  ASSERT_TRUE(WaitForRows(main_, static_cast<int>(n), 30000));
  run = RunTool("ploxen_mailslot_send.exe", "-tcp" + address + " -rawfile \"" + tcpFile + "\"");
  EXPECT_EQ(run.exitCode, 0u) << run.errors;
  ExpectCorpus(2 * n, 0, "(PC)  ");
  ExpectCorpus(2 * n, n, "(PC)  ");
  Close();
}

// util-linux's logger sends UTF-8 without a mark; the same lines with one.
TEST_F(EveryScript, SyslogFromLoggerWithAndWithoutAMark) {
  if (GetFileAttributesA("Z:\\usr\\bin\\logger") == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no util-linux logger";
  const int port = FreePort();
  ASSERT_NE(port, 0);
  Start("scripts_syslog", Keys({{"NETZ.SYSLOG", "1"}, {"NETZ.SYSLOGPORT", std::to_string(port)},
                                {"NETZ.ABSENDER", ""}}));
  ASSERT_TRUE(WaitUntil([port] { return Accepts(port); }));
  const std::string mark(kUtf8ByteOrderMark);
  // Only the lines without a mark of their own: a second one would be text.
  const auto unmarked = [](const CorpusLine& line) { return line.reading != EightBitReading::kMarkedUtf8; };
  std::string plain;
  std::string marked;
  std::size_t count = 0;
  for (const CorpusLine& line : TextCorpus()) {
    if (!unmarked(line)) continue;
    plain += line.sent + "\n";
    marked += mark + line.sent + "\n";
    ++count;
  }
  // Written where the Linux program reads them: Wine's drive Z is the root.
  const std::string base = "/tmp/ploxen_scripts_" + std::to_string(GetCurrentProcessId());
  WriteFile("Z:" + base + "_plain", plain);
  WriteFile("Z:" + base + "_marked", marked);
  const std::string logger = "/usr/bin/logger --server 127.0.0.1 --port " + std::to_string(port) + " -t app ";
  const struct {
    const char* how;
    const char* file;
  } sends[] = {{"--udp --rfc5424", "_plain"}, {"--tcp --rfc3164", "_plain"},
               {"--udp --rfc3164", "_marked"}, {"--tcp --rfc5424 --octet-count", "_marked"}};
  std::size_t rows = 0;
  for (const auto& send : sends) {
    ASSERT_EQ(RunUnix(logger + send.how + " -f " + base + send.file), 0) << send.how;
    rows += count;
    ASSERT_TRUE(WaitForRows(main_, static_cast<int>(rows), 30000)) << send.how << ": " << ListRowCount(main_);
  }
  DeleteFileA(("Z:" + base + "_plain").c_str());
  DeleteFileA(("Z:" + base + "_marked").c_str());
  const std::vector<std::string> messages = SavedMessages();
  ASSERT_EQ(messages.size(), rows);
  std::size_t at = 0;
  for (int round = 0; round < 4; ++round) {
    for (const CorpusLine& line : TextCorpus()) {
      if (!unmarked(line)) continue;
      // Behind a mark every line is UTF-8: what is not becomes U+FFFD.
      const std::string expected = round < 2 ? line.shown : EightBitToUtf8(mark + line.sent);
      EXPECT_EQ(messages[at++], expected) << sends[round].how << " " << line.name;
    }
  }
  Close();
}

// The system-wide buffer from ploxen_ods_send: the corpus's bytes by
// OutputDebugStringA, and its lines given as Unicode arguments, sent UTF-8.
TEST_F(EveryScript, TheSystemWideBuffer) {
  MachineTurn turn(kSystemWideTurn);
  ASSERT_TRUE(turn.Held());
  ASSERT_TRUE(WaitUntil([] { return !DebugOutputHeld(); }, 30000)) << "a monitor left over from before";
  Start("scripts_systemwide", Keys({{"SYSTEMWEIT", "1"}}));
  ASSERT_TRUE(WaitUntil(DebugOutputHeld, 30000));
  const std::string file = TempPath("scripts_ods");
  WriteFile(file, CorpusLines());
  ToolRun run = RunTool("ploxen_ods_send.exe", "-file \"" + file + "\"");
  EXPECT_EQ(run.exitCode, 0u) << run.errors;
  const std::size_t n = TextCorpus().size();
  ASSERT_TRUE(WaitForRows(main_, static_cast<int>(n), 30000));
  std::string texts;
  std::size_t valid = 0;
  for (const CorpusLine& line : TextCorpus())
    if (Quotable(line)) {
      texts += " -text \"" + line.shown + "\"";
      ++valid;
    }
  ASSERT_EQ(RunWide("ploxen_ods_send.exe", texts), 0u);
  ExpectCorpus(n + valid, 0, "] ");
  ExpectCorpus(n + valid, n, "] ", Quotable);
  Close();
}

// A debugged child's ANSI strings by the 8-bit rule; its wide strings as
// UTF-16 where the platform has WaitForDebugEventEx, else as the platform
// narrows them to the child's ANSI code page.
TEST_F(EveryScript, ADebuggedChildsAnsiAndWideStrings) {
  const std::string ansi = TempPath("scripts_ansi");
  const std::string wide = TempPath("scripts_wide");
  // The monitor reads 512 bytes of a string; a longer one loses its end,
  // its line end too.
  const auto readWhole = [](const CorpusLine& line) { return line.sent.size() < 511; };
  const auto readWholeWide = [](const CorpusLine& line) {
    return Valid(line) && Utf8ToUtf16(line.shown).size() < 255;
  };
  std::string ansiLines;
  std::string valid;
  for (const CorpusLine& line : TextCorpus()) {
    if (readWhole(line)) ansiLines += line.sent + "\n";
    if (readWholeWide(line)) valid += line.shown + "\n";
  }
  WriteFile(ansi, ansiLines);
  WriteFile(wide, valid);
  StartWith("scripts_debug",
            "\"" + ProgramDirectory() + "\\ploxen_debug_child.exe\" ansifile:" + ansi + " widefile:" + wide,
            Keys({{"LISTBOX.B_TRACE", "1"}, {"LISTBOX.B_DLL", "0"}, {"LISTBOX.B_EXCEPTION", "0"},
                  {"LISTBOX.B_THREAD", "0"}, {"LISTBOX.B_PROCESS", "0"}}));
  std::size_t n = 0;
  std::size_t wideLines = 0;
  for (const CorpusLine& line : TextCorpus()) {
    n += readWhole(line) ? 1 : 0;
    wideLines += readWholeWide(line) ? 1 : 0;
  }
  ExpectCorpus(n + wideLines, 0, "", readWhole);
  const bool unicode = GetProcAddress(GetModuleHandleA("kernel32.dll"), "WaitForDebugEventEx") != nullptr;
  const std::vector<std::string> messages = SavedMessages();
  std::size_t at = n;
  for (const CorpusLine& line : TextCorpus()) {
    if (!readWholeWide(line)) continue;
    std::string expected = line.shown;
    if (!unicode) {
      const std::u16string units = Utf8ToUtf16(line.shown);
      const std::wstring text(units.begin(), units.end());
      const int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
      std::string narrow(static_cast<std::size_t>(size), '\0');
      WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &narrow[0], size, nullptr, nullptr);
      expected = EightBitToUtf8(narrow);
    }
    ASSERT_LT(at, messages.size());
    EXPECT_EQ(messages[at++], expected) << line.name << (unicode ? " (UTF-16)" : " (narrowed by the platform)");
  }
  Close();
}

}  // namespace
}  // namespace ploxen::system_test
