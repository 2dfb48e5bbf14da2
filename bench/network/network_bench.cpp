// Syslog lines over the network into the real PLOXEN.EXE, each against a
// drain of our own in the same run that reads and throws away:
// - TCP: the lines on one connection, as fast as they go, into a bare TCP
//   drain and into PLOXEN, timed until the drain has read the last byte and
//   until PLOXEN's list shows the last line. Goal: at least 0.9 times the
//   drain's rate, none lost.
//   The same again with one send per message, as syslog clients write: the
//   sender sets the pace, and the question is whether PLOXEN keeps up.
//   With -rsyslog, the stream also goes into Debian's rsyslogd (imtcp, each
//   line parsed and written to a file), timed until its file holds every
//   line: a peer doing the same work, for reference, not a baseline. It runs
//   natively, started by the system tests' rsyslog.sh (Unix paths).
// - UDP: first the rate the bare UDP drain takes without loss is found by
//   pacing (halved from full speed until nothing is lost, then narrowed),
//   then the datagrams go at that rate into the drain (a quarter slower
//   when the drain loses some this time) and into PLOXEN. Goal: PLOXEN
//   loses at most 0.1 %.
//   ploxen_network_bench [-rsyslog <rsyslog.sh> <folder>] [lines] [tcp rounds]
#include "tests/system/rsyslog_server.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#include "bench/figure_line.h"
#include "bench/ploxen_launch.h"

namespace {

using namespace ploxen::bench;

constexpr int kReceiveBuffer = 4 * 1024 * 1024;  // as PLOXEN asks for its UDP sockets

constexpr double kTcpRateBefore = 234000;  // lines/s of the stream into PLOXEN before its listener was reworked

std::string SyslogText(int n) {
  return "Zeile " + std::to_string(n) + " der Flut mit etwas Text wie ihn ein Programm schreibt";
}

std::string SyslogLine(int n) { return "<14>1 2026-01-01T12:00:00.000Z benchhost bench 4711 - - " + SyslogText(n); }

sockaddr_in Loopback(int port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<u_short>(port));
  return a;
}

int PortOf(SOCKET s) {
  sockaddr_in a{};
  int size = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
  return ntohs(a.sin_port);
}

// A port free for UDP and TCP alike, for PLOXEN's syslog road.
int FreePort() {
  for (int attempt = 0; attempt < 20; ++attempt) {
    SOCKET tcp = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in any = Loopback(0);
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    bind(tcp, reinterpret_cast<const sockaddr*>(&any), sizeof any);
    any.sin_port = htons(static_cast<u_short>(PortOf(tcp)));
    SOCKET udp = socket(AF_INET, SOCK_DGRAM, 0);
    const bool both = bind(udp, reinterpret_cast<const sockaddr*>(&any), sizeof any) == 0;
    closesocket(udp);
    closesocket(tcp);
    if (both) return ntohs(any.sin_port);
  }
  return 0;
}

SOCKET Connect(int port) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  const sockaddr_in to = Loopback(port);
  if (connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
    closesocket(s);
    return INVALID_SOCKET;
  }
  return s;
}

bool SendAll(SOCKET s, const std::string& bytes) {
  for (std::size_t sent = 0; sent < bytes.size();) {
    const int n = send(s, bytes.data() + sent, static_cast<int>(std::min<std::size_t>(bytes.size() - sent, 1 << 20)), 0);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

// One send per line, as a syslog client writes its messages.
bool SendEach(SOCKET s, const std::vector<std::string>& lines) {
  for (const std::string& line : lines)
    if (!SendAll(s, line)) return false;
  return true;
}

// The whole stream, or each of its lines on its own.
struct TcpLoad {
  std::string stream;
  std::vector<std::string> lines;  // ended by a line feed; empty: the stream at once
  bool Send(SOCKET s) const { return lines.empty() ? SendAll(s, stream) : SendEach(s, lines); }
};

// Lines per second into our own drain; 0 on failure.
double BareTcpRound(const TcpLoad& load, int lines) {
  const std::string& stream = load.stream;
  SOCKET listening = socket(AF_INET, SOCK_STREAM, 0);
  const sockaddr_in local = Loopback(0);
  if (bind(listening, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 || listen(listening, 1) != 0) {
    closesocket(listening);
    return 0;
  }
  std::size_t read = 0;
  double end = 0;
  std::thread drain([&] {
    SOCKET c = accept(listening, nullptr, nullptr);
    std::vector<char> buffer(64 * 1024);
    for (int n; (n = recv(c, buffer.data(), static_cast<int>(buffer.size()), 0)) > 0;) read += static_cast<std::size_t>(n);
    end = Seconds();
    closesocket(c);
  });
  SOCKET s = Connect(PortOf(listening));
  const double start = Seconds();
  const bool sent = s != INVALID_SOCKET && load.Send(s);
  if (s != INVALID_SOCKET) {
    shutdown(s, SD_SEND);
    closesocket(s);
  }
  drain.join();
  closesocket(listening);
  return sent && read == stream.size() ? lines / (end - start) : 0;
}

struct PloxenRun {
  PROCESS_INFORMATION process{};
  PloxenWindow window;
  int port = 0;
};

// A PLOXEN.EXE with its syslog road open on a free port and no row limit.
bool StartPloxen(PloxenRun& run, const std::string& profile) {
  run.port = FreePort();
  UseFreshProfile(profile);
  WritePrivateProfileStringA("LISTBOX", "MAXCOUNT", "0", profile.c_str());
  WritePrivateProfileStringA("NETZ", "SYSLOG", "1", profile.c_str());
  WritePrivateProfileStringA("NETZ", "SYSLOGPORT", std::to_string(run.port).c_str(), profile.c_str());
  run.process = Launch("\"" + Directory() + "\\PLOXEN.EXE\"");
  if (!run.process.hProcess) return false;
  run.window = FindPloxen(run.process.dwProcessId);
  // The road opens after the window shows; a connection is taken once it has.
  for (int i = 0; i < 500 && run.window.list; ++i) {
    SOCKET probe = Connect(run.port);
    if (probe != INVALID_SOCKET) {
      closesocket(probe);
      return true;
    }
    Sleep(20);
  }
  return false;
}

// Waits until the list shows `lines` rows or has not grown for quietSeconds;
// the rows and the time the last of them was first seen.
int WaitForRows(HWND list, int lines, double quietSeconds, double& lastGrowth) {
  int rows = RowCount(list);
  lastGrowth = Seconds();
  while (rows < lines && Seconds() - lastGrowth < quietSeconds) {
    Sleep(2);
    const int now = RowCount(list);
    if (now != rows) {
      rows = now;
      lastGrowth = Seconds();
    }
  }
  return rows;
}

struct Shown {
  double rate = 0;  // lines shown per second
  int lost = 0;
};

Shown PloxenTcpRound(const TcpLoad& load, int lines, const std::string& profile) {
  PloxenRun run;
  Shown shown;
  if (StartPloxen(run, profile)) {
    const double start = Seconds();
    SOCKET s = Connect(run.port);
    if (s != INVALID_SOCKET && load.Send(s)) {
      shutdown(s, SD_SEND);
      double last = 0;
      const int rows = WaitForRows(run.window.list, lines, 10, last);
      shown.rate = rows / (last - start);
      shown.lost = lines - rows;
    }
    if (s != INVALID_SOCKET) closesocket(s);
  }
  ClosePloxen(run.process, run.window.main);
  return shown;
}

// The lines of rsyslogd's file, read on from where the last call stopped:
// the file grows by megabytes in a run, and reading it whole at each look
// would take the processor from the server being timed.
class FileLines {
 public:
  explicit FileLines(std::string path) : path_(std::move(path)) {}
  std::size_t Count() {
    std::FILE* file = std::fopen(path_.c_str(), "rb");
    if (!file) return count_;
    std::fseek(file, offset_, SEEK_SET);
    std::vector<char> buffer(1 << 16);
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), file)) > 0;) {
      offset_ += static_cast<long>(n);
      const char* begin = buffer.data();
      const char* const end = begin + n;
      for (const char* feed;
           (feed = static_cast<const char*>(std::memchr(begin, '\n', static_cast<std::size_t>(end - begin))));) {
        last_ = partial_.append(begin, feed);
        partial_.clear();
        ++count_;
        begin = feed + 1;
      }
      partial_.append(begin, end);
    }
    std::fclose(file);
    return count_;
  }
  const std::string& LastLine() const { return last_; }

 private:
  const std::string path_;
  long offset_ = 0;
  std::size_t count_ = 0;
  std::string partial_, last_;
};

// Lines per second into rsyslogd until its file holds every line, the last
// one parsed as its template writes it; 0 when it does not.
double RsyslogTcpRound(const TcpLoad& load, int lines, int port, FileLines& file) {
  const std::size_t wanted = file.Count() + static_cast<std::size_t>(lines);
  const double start = Seconds();
  SOCKET s = Connect(port);
  if (s == INVALID_SOCKET) return 0;
  const bool sent = load.Send(s);
  shutdown(s, SD_SEND);
  closesocket(s);
  std::size_t have = file.Count();
  double lastGrowth = Seconds();
  while (sent && have < wanted && Seconds() - lastGrowth < 10) {
    Sleep(2);
    const std::size_t now = file.Count();
    if (now != have) {
      have = now;
      lastGrowth = Seconds();
    }
  }
  const std::string last = "benchhost\tbench\t6\t" + SyslogText(lines);
  if (!sent || have != wanted || file.LastLine() != last) {
    std::printf("rsyslogd: %d of %d lines in its file, the last \"%s\"\n", static_cast<int>(have + lines - wanted),
                lines, file.LastLine().c_str());
    return 0;
  }
  return lines / (lastGrowth - start);
}

// Datagrams at `rate` a second (0: as fast as they go); returns the rate
// they went at.
double SendPaced(int port, const std::vector<std::string>& datagrams, int count, double rate) {
  SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
  const sockaddr_in to = Loopback(port);
  const double start = Seconds();
  for (int i = 0; i < count; ++i) {
    // Ahead of time the sender sleeps, so it does not take the receivers'
    // processor: a few datagrams go together, far fewer than a buffer holds.
    while (rate > 0 && Seconds() - start < i / rate) Sleep(1);
    const std::string& d = datagrams[static_cast<std::size_t>(i) % datagrams.size()];
    sendto(s, d.data(), static_cast<int>(d.size()), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  }
  const double seconds = Seconds() - start;
  closesocket(s);
  return count / seconds;
}

struct UdpTrial {
  int received = 0;
  double sentRate = 0;
};

UdpTrial BareUdp(const std::vector<std::string>& datagrams, int count, double rate) {
  SOCKET drain = socket(AF_INET, SOCK_DGRAM, 0);
  const sockaddr_in local = Loopback(0);
  bind(drain, reinterpret_cast<const sockaddr*>(&local), sizeof local);
  int size = kReceiveBuffer;
  setsockopt(drain, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&size), sizeof size);
  DWORD timeoutMs = 500;
  setsockopt(drain, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
  std::atomic<bool> sent{false};
  UdpTrial trial;
  std::thread reader([&] {
    std::vector<char> buffer(65536);
    for (;;) {
      const int n = recv(drain, buffer.data(), static_cast<int>(buffer.size()), 0);
      if (n >= 0) {
        ++trial.received;
      } else if (sent) {
        break;  // quiet for the timeout after the last one went
      }
    }
  });
  trial.sentRate = SendPaced(PortOf(drain), datagrams, count, rate);
  sent = true;
  reader.join();
  closesocket(drain);
  return trial;
}

// The highest rate found at which the bare drain loses nothing: full speed
// when it keeps up, else halved until it does and narrowed between.
double LosslessRate(const std::vector<std::string>& datagrams, int count) {
  UdpTrial full = BareUdp(datagrams, count, 0);
  std::printf("UDP search: full speed %.0f/s, the drain got %d of %d\n", full.sentRate, full.received, count);
  std::fflush(stdout);
  if (full.received == count) return 0;
  double lossy = full.sentRate;
  double lossless = 0;
  for (double rate = full.sentRate / 2; rate >= 1000; rate /= 2) {
    const UdpTrial t = BareUdp(datagrams, count, rate);
    std::printf("UDP search: %.0f/s, the drain got %d\n", rate, t.received);
    std::fflush(stdout);
    if (t.received == count) {
      lossless = rate;
      break;
    }
    lossy = rate;
  }
  if (lossless == 0) return 1000;
  for (int step = 0; step < 2; ++step) {
    const double rate = (lossless + lossy) / 2;
    const UdpTrial t = BareUdp(datagrams, count, rate);
    std::printf("UDP search: %.0f/s, the drain got %d\n", rate, t.received);
    std::fflush(stdout);
    (t.received == count ? lossless : lossy) = rate;
  }
  return lossless;
}

}  // namespace

int main(int argc, char** argv) {
  int arg = 1;
  std::unique_ptr<ploxen::rsyslog::RsyslogServer> rsyslog;
  const bool withRsyslog = argc > 3 && std::string(argv[1]) == "-rsyslog";
  if (withRsyslog) arg = 4;
  const int lines = argc > arg ? std::max(1, std::atoi(argv[arg])) : 100000;
  const int rounds = argc > arg + 1 ? std::max(1, std::atoi(argv[arg + 1])) : 3;
  WSADATA data{};
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 1;
  const int rsyslogPort = withRsyslog ? ploxen::rsyslog::FreePort() : 0;
  if (withRsyslog) {
    std::string trouble = "rsyslogd is not installed (Debian package rsyslog)";
    if (ploxen::rsyslog::Installed()) {
      rsyslog = std::make_unique<ploxen::rsyslog::RsyslogServer>(argv[2], argv[3], rsyslogPort);
      trouble = rsyslog->Start();
    }
    if (!trouble.empty()) {
      std::printf("rsyslogd: %s; the stream goes to PLOXEN and the drain only\n", trouble.c_str());
      rsyslog.reset();
    }
  }
  std::unique_ptr<FileLines> rsyslogFile;
  if (rsyslog) rsyslogFile = std::make_unique<FileLines>(rsyslog->ReceivedFile());
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string profile = std::string(temp) + "ploxen_network_bench.ini";

  TcpLoad whole, each;
  std::vector<std::string> datagrams;
  for (int i = 1; i <= lines; ++i) {
    datagrams.push_back(SyslogLine(i));
    whole.stream += datagrams.back();
    whole.stream += '\n';
    each.lines.push_back(datagrams.back() + '\n');
  }
  each.stream = whole.stream;

  // TCP: alternating rounds, so that a noisy moment of the machine hurts both.
  struct TcpFigures {
    double bare = 0, shown = 0, ratio = 0, roundsRatio = 0, rsyslog = 0;
    int lostMax = 0;
  };
  // peer: rsyslogd's file, when the rounds take it too.
  auto tcpRounds = [&](const TcpLoad& load, const char* name, FileLines* peer) {
    std::vector<double> bare, shown, ratios, peerRates;
    TcpFigures f;
    for (int r = 0; r < rounds; ++r) {
      bare.push_back(BareTcpRound(load, lines));
      const Shown s = PloxenTcpRound(load, lines, profile);
      shown.push_back(s.rate);
      f.lostMax = std::max(f.lostMax, s.lost);
      if (bare.back() > 0) ratios.push_back(s.rate / bare.back());
      std::printf("TCP %s round %d: bare drain %.0f lines/s, PLOXEN %.0f lines/s shown, %d lost", name, r + 1,
                  bare.back(), s.rate, s.lost);
      if (peer) {
        peerRates.push_back(RsyslogTcpRound(load, lines, rsyslogPort, *peer));
        std::printf(", rsyslogd %.0f lines/s into its file", peerRates.back());
      }
      std::printf("\n");
      std::fflush(stdout);
    }
    f.bare = Median(bare);
    f.shown = Median(shown);
    f.ratio = f.bare > 0 ? f.shown / f.bare : 0;
    f.roundsRatio = Median(ratios);
    // A round it failed in leaves no rate to compare.
    f.rsyslog = std::find(peerRates.begin(), peerRates.end(), 0.0) == peerRates.end() ? Median(peerRates) : 0;
    return f;
  };
  const TcpFigures atOnce = tcpRounds(whole, "at once", rsyslogFile.get());
  const TcpFigures perMessage = tcpRounds(each, "per message", nullptr);
  rsyslog.reset();

  // UDP: the rate the bare drain takes, then both at that rate.
  // The drain must take the rate again right before PLOXEN does: on a busy
  // machine a rate found lossless a moment ago may not be, and a rate the
  // baseline itself loses at says nothing. Then a quarter less is tried.
  double rate = LosslessRate(datagrams, lines);
  UdpTrial bareUdp;
  for (int attempt = 0; attempt < 3; ++attempt) {
    bareUdp = BareUdp(datagrams, lines, rate);
    if (bareUdp.received == lines) break;
    std::printf("UDP: the drain lost %d at %.0f/s this time\n", lines - bareUdp.received, bareUdp.sentRate);
    std::fflush(stdout);
    rate = 0.75 * bareUdp.sentRate;
  }
  int udpRows = 0;
  double udpShownRate = 0;
  {
    PloxenRun run;
    if (StartPloxen(run, profile)) {
      const double start = Seconds();
      SendPaced(run.port, datagrams, lines, rate);
      double last = 0;
      udpRows = WaitForRows(run.window.list, lines, 3, last);
      udpShownRate = udpRows / (last - start);
    }
    ClosePloxen(run.process, run.window.main);
  }
  DeleteFileA(profile.c_str());
  WSACleanup();

  const std::pair<const TcpFigures*, const char*> tcp[] = {
      {&atOnce, "written as fast as they go, a megabyte a send"},
      {&perMessage, "one send per message, as syslog clients write"}};
  for (const auto& [f, how] : tcp) {
    std::printf("TCP, %d syslog lines on one connection, %s, median of %d rounds:\n", lines, how, rounds);
    std::printf("  bare TCP drain (baseline)  %9.0f lines/s\n", f->bare);
    std::printf("  PLOXEN.EXE, all shown      %9.0f lines/s, at most %d lost in a round\n", f->shown, f->lostMax);
    if (f == &atOnce && withRsyslog)
      std::printf("  rsyslogd, all in its file  %9.0f lines/s (imtcp, each line parsed and written; for reference)\n",
                  f->rsyslog);
    std::printf("  ratio of the medians %.3f, median of the rounds' ratios %.3f (goal: at least 0.90, none lost): %s\n",
                f->ratio, f->roundsRatio, f->ratio >= 0.9 && f->lostMax == 0 ? "met" : "not met");
  }
  const int udpLost = lines - udpRows;
  const double udpLostShare = 100.0 * udpLost / lines;
  std::printf("UDP, %d syslog datagrams at %s:\n", lines,
              rate > 0 ? (std::to_string(static_cast<long>(rate)) + "/s, the highest rate found at which the bare "
                                                                      "drain lost none")
                             .c_str()
                       : "full speed, which the bare drain took without loss");
  std::printf("  bare UDP drain (baseline)  sent at %.0f/s, received %d, lost %d\n", bareUdp.sentRate,
              bareUdp.received, lines - bareUdp.received);
  std::printf("  PLOXEN.EXE                 %9.0f lines/s shown, %d lost (%.3f %%)\n", udpShownRate, udpLost,
              udpLostShare);
  if (bareUdp.received != lines)
    std::printf("  goal: undecided, the baseline itself lost datagrams at every rate tried\n");
  else
    std::printf("  goal: at most 0.1 %% lost: %s\n", udpLostShare <= 0.1 ? "met" : "not met");

  const auto measured = [](double r) { return r > 0 ? r : kNotMeasured; };
  ReportFigure("network", "TCP stream: lines/s shown (baseline: drain)", measured(atOnce.shown), "lines/s",
               measured(atOnce.bare), Goal::RatioAtLeast(0.9));
  ReportFigure("network", "TCP stream: lines/s shown (baseline: the rate before)", measured(atOnce.shown), "lines/s",
               kTcpRateBefore, Goal::RatioAtLeast(2));
  ReportFigure("network", "TCP stream: lines lost, most in a round", atOnce.lostMax, "lines", kNotMeasured,
               Goal::AtMost(0));
  if (withRsyslog)
    ReportFigure("network", "TCP stream: rsyslogd lines/s into its file (baseline: drain)", measured(atOnce.rsyslog),
                 "lines/s", measured(atOnce.bare));
  ReportFigure("network", "TCP per message: lines/s shown (baseline: drain)", measured(perMessage.shown), "lines/s",
               measured(perMessage.bare), Goal::RatioAtLeast(0.9));
  ReportFigure("network", "TCP per message: lines lost, most in a round", perMessage.lostMax, "lines",
               kNotMeasured, Goal::AtMost(0));
  ReportFigure("network", "UDP: datagrams/s sent", bareUdp.sentRate, "datagrams/s");
  ReportFigure("network", "UDP: share lost (baseline: drain's)", udpLostShare, "%",
               100.0 * (lines - bareUdp.received) / lines, Goal::AtMost(0.1), bareUdp.received != lines);
  return 0;
}
