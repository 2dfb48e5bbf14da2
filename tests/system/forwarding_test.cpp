// Forwarding to a real syslog server nobody here wrote: Debian's rsyslogd,
// started natively by rsyslog.sh on a free port of 127.0.0.1, receives every
// row PLOXEN shows, in order, over TCP and over UDP; rows that wait while it
// is not there yet, or gone for a while, arrive when it is back, none lost.
// ctest names the folder (PLOXEN_RSYSLOG) that holds the script and a folder
// for each test's server; its fixture also ends any server a test left.
#include "tests/system/rsyslog_server.h"

#include "tests/system/ploxen_test.h"
#include "tests/support/text_corpus.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace ploxen::system_test {
namespace {

using rsyslog::Received;
using rsyslog::RsyslogServer;

std::string ComputerName() {
  char name[256] = {};
  DWORD size = sizeof name;
  if (GetComputerNameExA(ComputerNameDnsHostname, name, &size) && name[0]) return name;
  size = sizeof name;
  GetComputerNameA(name, &size);
  return name;
}

class Forwarding : public PloxenTest {
 protected:
  void SetUp() override {
    const char* root = std::getenv("PLOXEN_RSYSLOG");
    if (!root || !*root) GTEST_SKIP() << "PLOXEN_RSYSLOG names no folder: the test runs through ctest";
    if (!rsyslog::Installed()) GTEST_SKIP() << "rsyslogd is not installed (Debian package rsyslog)";
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    winsock_ = true;
    port_ = rsyslog::FreePort();
    ASSERT_NE(port_, 0);
    root_ = root;
    rsyslog_ = std::make_unique<RsyslogServer>(Script(), Folder(), port_);
  }
  void TearDown() override {
    PloxenTest::TearDown();
    if (rsyslog_) {
      EXPECT_EQ(rsyslog_->Stop(), "");
    }
    rsyslog_.reset();
    if (winsock_) WSACleanup();
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

  std::string Script() const { return root_ + "/rsyslog.sh"; }
  // A folder of the test's own; a case of a table has a slash in its name.
  std::string Folder() const {
    std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '_');
    return root_ + "/" + name;
  }

  bool winsock_ = false;
  std::string root_;
  int port_ = 0;
  std::unique_ptr<RsyslogServer> rsyslog_;
};

struct ProtocolCase {
  const char* protocol;  // ZIELPROTOKOLL
  int rows;              // by copy-data, besides the two of the other roads
};

class EveryRowShown : public Forwarding, public ::testing::WithParamInterface<ProtocolCase> {};

TEST_P(EveryRowShown, ReachesRsyslogInOrder) {
  const ProtocolCase c = GetParam();
  ASSERT_EQ(rsyslog_->Start(), "");
  StartForwarding((std::string("forward_") + c.protocol).c_str(), c.protocol);
  SendRows(1, c.rows);
  // Another road, with the stamp and the placeholder in the first columns,
  // and a text beyond ASCII.
  HWND dbWin32 = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (dbWin32 = ProcessWindowOfClass(ploxen_.Id(), "DBWin32")) != nullptr; }));
  ASSERT_TRUE(SendLine(dbWin32, 0x303, "vom anderen Weg"));
  ASSERT_TRUE(SendLine(main_, 0x403, "Gr\xFC\xDF" "e \x80"));
  const std::size_t rows = static_cast<std::size_t>(c.rows);
  ASSERT_TRUE(WaitForRows(main_, c.rows + 2));
  ASSERT_TRUE(WaitForMessages(rows + 2)) << rsyslog_->Messages().size() << " of " << rows + 2;

  const std::vector<Received> received = rsyslog_->Messages();
  ASSERT_EQ(received.size(), rows + 2) << "nothing more than the rows";
  std::vector<std::string> expected = ListTexts();
  EXPECT_EQ(std::vector<std::string>(expected.begin(), expected.begin() + c.rows), Numbered(1, c.rows));
  expected.back() = "\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC";  // UTF-8, marked by its BOM
  EXPECT_EQ(Texts(received), expected);
  EXPECT_EQ(expected[rows].substr(0, 18), "PID=????,TID=???? ") << expected[rows];
  const std::string host = ComputerName();
  for (int i = 1; i <= c.rows; ++i) {
    const Received& r = received[static_cast<std::size_t>(i - 1)];
    ASSERT_EQ(r.severity, Severity(i)) << r.text;
    ASSERT_EQ(r.host, host);
    ASSERT_EQ(r.app, "PLOXEN");
  }
  Close();
}

INSTANTIATE_TEST_SUITE_P(Forwarding, EveryRowShown,
                         ::testing::Values(ProtocolCase{"TCP", 1000}, ProtocolCase{"UDP", 300}),
                         [](const auto& info) { return std::string(info.param.protocol); });

// The setup docs/usage.md gives, with PLOXEN forwarding to that same
// rsyslog: rsyslog sends every message on to PLOXEN's syslog road ("*.*
// @@pc:514", RFC 3164, the application "PLOXEN" kept as the tag), so every
// row PLOXEN forwards comes back. It is shown, and not forwarded again: each
// row reaches rsyslog once and comes back once, and nothing goes round.
// Every script reaches the server as the row shows it, sent once as UTF-8:
// marked by its BOM where it is not ASCII, never encoded twice.
TEST_F(Forwarding, EveryScriptReachesRsyslogByteForByte) {
  ASSERT_EQ(rsyslog_->Start(), "");
  StartForwarding("forward_scripts", "TCP");
  const std::vector<test::CorpusLine>& corpus = test::TextCorpus();
  for (const test::CorpusLine& line : corpus) ASSERT_TRUE(SendLine(main_, 0x303, line.sent)) << line.name;
  ASSERT_TRUE(WaitForRows(main_, static_cast<int>(corpus.size())));
  ASSERT_TRUE(WaitForMessages(corpus.size())) << rsyslog_->Messages().size() << " of " << corpus.size();
  const std::vector<std::string> received = Texts(rsyslog_->Messages());
  ASSERT_EQ(received.size(), corpus.size());
  for (std::size_t i = 0; i < corpus.size(); ++i) {
    const std::string& shown = corpus[i].shown;
    const bool ascii = std::all_of(shown.begin(), shown.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    EXPECT_EQ(received[i], ascii ? shown : "\xEF\xBB\xBF" + shown) << corpus[i].name;
  }
  Close();
}

TEST_F(Forwarding, RowsARelaySendsBackAreShownButNotForwardedAgain) {
  const int syslog = rsyslog::FreePort();
  ASSERT_TRUE(syslog != 0 && syslog != port_);
  Start("forward_relay", [&](TestProfile& p) {
    p.Write("NETZ", "SYSLOG", "1");
    p.Write("NETZ", "SYSLOGPORT", std::to_string(syslog));
    p.Write("NETZ", "WEITERLEITEN", "1");
    p.Write("NETZ", "ZIEL", "127.0.0.1:" + std::to_string(port_));
  });
  rsyslog_ = std::make_unique<RsyslogServer>(Script(), Folder(), port_, syslog);
  ASSERT_EQ(rsyslog_->Start(), "");
  constexpr int kRows = 100;
  SendRows(1, kRows);
  ASSERT_TRUE(WaitForRows(main_, 2 * kRows, 30000)) << ListRowCount(main_);
  Sleep(2000);  // a row forwarded again would come round meanwhile
  EXPECT_EQ(ListRowCount(main_), 2 * kRows);
  EXPECT_EQ(Texts(rsyslog_->Messages()), Numbered(1, kRows));
  std::vector<int> seen(kRows + 1, 0);
  const std::string back = "PID=" + ComputerName() + " PLOXEN,TID=-";
  for (int row = 0; row < ListRowCount(main_); ++row) {
    const std::string text = ListRowText(main_, row, 2);
    const int i = std::atoi(text.c_str() + 6);
    ASSERT_TRUE(text.rfind("Zeile ", 0) == 0 && i >= 1 && i <= kRows) << text;
    ++seen[static_cast<std::size_t>(i)];
    const std::string process = ListRowText(main_, row, 0);
    if (!process.empty()) {
      EXPECT_EQ(process, back.substr(0, 49)) << "the column holds 49 characters";
    }
  }
  for (int i = 1; i <= kRows; ++i) EXPECT_EQ(seen[static_cast<std::size_t>(i)], 2) << "Zeile " << i;
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

  ASSERT_EQ(rsyslog_->Stop(), "");
  SendRows(101, 200);
  ASSERT_TRUE(WaitForRows(main_, 200));
  Sleep(1000);
  ASSERT_EQ(rsyslog_->Start(), "");
  ASSERT_TRUE(WaitForMessages(200)) << rsyslog_->Messages().size() << " of 200";
  EXPECT_EQ(Texts(rsyslog_->Messages()), Numbered(1, 200));
  ASSERT_TRUE(Responsive(main_));
  Close();
}

// A target that takes no connection and refuses none (its queue of
// connections is full, so its system drops the requests): PLOXEN.EXE still
// goes at once when closed, long before an attempt to connect gives up.
using ForwardingStop = PloxenTest;

TEST_F(ForwardingStop, ClosingWhileTheTargetDoesNotAnswerIsQuick) {
  WSADATA data;
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 1), 0);
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  std::vector<SOCKET> fillers;
  for (int i = 0; i < 4; ++i) {
    fillers.push_back(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    u_long nonBlocking = 1;
    ioctlsocket(fillers.back(), FIONBIO, &nonBlocking);
    connect(fillers.back(), reinterpret_cast<sockaddr*>(&address), sizeof address);
  }
  Sleep(300);

  Start("forward_stop", Keys({{"NETZ.WEITERLEITEN", "1"},
                              {"NETZ.ZIEL", "127.0.0.1:" + std::to_string(ntohs(address.sin_port))}}));
  ASSERT_TRUE(SendLine(main_, 0x303, "wartet auf das Ziel"));
  Sleep(1000);  // the worker is trying to connect now
  PostMessageA(main_, WM_CLOSE, 0, 0);
  // An attempt to connect gives up only after 10 s.
  ExpectExit(0, 5000);
  for (SOCKET filler : fillers) closesocket(filler);
  closesocket(listener);
  WSACleanup();
}

}  // namespace
}  // namespace ploxen::system_test
