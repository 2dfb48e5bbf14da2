// The network roads as other computers meet them: remote lines from our
// sender, syslog from util-linux's logger, senders not allowed, a port held
// by someone else, and input meant to hurt. Each test takes free ports of its
// own, so tests may run side by side.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "tests/system/ploxen_test.h"

#include <psapi.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <random>
#include <thread>

#include "core/intake.h"
#include "storage/binary_file.h"
#include "storage/byte_stream.h"

namespace ploxen::system_test {
namespace {

sockaddr_in Address(const char* ip, int port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  inet_pton(AF_INET, ip, &a.sin_addr);
  a.sin_port = htons(static_cast<u_short>(port));
  return a;
}

SOCKET BoundSocket(int type, const char* ip, int port = 0) {
  SOCKET s = socket(AF_INET, type, 0);
  const sockaddr_in local = Address(ip, port);
  if (s != INVALID_SOCKET && bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    closesocket(s);
    return INVALID_SOCKET;
  }
  return s;
}

// A port nobody holds now, for UDP and TCP alike.
int FreePort() {
  SOCKET tcp = BoundSocket(SOCK_STREAM, "0.0.0.0");
  sockaddr_in bound{};
  int size = sizeof bound;
  getsockname(tcp, reinterpret_cast<sockaddr*>(&bound), &size);
  SOCKET udp = BoundSocket(SOCK_DGRAM, "0.0.0.0", ntohs(bound.sin_port));
  const int port = udp == INVALID_SOCKET ? 0 : ntohs(bound.sin_port);
  closesocket(udp);
  closesocket(tcp);
  return port;
}

bool SendDatagram(int port, std::string_view bytes) {
  SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
  const sockaddr_in to = Address("127.0.0.1", port);
  const int sent = sendto(s, bytes.data(), static_cast<int>(bytes.size()), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  closesocket(s);
  return sent == static_cast<int>(bytes.size());
}

class Connection {
 public:
  explicit Connection(int port, const char* from = "127.0.0.1") : s_(BoundSocket(SOCK_STREAM, from)) {
    const sockaddr_in to = Address("127.0.0.1", port);
    if (s_ != INVALID_SOCKET && connect(s_, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) Close();
  }
  ~Connection() { Close(); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  bool Open() const { return s_ != INVALID_SOCKET; }
  bool Send(std::string_view bytes) {
    for (int n; !bytes.empty(); bytes.remove_prefix(static_cast<std::size_t>(n)))
      if ((n = send(s_, bytes.data(), static_cast<int>(bytes.size()), 0)) <= 0) return false;
    return true;
  }
  // As much as the sockets' buffers take now, without waiting for the reader.
  void SendWhatFits(std::string_view bytes) {
    u_long nonBlocking = 1;
    ioctlsocket(s_, FIONBIO, &nonBlocking);
    for (int n; !bytes.empty(); bytes.remove_prefix(static_cast<std::size_t>(n)))
      if ((n = send(s_, bytes.data(), static_cast<int>(bytes.size()), 0)) <= 0) return;
  }
  void Close() {
    if (s_ != INVALID_SOCKET) closesocket(s_);
    s_ = INVALID_SOCKET;
  }

 private:
  SOCKET s_;
};

bool SendOnce(int port, std::string_view bytes, const char* from = "127.0.0.1") {
  Connection c(port, from);
  return c.Open() && c.Send(bytes);
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A Linux program through /bin/sh: Wine starts a Unix program but gives no
// handle to wait on, so its end shows by a file the shell writes last. The
// exit code, or -1 when it did not end in time; its output in `output`.
int RunUnix(const std::string& command, std::string& output) {
  static int runs = 0;
  const std::string base = "/tmp/ploxen_unix_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++runs);
  std::string line = "/bin/sh -c \"" + command + " >" + base + ".out 2>&1; echo $? >" + base + ".tmp; mv " + base +
                     ".tmp " + base + ".done\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return -1;
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  const std::string done = "Z:" + base + ".done", out = "Z:" + base + ".out";
  const bool ended = WaitUntil([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 30000);
  const int code = ended ? std::atoi(FileText(done).c_str()) : -1;
  output = FileText(out);
  DeleteFileA(done.c_str());
  DeleteFileA(out.c_str());
  return code;
}

class NetworkTest : public PloxenTest {
 protected:
  NetworkTest() {
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~NetworkTest() override { WSACleanup(); }
  void StartRoads(const char* name, const std::string& senders = "",
                  const std::function<void(TestProfile&)>& more = {}) {
    remote_ = FreePort();
    syslog_ = FreePort();
    ASSERT_TRUE(remote_ && syslog_ && remote_ != syslog_);
    Start(name, [&](TestProfile& profile) {
      if (more) more(profile);
      profile.Write("NETZ", "FERNMELDUNGEN", "1");
      profile.Write("NETZ", "SYSLOG", "1");
      profile.Write("NETZ", "FERNPORT", std::to_string(remote_));
      profile.Write("NETZ", "SYSLOGPORT", std::to_string(syslog_));
      profile.Write("NETZ", "ABSENDER", senders);
    });
    // The window shows before the roads open; a connection is taken once they are.
    for (int port : {remote_, syslog_}) ASSERT_TRUE(WaitUntil([port] { return Connection(port).Open(); }));
  }
  void Sent(const std::string& arguments) {
    const ToolRun run = RunTool("ploxen_mailslot_send.exe", arguments);
    EXPECT_EQ(run.exitCode, 0u) << arguments << ": " << run.errors;
  }
  void Unix(const std::string& command) {
    std::string output;
    EXPECT_EQ(RunUnix(command, output), 0) << command << ": " << output;
  }
  int RowOf(const std::string& message) const {
    for (int row = ListRowCount(main_) - 1; row >= 0; --row)
      if (ListRowText(main_, row, 2) == message) return row;
    return -1;
  }
  bool Shows(const std::string& message) const {
    return WaitUntil([&] { return RowOf(message) >= 0; }, 15000);
  }
  // A good line on a connection of its own, shown.
  void Good(const std::string& text) {
    ASSERT_TRUE(SendOnce(remote_, std::to_string(++sequence_) + ",GUT,259," + text + "\n"));
    ASSERT_TRUE(Shows("(GUT)  " + text)) << text;
  }
  // The kinds of the rows as "Speichern" writes them.
  std::vector<MessageKind> SavedKinds() {
    const std::string path = TempPath("network.bin");
    std::vector<MessageKind> kinds;
    if (!RunFileDialog(ploxen_.Id(), main_, kSaveButton, path)) return kinds;
    const std::string bytes = FileText(path);
    DeleteFileA(path.c_str());
    MemorySource source(bytes.data(), bytes.size());
    MessageRows rows;
    ReadBinaryFile(source, rows);
    for (std::size_t i = 0; i < rows.size(); ++i) kinds.push_back(rows.Row(i).Kind());
    return kinds;
  }
  std::size_t PeakMegabytes() const {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ploxen_.Id());
    PROCESS_MEMORY_COUNTERS counters{};
    const bool got = process && GetProcessMemoryInfo(process, &counters, sizeof counters);
    if (process) CloseHandle(process);
    return got ? counters.PeakWorkingSetSize / (1024 * 1024) : 0;
  }

  int remote_ = 0;
  int syslog_ = 0;
  int sequence_ = 0;
};

TEST_F(NetworkTest, RemoteLinesFromOurSenderOverUdpAndTcpKeepTheRepeatRulePerSender) {
  StartRoads("net_remote");
  const std::string udp = "-udp 127.0.0.1:" + std::to_string(remote_), tcp = "-tcp 127.0.0.1:" + std::to_string(remote_);
  Sent(udp + " -host PC1 -kind 0x103 rot per UDP");
  ASSERT_TRUE(WaitForRows(main_, 1));
  Sent(tcp + " -host PC1 -seq 2 -kind 0x203 -count 3 gelb per TCP");
  ASSERT_TRUE(WaitForRows(main_, 4));
  // The same number from the same sender by the other transport is a
  // repeat; another computer numbers from 1 too; a line in the wrong format
  // is counted, never shown in a box.
  Sent(udp + " -host PC1 -seq 4 wiederholt");
  Sent(udp + " -host PC2 -seq 1 -kind 0x403 anderer Rechner");
  Sent(udp + " -raw \"kein Format\"");
  Sent(tcp + " -raw \"9,PC1,1,mit, Komma\" -raw \"kein Format\" -raw \"10,PC1,771,zuletzt\"");
  ASSERT_TRUE(WaitForRows(main_, 7));
  const char* texts[] = {"(PC1)  rot per UDP",    "(PC1)  gelb per TCP 1", "(PC1)  gelb per TCP 2",
                         "(PC1)  gelb per TCP 3", "(PC2)  anderer Rechner", "(PC1)  mit, Komma", "(PC1)  zuletzt"};
  for (int row = 0; row < 7; ++row) EXPECT_EQ(ListRowText(main_, row, 2), texts[row]) << row;
  EXPECT_EQ(WaitForMessageBox(ploxen_.Id(), 500), nullptr);
  EXPECT_EQ(SavedKinds(), (std::vector<MessageKind>{0x103, 0x203, 0x203, 0x203, 0x403, 1, 0x303}));
}

TEST_F(NetworkTest, SyslogFromLoggerShowsHostAppTimeAndTheSeveritysColour) {
  if (GetFileAttributesA("Z:\\usr\\bin\\logger") == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no util-linux logger";
  StartRoads("net_syslog");
  const std::string logger = "/usr/bin/logger --server 127.0.0.1 --port " + std::to_string(syslog_) + " -t app ";
  const char* sends[] = {"--udp --rfc5424 -p user.err 'rot per UDP'",
                         "--tcp --rfc3164 -p user.warning --id=4711 'magenta per TCP'",
                         "--tcp --rfc5424 --octet-count -p user.info 'blau per TCP'",
                         "--udp --rfc3164 -p user.debug 'schwarz per UDP'"};
  for (int i = 0; i < 4; ++i) {
    Unix(logger + sends[i]);
    ASSERT_TRUE(WaitForRows(main_, i + 1)) << sends[i];
  }
  SYSTEMTIME now;
  GetLocalTime(&now);
  char name[256] = {};
  gethostname(name, sizeof name);
  // RFC 3164 names the host without its domain.
  const std::string host = name, shortHost = host.substr(0, host.find('.'));
  const std::string process[] = {"PID=" + host + " app,TID=-", "PID=" + shortHost + " app[4711],TID=-",
                                 "PID=" + host + " app,TID=-", "PID=" + shortHost + " app,TID=-"};
  const std::string text[] = {"rot per UDP", "magenta per TCP", "blau per TCP", "schwarz per UDP"};
  for (int row = 0; row < 4; ++row) {
    EXPECT_EQ(ListRowText(main_, row, 0), process[row]);
    // The timeQuality element logger puts in every RFC 5424 line is left out.
    EXPECT_EQ(ListRowText(main_, row, 2), text[row]);
    // The sender's time of day in local time: about now.
    const std::string time = ListRowText(main_, row, 1);
    ASSERT_EQ(time.size(), 12u) << time;
    int apart = std::abs(now.wHour * 3600 + now.wMinute * 60 + now.wSecond - std::atoi(time.c_str()) * 3600 -
                         std::atoi(time.c_str() + 3) * 60 - std::atoi(time.c_str() + 6));
    EXPECT_LE(std::min(apart, 86400 - apart), 120) << time;
  }
  EXPECT_EQ(SavedKinds(), (std::vector<MessageKind>{0x103, 0x203, 0x403, 0x303}));
}

TEST_F(NetworkTest, LinesFromASenderNotAllowedAreDroppedOnEveryRoad) {
  StartRoads("net_senders", "127.0.0.1");
  Good("vorher");
  // Wine sends from 127.0.0.1 what a UDP socket bound to 127.0.0.2 sends: a
  // Linux program sends those.
  for (const auto& [port, line] : {std::pair<int, std::string>{remote_, "2,FREMD,259,fremd"}, {syslog_, "<11>fremd"}})
    Unix("perl -MIO::Socket::INET -e '$s = IO::Socket::INET->new(Proto => q{udp}, LocalAddr => q{127.0.0.2}, "
         "PeerAddr => q{127.0.0.1:" + std::to_string(port) + "}) or die $!; $s->send(q{" + line + "}) or die $!'");
  // A connection from there is closed at once.
  SendOnce(remote_, "3,FREMD,259,fremd\n", "127.0.0.2");
  SendOnce(syslog_, "<11>fremd\n", "127.0.0.2");
  Good("nachher");
  ASSERT_TRUE(SendDatagram(syslog_, "<14>1 - gut app - - - zuletzt"));
  ASSERT_TRUE(WaitForRows(main_, 3));
  Sleep(300);
  EXPECT_EQ(ListRowCount(main_), 3);
  EXPECT_EQ(ListRowText(main_, 2, 2), "zuletzt");
  EXPECT_EQ(WaitForMessageBox(ploxen_.Id(), 500), nullptr);
  // Two datagrams and two connections, each counted where the user sees it.
  EXPECT_TRUE(WaitUntil([this] { return StatusPaneText(main_, 2) == "Verlorene Zeilen: 4"; }))
      << StatusPaneText(main_, 2);
  EXPECT_NE(StatusPaneToolTip(main_, 2).find("nicht erlaubte Absender 4,"), std::string::npos)
      << StatusPaneToolTip(main_, 2);
}

// What the list could never show is counted where the user sees it: remote
// lines whose kind is no number or names no category, and the octet-counted
// frames that follow one stray byte, which the framer must take for one
// endless line. A category switched off is the user's choice, no loss.
TEST_F(NetworkTest, LinesInNoFormatTheListCanShowAreCounted) {
  StartRoads("net_format");
  Good("vorher");
  for (const char* line : {"2,PC,x,keine Zahl", "3,PC,261,keine Kategorie", "4,PC,102,abgeschaltet"})
    ASSERT_TRUE(SendDatagram(remote_, line));
  std::string stream = "x";
  while (stream.size() < 3 * 65536 + 1000) stream += "12 <11>gezaehlt";
  ASSERT_TRUE(SendOnce(syslog_, stream));
  Good("nachher");
  // Two datagrams and two frames' worth passed over; the cut line is shown, and counted for syslog.
  EXPECT_TRUE(WaitUntil([this] { return StatusPaneText(main_, 2) == "Verlorene Zeilen: 5"; }))
      << StatusPaneText(main_, 2);
  EXPECT_EQ(StatusPaneToolTip(main_, 2),
            "Verlorene Zeilen: Warteschlange voll 0, Mailslot 0, Fernmeldungen \xFC" "ber Netzwerk 0, Syslog 1, "
            "falsches Format 4, nicht erlaubte Absender 0, Weiterleitung 0, systemweit 0, Protokolldatei 0, Datei verfolgen 0");
  ASSERT_EQ(ListRowCount(main_), 3);
  int cut = 0;
  for (int row = 0; row < 3; ++row) cut += ListRowText(main_, row, 2).rfind("x12 <11>gezaehlt12 <", 0) == 0;
  EXPECT_EQ(cut, 1);
}

TEST_F(NetworkTest, APortInUseIsToldOnceAndEverythingElseRunsOn) {
  const int busy = FreePort();
  SOCKET holder = BoundSocket(SOCK_STREAM, "0.0.0.0", busy);  // the syslog port's TCP side
  ASSERT_EQ(listen(holder, 4), 0);
  remote_ = FreePort();
  Start("net_busy", [&](TestProfile& profile) {
    for (const char* key : {"FERNMELDUNGEN", "SYSLOG"}) profile.Write("NETZ", key, "1");
    profile.Write("NETZ", "FERNPORT", std::to_string(remote_));
    profile.Write("NETZ", "SYSLOGPORT", std::to_string(busy));
  });
  HWND box = WaitForMessageBox(ploxen_.Id());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box), "Der Port " + std::to_string(busy) +
                                     " f\xFCr Syslog (TCP) kann nicht ge\xF6" "ffnet werden: ein anderes Programm "
                                     "benutzt ihn, oder es fehlt das Recht dazu.\nPLOXEN l\xE4uft ohne diesen "
                                     "Empfang weiter.");
  Click(box, IDOK);
  ASSERT_TRUE(WaitForWindowGone(box));
  Good("fern");
  ASSERT_TRUE(SendDatagram(busy, "<14>syslog per UDP"));
  EXPECT_TRUE(Shows("syslog per UDP"));
  EXPECT_EQ(WaitForMessageBox(ploxen_.Id(), 1000), nullptr);
  Close();
  closesocket(holder);
}

// Random datagrams, lying octet counts and a 10 MB line while one connection
// sends a byte a second, then 1,000 connections at once: every good line
// before and after is a row, and PLOXEN lives with its memory bounded.
TEST_F(NetworkTest, BadInputHurtsNoGoodLine) {
  StartRoads("net_bad");
  Good("vorher");
  std::thread slow([port = remote_] {
    Connection c(port);
    for (char byte : std::string("1,LANGSAM,259,ok\n")) {
      c.Send(std::string_view(&byte, 1));
      Sleep(1000);
    }
  });

  std::mt19937 random(20);
  for (int i = 0; i < 300; ++i) {
    std::string bytes(random() % 1500, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    SendDatagram(i % 2 ? remote_ : syslog_, bytes);
  }
  Good("nach dem Zufall");

  // Too large: the connection ends inside the frame, shown cut. Negative,
  // not a number, too many digits: a line-feed frame each. Then two true ones.
  for (const char* stream : {"9999999 <11>1 - h a - - - zu gross", "-5 <11>negativ\n", "abc <11>keine Zahl\n",
                             "123456789012 <11>lang\n", "5 <11>x23 <11>1 - h a - - - mitte\n"})
    SendOnce(syslog_, stream);
  for (const char* shown : {"zu gross", "-5 <11>negativ", "abc <11>keine Zahl", "123456789012 <11>lang", "x", "mitte"})
    EXPECT_TRUE(Shows(shown)) << shown;
  Good("nach den Zahlen");

  const std::size_t before = PeakMegabytes();
  {
    Connection huge(remote_);
    ASSERT_TRUE(huge.Send("1,LANG,259,"));
    for (int mb = 0; mb < 10; ++mb) ASSERT_TRUE(huge.Send(std::string(1024 * 1024, 'x')));
    ASSERT_TRUE(huge.Send("\n"));
  }
  Good("nach der langen Zeile");
  EXPECT_GE(RowOf("(LANG)  " + std::string(kMessageMax - 8, 'x')), 0);
  EXPECT_LT(PeakMegabytes() - before, 8u) << "more for a 10 MB line";

  slow.join();
  EXPECT_TRUE(Shows("(LANGSAM)  ok"));

  // Only after it: among a thousand new ones it would be the one silent
  // longest, which goes first.
  std::vector<std::unique_ptr<Connection>> flood;
  for (int i = 0; i < 1000; ++i) flood.push_back(std::make_unique<Connection>(i % 2 ? remote_ : syslog_));
  Sleep(1000);
  Good("neben tausend Verbindungen");
  flood.clear();
  Good("nach tausend Verbindungen");
  ASSERT_TRUE(Responsive(main_));
  EXPECT_EQ(WaitForMessageBox(ploxen_.Id(), 500), nullptr);
  const std::size_t peak = PeakMegabytes();
  EXPECT_GT(peak, 0u);
  EXPECT_LT(peak, 128u) << "peak working set in MB";
}

// A sender keeps 64 connections idle, then for 30 s opens one after another,
// each with 128 KiB of short lines, while the row-limit question holds the
// list: the lines of connections pushed out unread wait only as far as their
// bound, the rest is counted, and PLOXEN takes good lines afterwards. The
// sender's lines are constructor traces, switched off, so that what the
// connections still open sent passes the intake quickly afterwards.
TEST_F(NetworkTest, ConnectionsPushedOutWithTheirLinesUnreadLeaveMemoryBounded) {
  StartRoads("net_pushed_out", "", [](TestProfile& p) {
    p.Write("LISTBOX", "MAXCOUNT", "3");
    p.Write("LISTBOX", "KONSTRUKTOR", "0");
  });
  for (const char* text : {"eins", "zwei", "drei"}) Good(text);
  ASSERT_TRUE(SendOnce(remote_, std::to_string(++sequence_) + ",GUT,259,vier\n"));
  HWND question = WaitForMessageBox(ploxen_.Id());
  ASSERT_NE(question, nullptr);

  std::vector<std::unique_ptr<Connection>> idle;
  for (int i = 0; i < 64; ++i) idle.push_back(std::make_unique<Connection>(remote_));
  std::string lines;
  while (lines.size() < 128 * 1024) lines += "1,FLUT,1,x\n2,FLUT,1,x\n";
  std::deque<std::unique_ptr<Connection>> sending;
  std::size_t peak = 0;
  int opened = 0;
  for (const DWORD start = GetTickCount(); GetTickCount() - start < 30000 && peak < 128;) {
    sending.push_back(std::make_unique<Connection>(remote_));
    if (sending.back()->Open()) {
      sending.back()->SendWhatFits(lines);
      ++opened;
    }
    if (sending.size() > 64) sending.pop_front();
    if (opened % 8 == 0) peak = PeakMegabytes();
  }
  sending.clear();
  idle.clear();
  peak = std::max(peak, PeakMegabytes());
  std::cout << "peak working set " << peak << " MB after " << opened << " connections\n";
  EXPECT_LT(peak, 128u) << "MB";

  Click(question, IDNO);
  ASSERT_TRUE(WaitForWindowGone(question));
  ASSERT_TRUE(Shows("(GUT)  vier"));
  Good("nach dem Ansturm");
  ASSERT_TRUE(SendDatagram(syslog_, "<14>auch per UDP"));
  EXPECT_TRUE(Shows("auch per UDP"));
  const std::string tip = StatusPaneToolTip(main_, 2);
  const std::size_t full = tip.find("Warteschlange voll ");
  ASSERT_NE(full, std::string::npos) << tip;
  EXPECT_GT(std::atoll(tip.c_str() + full + 19), 0) << tip;
  EXPECT_EQ(WaitForMessageBox(ploxen_.Id(), 500), nullptr);
}

}  // namespace
}  // namespace ploxen::system_test
