// The network roads as other computers meet them: remote lines from our
// sender over UDP and TCP, syslog from util-linux's logger, senders not
// allowed, a port someone else holds, and input meant to hurt. Every test
// takes free ports of its own, so they may run beside each other.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "tests/system/ploxen_test.h"

#include <psapi.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "core/intake.h"
#include "storage/binary_file.h"
#include "storage/byte_stream.h"

namespace ploxen::system_test {
namespace {

class Winsock {
 public:
  Winsock() {
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~Winsock() { WSACleanup(); }
};

sockaddr_in Address(const char* ip, int port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  inet_pton(AF_INET, ip, &a.sin_addr);
  a.sin_port = htons(static_cast<u_short>(port));
  return a;
}

// A socket bound to a port of its own on `from`, so the receiver sees that address.
SOCKET BoundSocket(int type, const char* from) {
  SOCKET s = socket(AF_INET, type, 0);
  const sockaddr_in local = Address(from, 0);
  if (s != INVALID_SOCKET && bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    closesocket(s);
    return INVALID_SOCKET;
  }
  return s;
}

// A port nobody holds now, for UDP and TCP alike.
int FreePort() {
  for (int attempt = 0; attempt < 20; ++attempt) {
    SOCKET tcp = BoundSocket(SOCK_STREAM, "0.0.0.0");
    sockaddr_in bound{};
    int size = sizeof bound;
    getsockname(tcp, reinterpret_cast<sockaddr*>(&bound), &size);
    const int port = ntohs(bound.sin_port);
    SOCKET udp = socket(AF_INET, SOCK_DGRAM, 0);
    const bool both = bind(udp, reinterpret_cast<const sockaddr*>(&bound), sizeof bound) == 0;
    closesocket(udp);
    closesocket(tcp);
    if (both) return port;
  }
  return 0;
}

bool SendDatagram(int port, std::string_view bytes, const char* from = "127.0.0.1") {
  SOCKET s = BoundSocket(SOCK_DGRAM, from);
  const sockaddr_in to = Address("127.0.0.1", port);
  const bool sent = sendto(s, bytes.data(), static_cast<int>(bytes.size()), 0, reinterpret_cast<const sockaddr*>(&to),
                           sizeof to) == static_cast<int>(bytes.size());
  closesocket(s);
  return sent;
}

class Connection {
 public:
  explicit Connection(int port, const char* from = "127.0.0.1") : socket_(BoundSocket(SOCK_STREAM, from)) {
    const sockaddr_in to = Address("127.0.0.1", port);
    if (socket_ != INVALID_SOCKET && connect(socket_, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) Close();
  }
  ~Connection() { Close(); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  bool Open() const { return socket_ != INVALID_SOCKET; }
  bool Send(std::string_view bytes) {
    while (!bytes.empty()) {
      const int n = send(socket_, bytes.data(), static_cast<int>(bytes.size()), 0);
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }
  void Close() {
    if (socket_ == INVALID_SOCKET) return;
    shutdown(socket_, SD_SEND);
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }

 private:
  SOCKET socket_;
};

bool SendOnce(int port, std::string_view bytes, const char* from = "127.0.0.1") {
  Connection c(port, from);
  return c.Open() && c.Send(bytes);
}

// A Linux program, through /bin/sh. Wine starts a Unix program but gives no
// handle to wait on, so its end shows by a file the shell writes last.
struct UnixRun {
  bool ended = false;
  int exitCode = -1;
  std::string output;
};
std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
UnixRun RunUnix(const std::string& command, DWORD timeoutMs = 30000) {
  static int runs = 0;
  const std::string base = "/tmp/ploxen_unix_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++runs);
  auto windows = [](std::string path) {
    for (char& c : path)
      if (c == '/') c = '\\';
    return "Z:" + path;
  };
  std::string line = "/bin/sh -c \"" + command + " >" + base + ".out 2>&1; echo $? >" + base + ".tmp; mv " + base +
                     ".tmp " + base + ".done\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  UnixRun run;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return run;
  if (info.hThread) CloseHandle(info.hThread);
  if (info.hProcess) CloseHandle(info.hProcess);
  const std::string done = windows(base + ".done");
  run.ended = WaitUntil([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, timeoutMs);
  if (run.ended) run.exitCode = std::atoi(ReadFile(done).c_str());
  run.output = ReadFile(windows(base + ".out"));
  DeleteFileA(done.c_str());
  DeleteFileA(windows(base + ".out").c_str());
  return run;
}

bool HaveLogger() { return GetFileAttributesA("Z:\\usr\\bin\\logger") != INVALID_FILE_ATTRIBUTES; }

std::string HostName() {
  char name[256] = {};
  gethostname(name, sizeof name);
  return name;
}

class NetworkTest : public PloxenTest {
 protected:
  void SetUp() override {
    remotePort_ = FreePort();
    syslogPort_ = FreePort();
    ASSERT_NE(remotePort_, 0);
    ASSERT_NE(syslogPort_, 0);
    ASSERT_NE(remotePort_, syslogPort_);
  }
  void TearDown() override {
    if (main_ && IsWindow(main_)) Close();
  }
  void StartRoads(const char* name, const std::string& senders = "") {
    Start(name, [&](TestProfile& profile) {
      profile.Write("NETZ", "FERNMELDUNGEN", "1");
      profile.Write("NETZ", "SYSLOG", "1");
      profile.Write("NETZ", "FERNPORT", std::to_string(remotePort_));
      profile.Write("NETZ", "SYSLOGPORT", std::to_string(syslogPort_));
      profile.Write("NETZ", "ABSENDER", senders);
    });
    // The window shows before the roads open: a datagram sent at once
    // would find no one. A connection is taken once they are open.
    for (int port : {remotePort_, syslogPort_})
      ASSERT_TRUE(WaitUntil([port] { return Connection(port).Open(); })) << port;
  }
  void Sent(const std::string& arguments) {
    const ToolRun run = RunTool("ploxen_mailslot_send.exe", arguments);
    EXPECT_EQ(run.exitCode, 0u) << arguments << ": " << run.errors;
  }
  void Logged(const std::string& arguments) {
    const UnixRun run = RunUnix("/usr/bin/logger --server 127.0.0.1 --port " + std::to_string(syslogPort_) + " " + arguments);
    EXPECT_TRUE(run.ended) << arguments;
    EXPECT_EQ(run.exitCode, 0) << arguments << ": " << run.output;
  }
  std::string Remote() const { return "127.0.0.1:" + std::to_string(remotePort_); }
  // The message column of every row, in order.
  std::vector<std::string> Messages() const {
    std::vector<std::string> messages;
    const int rows = ListRowCount(main_);
    for (int row = 0; row < rows; ++row) messages.push_back(ListRowText(main_, row, 2));
    return messages;
  }
  int RowOf(const std::string& message) const {
    const std::vector<std::string> messages = Messages();
    for (std::size_t i = 0; i < messages.size(); ++i)
      if (messages[i] == message) return static_cast<int>(i);
    return -1;
  }
  bool WaitForMessage(const std::string& message, DWORD timeoutMs = 15000) const {
    return WaitUntil([&] { return RowOf(message) >= 0; }, timeoutMs);
  }
  // The rows as "Speichern" writes them, with their kinds.
  MessageRows SavedRows(const std::string& name) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    const std::string path = std::string(dir) + "ploxen_net_" + std::to_string(GetCurrentProcessId()) + name;
    MessageRows rows;
    if (!RunFileDialog(ploxen_.Id(), main_, kSaveButton, path)) return rows;
    const std::string bytes = ReadFile(path);
    DeleteFileA(path.c_str());
    MemorySource source(bytes.data(), bytes.size());
    ReadBinaryFile(source, rows);
    return rows;
  }
  SIZE_T PeakWorkingSet() const {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ploxen_.Id());
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    const bool got = process && GetProcessMemoryInfo(process, &counters, sizeof counters);
    if (process) CloseHandle(process);
    return got ? counters.PeakWorkingSetSize : 0;
  }
  void ExpectNoBox() { EXPECT_EQ(WaitForMessageBox(ploxen_.Id(), 500), nullptr); }

  Winsock winsock_;
  int remotePort_ = 0;
  int syslogPort_ = 0;
};

TEST_F(NetworkTest, RemoteLinesFromOurSenderOverUdpAndTcpKeepTheRepeatRulePerSender) {
  StartRoads("net_remote");
  Sent("-udp " + Remote() + " -host PC1 -kind 0x103 rot per UDP");
  ASSERT_TRUE(WaitForRows(main_, 1));
  Sent("-tcp " + Remote() + " -host PC1 -seq 2 -kind 0x203 -count 3 gelb per TCP");
  ASSERT_TRUE(WaitForRows(main_, 4));
  // The same number from the same sender, by the other transport: a repeat.
  Sent("-udp " + Remote() + " -host PC1 -seq 4 wiederholt");
  // Another computer numbers from 1 as well; a line in the wrong format is
  // counted, never shown in a box.
  Sent("-udp " + Remote() + " -host PC2 -seq 1 -kind 0x403 anderer Rechner");
  Sent("-udp " + Remote() + " -raw \"kein Format\"");
  Sent("-tcp " + Remote() + " -raw \"9,PC1,1,mit, Komma\" -raw \"kein Format\" -raw \"10,PC1,771,zuletzt\"");
  ASSERT_TRUE(WaitForRows(main_, 7));
  const std::pair<MessageKind, const char*> expected[] = {
      {0x103, "(PC1)  rot per UDP"},    {0x203, "(PC1)  gelb per TCP 1"},     {0x203, "(PC1)  gelb per TCP 2"},
      {0x203, "(PC1)  gelb per TCP 3"}, {0x403, "(PC2)  anderer Rechner"}, {1, "(PC1)  mit, Komma"},
      {0x303, "(PC1)  zuletzt"},
  };
  EXPECT_EQ(ListRowCount(main_), 7);
  for (int row = 0; row < 7; ++row) EXPECT_EQ(ListRowText(main_, row, 2), expected[row].second) << row;
  ExpectNoBox();
  const MessageRows rows = SavedRows("remote.bin");
  ASSERT_EQ(rows.size(), 7u);
  for (std::size_t row = 0; row < 7; ++row) EXPECT_EQ(rows.Row(row).Kind(), expected[row].first) << row;
}

TEST_F(NetworkTest, SyslogFromLoggerShowsHostAppTimeAndTheSeveritysColour) {
  if (!HaveLogger()) GTEST_SKIP() << "util-linux logger is not installed";
  StartRoads("net_syslog");
  std::string host = HostName();
  const std::string shortHost = host.substr(0, host.find('.'));
  Logged("--udp --rfc5424 -p user.err -t app 'rot per UDP'");
  ASSERT_TRUE(WaitForRows(main_, 1));
  Logged("--tcp --rfc3164 -p user.warning -t app --id=4711 'magenta per TCP'");
  ASSERT_TRUE(WaitForRows(main_, 2));
  Logged("--tcp --rfc5424 --octet-count -p user.info -t app 'blau per TCP'");
  ASSERT_TRUE(WaitForRows(main_, 3));
  Logged("--udp --rfc3164 -p user.debug -t app 'schwarz per UDP'");
  ASSERT_TRUE(WaitForRows(main_, 4));
  SYSTEMTIME now;
  GetLocalTime(&now);

  struct Expected {
    MessageKind kind;
    std::string process, message;
  } expected[] = {
      {0x103, "PID=" + host + " app,TID=-", "rot per UDP"},
      {0x203, "PID=" + shortHost + " app[4711],TID=-", "magenta per TCP"},
      {0x403, "PID=" + host + " app,TID=-", "blau per TCP"},
      {0x303, "PID=" + shortHost + " app,TID=-", "schwarz per UDP"},
  };
  const MessageRows rows = SavedRows("syslog.bin");
  ASSERT_EQ(rows.size(), 4u);
  for (int row = 0; row < 4; ++row) {
    EXPECT_EQ(ListRowText(main_, row, 0), expected[row].process) << row;
    // RFC 5424 from logger carries structured data, shown after the text.
    EXPECT_EQ(ListRowText(main_, row, 2).substr(0, expected[row].message.size()), expected[row].message) << row;
    EXPECT_EQ(rows.Row(static_cast<std::size_t>(row)).Kind(), expected[row].kind) << row;
    // The sender's time of day in local time, which is about now here.
    const std::string time = ListRowText(main_, row, 1);
    ASSERT_EQ(time.size(), 12u) << time;
    const int seconds = std::atoi(time.substr(0, 2).c_str()) * 3600 + std::atoi(time.substr(3, 2).c_str()) * 60 +
                        std::atoi(time.substr(6, 2).c_str());
    int apart = std::abs(now.wHour * 3600 + now.wMinute * 60 + now.wSecond - seconds);
    if (apart > 43200) apart = 86400 - apart;  // around midnight
    EXPECT_LE(apart, 120) << time;
  }
  EXPECT_NE(ListRowText(main_, 0, 2).find("[timeQuality"), std::string::npos) << ListRowText(main_, 0, 2);
  EXPECT_EQ(ListRowText(main_, 1, 2), "magenta per TCP");
}

TEST_F(NetworkTest, LinesFromASenderNotAllowedAreDroppedOnEveryRoad) {
  StartRoads("net_senders", "127.0.0.1");
  ASSERT_TRUE(SendDatagram(remotePort_, "1,GUT,259,vorher"));
  ASSERT_TRUE(WaitForRows(main_, 1));
  // Wine sends a UDP socket's datagrams bound to 127.0.0.2 from 127.0.0.1:
  // a Linux program sends those.
  for (const auto& [port, line] : {std::pair<int, const char*>{remotePort_, "2,FREMD,259,fremd per UDP"},
                                   std::pair<int, const char*>{syslogPort_, "<11>fremd per UDP"}}) {
    const UnixRun run = RunUnix("perl -MIO::Socket::INET -e '$s = IO::Socket::INET->new(Proto => q{udp}, "
                                "LocalAddr => q{127.0.0.2}, PeerAddr => q{127.0.0.1:" + std::to_string(port) +
                                "}) or die $!; $s->send(q{" + line + "}) or die $!'");
    EXPECT_EQ(run.exitCode, 0) << run.output;
  }
  // A connection from there is closed at once; what it sends goes nowhere.
  SendOnce(remotePort_, "3,FREMD,259,fremd per TCP\n", "127.0.0.2");
  SendOnce(syslogPort_, "<11>fremd per TCP\n", "127.0.0.2");
  Sleep(500);
  ASSERT_TRUE(SendOnce(remotePort_, "4,GUT,259,per TCP\n"));
  ASSERT_TRUE(WaitForRows(main_, 2));
  ASSERT_TRUE(SendDatagram(syslogPort_, "<14>1 - gut app - - - nachher"));
  ASSERT_TRUE(WaitForRows(main_, 3));
  Sleep(300);
  EXPECT_EQ(Messages(), (std::vector<std::string>{"(GUT)  vorher", "(GUT)  per TCP", "nachher"}));
  ExpectNoBox();
}

TEST_F(NetworkTest, APortInUseIsToldOnceAndEverythingElseRunsOn) {
  // Someone else holds the syslog port's TCP side.
  SOCKET holder = socket(AF_INET, SOCK_STREAM, 0);
  const sockaddr_in port = Address("0.0.0.0", syslogPort_);
  ASSERT_EQ(bind(holder, reinterpret_cast<const sockaddr*>(&port), sizeof port), 0);
  ASSERT_EQ(listen(holder, 4), 0);
  Start("net_busy", [&](TestProfile& profile) {
    profile.Write("NETZ", "FERNMELDUNGEN", "1");
    profile.Write("NETZ", "SYSLOG", "1");
    profile.Write("NETZ", "FERNPORT", std::to_string(remotePort_));
    profile.Write("NETZ", "SYSLOGPORT", std::to_string(syslogPort_));
  });
  HWND box = WaitForMessageBox(ploxen_.Id());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box), "Der Port " + std::to_string(syslogPort_) +
                                     " f\xFCr Syslog (TCP) kann nicht ge\xF6" "ffnet werden: ein anderes Programm "
                                     "benutzt ihn, oder es fehlt das Recht dazu.\n"
                                     "PLOXEN l\xE4uft ohne diesen Empfang weiter.");
  Click(box, IDOK);
  ASSERT_TRUE(WaitForWindowGone(box));
  // The other road and the port's UDP side still work, and nothing is told again.
  ASSERT_TRUE(SendOnce(remotePort_, "1,PC,259,fern\n"));
  ASSERT_TRUE(SendDatagram(syslogPort_, "<14>syslog per UDP"));
  ASSERT_TRUE(WaitForRows(main_, 2));
  EXPECT_EQ(WaitForMessageBox(ploxen_.Id(), 1000), nullptr);
  ASSERT_TRUE(Responsive(main_));
  Close();
  closesocket(holder);
}

// Good lines before and after bad input, on connections and datagrams of
// their own, are rows; PLOXEN stays alive and its memory bounded.
class NetworkBadInput : public NetworkTest {
 protected:
  void Good(const std::string& text) {
    ASSERT_TRUE(SendOnce(remotePort_, std::to_string(++sequence_) + ",GUT,259," + text + "\n"));
    ASSERT_TRUE(WaitForMessage("(GUT)  " + text)) << text;
  }
  void ExpectAlive(SIZE_T boundMb) {
    ASSERT_TRUE(Responsive(main_));
    const SIZE_T peakMb = PeakWorkingSet() / (1024 * 1024);
    EXPECT_GT(peakMb, 0u);
    EXPECT_LT(peakMb, boundMb) << "peak working set in MB";
  }
  int sequence_ = 0;
};

TEST_F(NetworkBadInput, RandomDatagramsAndOctetCountsThatLie) {
  StartRoads("net_random");
  Good("vor dem Zufall");
  std::mt19937 random(20);
  for (int i = 0; i < 300; ++i) {
    std::string bytes(random() % 1500, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    SendDatagram(i % 2 ? remotePort_ : syslogPort_, bytes);
  }
  Good("nach dem Zufall");

  // A count too large: the connection ends inside the frame, which is shown
  // cut. Negative, not a number, too many digits: a line-feed frame each.
  SendOnce(syslogPort_, "9999999 <11>1 - h zugross - - - zu gross");
  SendOnce(syslogPort_, "-5 <11>negativ\n");
  SendOnce(syslogPort_, "abc <11>keine Zahl\n");
  SendOnce(syslogPort_, "123456789012 <11>zu viele Ziffern\n");
  // Two true counts back to back.
  SendOnce(syslogPort_, "5 <11>x23 <11>1 - h a - - - mitte\n");
  for (const char* shown : {"zu gross", "-5 <11>negativ", "abc <11>keine Zahl", "123456789012 <11>zu viele Ziffern",
                            "x", "mitte"})
    EXPECT_TRUE(WaitForMessage(shown)) << shown;
  Good("nach den Zahlen");
  ExpectNoBox();
  ExpectAlive(128);
}

TEST_F(NetworkBadInput, AHugeLineAndAThousandConnectionsAtOnce) {
  StartRoads("net_huge");
  Good("vor der langen Zeile");
  const SIZE_T before = PeakWorkingSet();
  {
    Connection huge(remotePort_);
    ASSERT_TRUE(huge.Open());
    const std::string chunk(1024 * 1024, 'x');
    ASSERT_TRUE(huge.Send("1,LANG,259,"));
    for (int mb = 0; mb < 10; ++mb) ASSERT_TRUE(huge.Send(chunk));
    ASSERT_TRUE(huge.Send("\n"));
  }
  Good("nach der langen Zeile");
  // Shown cut to what the list keeps; the rest of it went by unkept.
  const int row = RowOf("(LANG)  " + std::string(kMessageMax - 8, 'x'));
  EXPECT_GE(row, 0);
  const SIZE_T grown = (PeakWorkingSet() - before) / (1024 * 1024);
  EXPECT_LT(grown, 8u) << "MB more for a 10 MB line";

  std::vector<std::unique_ptr<Connection>> flood;
  for (int i = 0; i < 1000; ++i) flood.push_back(std::make_unique<Connection>(i % 2 ? remotePort_ : syslogPort_));
  int open = 0;
  for (const auto& c : flood) open += c->Open() ? 1 : 0;
  EXPECT_GT(open, 900);
  Sleep(1000);
  // At most 64 stay: the ones pushed out are closed by PLOXEN.
  Good("neben tausend Verbindungen");
  flood.clear();
  Good("nach tausend Verbindungen");
  ExpectAlive(128);
}

TEST_F(NetworkBadInput, AConnectionSendingOneByteASecondHoldsUpNoOne) {
  StartRoads("net_slow");
  Good("vor dem langsamen");
  Connection slow(remotePort_);
  ASSERT_TRUE(slow.Open());
  const std::string line = "1,LANGSAM,259,ok\n";
  for (std::size_t i = 0; i < line.size(); ++i) {
    ASSERT_TRUE(slow.Send(line.substr(i, 1)));
    // Others are heard while it dawdles.
    if (i % 4 == 1) Good("waehrend " + std::to_string(i));
    else Sleep(1000);
  }
  ASSERT_TRUE(WaitForMessage("(LANGSAM)  ok"));
  Good("nach dem langsamen");
  ExpectAlive(128);
}

}  // namespace
}  // namespace ploxen::system_test
