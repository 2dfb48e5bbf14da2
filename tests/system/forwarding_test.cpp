// Forwarding to a real syslog server nobody here wrote: Debian's rsyslogd,
// started natively by rsyslog.sh on a free port of 127.0.0.1, receives every
// row PLOXEN shows, in order, over TCP and over UDP; rows that wait while it
// is not there yet, or gone for a while, arrive when it is back, none lost.
// ctest names the folder (PLOXEN_RSYSLOG) that holds the script and a folder
// for each test's server; its fixture also ends any server a test left.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "tests/system/ploxen_test.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace ploxen::system_test {
namespace {

std::string WindowsPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A port of 127.0.0.1 that nothing uses, for TCP and UDP alike.
int FreePort() {
  for (int attempt = 0; attempt < 50; ++attempt) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    SOCKET tcp = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    int length = sizeof address;
    bind(tcp, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(tcp, reinterpret_cast<sockaddr*>(&address), &length);
    SOCKET udp = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    const bool free = bind(udp, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    closesocket(udp);
    closesocket(tcp);
    if (free && address.sin_port != 0) return ntohs(address.sin_port);
  }
  return 0;
}

std::string ComputerName() {
  char name[256] = {};
  DWORD size = sizeof name;
  if (GetComputerNameExA(ComputerNameDnsHostname, name, &size) && name[0]) return name;
  size = sizeof name;
  GetComputerNameA(name, &size);
  return name;
}

struct Received {
  std::string host, app, severity, text;
};

// rsyslogd in a folder of its own, started and stopped through the script.
class Rsyslog {
 public:
  Rsyslog(std::string script, std::string folder, int port)
      : script_(std::move(script)), folder_(std::move(folder)), port_(port) {
    DeleteFileA(WindowsPath(folder_ + "/received.log").c_str());
  }
  ~Rsyslog() { Stop(); }
  Rsyslog(const Rsyslog&) = delete;
  Rsyslog& operator=(const Rsyslog&) = delete;

  // Empty once it takes messages over TCP and UDP, else what went wrong.
  std::string Start() {
    const std::string outcome = Run("start \"" + folder_ + "\" " + std::to_string(port_));
    if (outcome != "ok") return outcome;
    running_ = true;
    // Probes until one of each kind came through: only then is a row that
    // is sent lost by the server's fault, not because it was still starting.
    bool tcp = false, udp = false;
    for (int attempt = 0; attempt < 100 && !(tcp && udp); ++attempt) {
      if (!tcp) Probe(SOCK_STREAM, "<13>1 - - PROBE - - - tcp\n");
      if (!udp) Probe(SOCK_DGRAM, "<13>1 - - PROBE - - - udp");
      Sleep(200);
      for (const Received& r : All()) {
        tcp = tcp || (r.app == "PROBE" && r.text == "tcp");
        udp = udp || (r.app == "PROBE" && r.text == "udp");
      }
    }
    return tcp && udp ? "" : "rsyslogd took no probe within 20 s";
  }
  void Stop() {
    if (!running_) return;
    running_ = false;
    EXPECT_EQ(Run("stop \"" + folder_ + "\""), "ok");
  }
  // What it received from PLOXEN, in order.
  std::vector<Received> Messages() const {
    std::vector<Received> rows;
    for (Received& r : All())
      if (r.app != "PROBE") rows.push_back(std::move(r));
    return rows;
  }

 private:
  // Wine starts the Unix program but gives no process to wait for: the
  // script writes its outcome into a marker file.
  std::string Run(const std::string& arguments) {
    const std::string marker = folder_ + ".marker";
    DeleteFileA(WindowsPath(marker).c_str());
    std::string line = "/bin/sh \"" + script_ + "\" " + arguments + " \"" + marker + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
      return "cannot start /bin/sh";
    if (info.hThread) CloseHandle(info.hThread);
    if (info.hProcess) CloseHandle(info.hProcess);
    const std::string path = WindowsPath(marker);
    if (!WaitUntil([&] { return Exists(path); }, 30000)) return "rsyslog.sh wrote no outcome";
    std::string outcome;
    WaitUntil([&] {
      outcome = FileText(path);
      return !outcome.empty() && outcome.back() == '\n';
    });
    while (!outcome.empty() && (outcome.back() == '\n' || outcome.back() == '\r')) outcome.pop_back();
    return outcome;
  }
  void Probe(int type, const char* message) const {
    SOCKET s = socket(AF_INET, type, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port_));
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
      send(s, message, static_cast<int>(std::strlen(message)), 0);
    closesocket(s);
  }
  // host TAB app TAB severity TAB message, one a line.
  std::vector<Received> All() const {
    std::vector<Received> rows;
    std::istringstream in(FileText(WindowsPath(folder_ + "/received.log")));
    std::string line;
    while (std::getline(in, line)) {
      Received r;
      std::istringstream fields(line);
      std::getline(fields, r.host, '\t');
      std::getline(fields, r.app, '\t');
      std::getline(fields, r.severity, '\t');
      std::getline(fields, r.text);
      rows.push_back(std::move(r));
    }
    return rows;
  }

  const std::string script_;
  const std::string folder_;
  const int port_;
  bool running_ = false;
};

class Forwarding : public PloxenTest {
 protected:
  void SetUp() override {
    const char* root = std::getenv("PLOXEN_RSYSLOG");
    if (!root || !*root) GTEST_SKIP() << "PLOXEN_RSYSLOG names no folder: the test runs through ctest";
    if (!Exists("Z:\\usr\\sbin\\rsyslogd")) GTEST_SKIP() << "rsyslogd is not installed (Debian package rsyslog)";
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    port_ = FreePort();
    ASSERT_NE(port_, 0);
    const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    rsyslog_ = std::make_unique<Rsyslog>(std::string(root) + "/rsyslog.sh", std::string(root) + "/" + name, port_);
  }
  void TearDown() override {
    rsyslog_.reset();
    WSACleanup();
  }

  void StartForwarding(const char* name, const char* protocol) {
    Start(name, [&](TestProfile& p) {
      p.Write("ALLGEMEIN", "DBWIN32", "1");
      p.Write("NETZ", "WEITERLEITEN", "1");
      p.Write("NETZ", "ZIEL", "127.0.0.1:" + std::to_string(port_));
      p.Write("NETZ", "ZIELPROTOKOLL", protocol);
    });
  }
  // Rows "Zeile from".."Zeile to" by copy-data, their kinds in turn red,
  // magenta, dark blue, black.
  void SendRows(int from, int to) {
    for (int i = from; i <= to; ++i) ASSERT_TRUE(SendLine(main_, Kind(i), "Zeile " + std::to_string(i)));
  }
  static ULONG_PTR Kind(int i) {
    static const ULONG_PTR kinds[] = {0x103, 0x203, 0x403, 0x303};
    return kinds[i % 4];
  }
  static std::string Severity(int i) {
    static const char* const severities[] = {"3", "4", "6", "5"};
    return severities[i % 4];
  }
  // The list's rows as a syslog server reads them: the non-empty cells,
  // joined by a blank.
  std::vector<std::string> ListTexts() const {
    std::vector<std::string> texts;
    for (int row = 0; row < ListRowCount(main_); ++row) {
      std::string text;
      for (int column = 0; column < 3; ++column) {
        const std::string cell = ListRowText(main_, row, column);
        if (cell.empty()) continue;
        if (!text.empty()) text += ' ';
        text += cell;
      }
      texts.push_back(text);
    }
    return texts;
  }
  bool WaitForMessages(std::size_t count, DWORD timeoutMs = 30000) const {
    return WaitUntil([&] { return rsyslog_->Messages().size() >= count; }, timeoutMs);
  }
  static std::vector<std::string> Texts(const std::vector<Received>& received) {
    std::vector<std::string> texts;
    for (const Received& r : received) texts.push_back(r.text);
    return texts;
  }
  static std::vector<std::string> Numbered(int from, int to) {
    std::vector<std::string> texts;
    for (int i = from; i <= to; ++i) texts.push_back("Zeile " + std::to_string(i));
    return texts;
  }

  int port_ = 0;
  std::unique_ptr<Rsyslog> rsyslog_;
};

TEST_F(Forwarding, EveryRowShownReachesRsyslogInOrderOverTcp) {
  ASSERT_EQ(rsyslog_->Start(), "");
  StartForwarding("forward_tcp", "TCP");
  constexpr int kRows = 1000;
  SendRows(1, kRows);
  // Another road, with the stamp and the placeholder in the first columns,
  // and a text beyond ASCII.
  HWND dbWin32 = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (dbWin32 = ProcessWindowOfClass(ploxen_.Id(), "DBWin32")) != nullptr; }));
  ASSERT_TRUE(SendLine(dbWin32, 0x303, "vom anderen Weg"));
  ASSERT_TRUE(SendLine(main_, 0x403, "Gr\xFC\xDF" "e \x80"));
  ASSERT_TRUE(WaitForRows(main_, kRows + 2));
  ASSERT_TRUE(WaitForMessages(kRows + 2)) << rsyslog_->Messages().size() << " of " << kRows + 2;

  const std::vector<Received> received = rsyslog_->Messages();
  ASSERT_EQ(received.size(), kRows + 2u) << "nothing more than the rows";
  std::vector<std::string> expected = ListTexts();
  expected.back() = "\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC";  // UTF-8, marked by its BOM
  EXPECT_EQ(Texts(received), expected);
  EXPECT_EQ(expected[kRows].substr(0, 18), "PID=????,TID=???? ") << expected[kRows];
  const std::string host = ComputerName();
  for (int i = 1; i <= kRows; ++i) {
    const Received& r = received[static_cast<std::size_t>(i - 1)];
    ASSERT_EQ(r.severity, Severity(i)) << r.text;
    ASSERT_EQ(r.host, host);
    ASSERT_EQ(r.app, "PLOXEN");
  }
  Close();
}

TEST_F(Forwarding, EveryRowShownReachesRsyslogInOrderOverUdp) {
  ASSERT_EQ(rsyslog_->Start(), "");
  StartForwarding("forward_udp", "UDP");
  constexpr int kRows = 300;
  SendRows(1, kRows);
  ASSERT_TRUE(WaitForRows(main_, kRows));
  ASSERT_TRUE(WaitForMessages(kRows)) << rsyslog_->Messages().size() << " of " << kRows;
  const std::vector<Received> received = rsyslog_->Messages();
  EXPECT_EQ(Texts(received), Numbered(1, kRows));
  for (int i = 1; i <= kRows && i <= static_cast<int>(received.size()); ++i)
    ASSERT_EQ(received[static_cast<std::size_t>(i - 1)].severity, Severity(i));
  Close();
}

// Not there at first, then there, then gone for a while and back: the rows
// that waited arrive, in order, none lost and none twice.
TEST_F(Forwarding, RowsWaitWhileRsyslogIsAwayAndArriveWhenItIsBack) {
  StartForwarding("forward_away", "TCP");
  SendRows(1, 100);
  ASSERT_TRUE(WaitForRows(main_, 100));
  Sleep(1500);  // a few attempts fail meanwhile
  EXPECT_TRUE(rsyslog_->Messages().empty());
  ASSERT_EQ(rsyslog_->Start(), "");
  ASSERT_TRUE(WaitForMessages(100)) << rsyslog_->Messages().size() << " of 100";
  EXPECT_EQ(Texts(rsyslog_->Messages()), Numbered(1, 100));

  rsyslog_->Stop();
  SendRows(101, 200);
  ASSERT_TRUE(WaitForRows(main_, 200));
  Sleep(1000);
  ASSERT_EQ(rsyslog_->Start(), "");
  ASSERT_TRUE(WaitForMessages(200)) << rsyslog_->Messages().size() << " of 200";
  EXPECT_EQ(Texts(rsyslog_->Messages()), Numbered(1, 200));
  ASSERT_TRUE(Responsive(main_));
  Close();
}

}  // namespace
}  // namespace ploxen::system_test
