// The copy-data flood with forwarding on, to a real rsyslogd over TCP,
// against the same flood with forwarding off, in alternating rounds of one
// run: the list's rates and their ratio (goal: with forwarding at least 0.9
// of the rate without), and whether rsyslogd received every row, in order.
// The server runs natively, started by the system tests' rsyslog.sh.
//   ploxen_forward_bench <rsyslog.sh> <folder> [lines] [rounds]
// (Unix paths: scripts/bench.sh passes them.)
#include "tests/system/rsyslog_server.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "bench/flood/flood_rounds.h"

namespace {

using namespace ploxen::bench;
using ploxen::rsyslog::RsyslogServer;

constexpr char kShownFigure[] = "lines/s shown, forwarding on (baseline: off)";
constexpr char kFloodText[] = "Zeile der Flut mit etwas Text wie ihn ein Programm schreibt";

// Rows lines of the round that begins at index first arrived whole and in order.
bool ArrivedInOrder(const RsyslogServer& server, std::size_t first, int lines) {
  const auto received = server.Messages();
  if (received.size() != first + static_cast<std::size_t>(lines)) return false;
  for (int i = 0; i < lines; ++i)
    if (received[first + static_cast<std::size_t>(i)].text != std::string(kFloodText) + " " + std::to_string(i + 1))
      return false;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: ploxen_forward_bench <rsyslog.sh> <folder> [lines] [rounds]\n");
    return 2;
  }
  const int lines = argc > 3 ? std::max(1, std::atoi(argv[3])) : 20000;
  const int rounds = argc > 4 ? std::max(1, std::atoi(argv[4])) : 5;
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  if (!ploxen::rsyslog::Installed()) {
    std::printf("forwarding: rsyslogd is not installed (Debian package rsyslog)\n");
    return 1;
  }
  const int port = ploxen::rsyslog::FreePort();
  RsyslogServer server(argv[1], argv[2], port);
  const std::string trouble = server.Start();
  if (!trouble.empty()) {
    std::printf("forwarding: rsyslogd did not start: %s\n", trouble.c_str());
    return 1;
  }

  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string profile = std::string(temp) + "ploxen_forward_bench.ini";
  const auto forwarding = [port](const std::string& path) {
    WritePrivateProfileStringA("NETZ", "WEITERLEITEN", "1", path.c_str());
    WritePrivateProfileStringA("NETZ", "ZIEL", ("127.0.0.1:" + std::to_string(port)).c_str(), path.c_str());
    WritePrivateProfileStringA("NETZ", "ZIELPROTOKOLL", "TCP", path.c_str());
  };

  std::vector<double> offRates, onRates, ratios, serverRates;
  int roundsMissing = 0;
  // Alternating rounds, so that a noisy moment of the machine hurts both.
  for (int r = 0; r < rounds; ++r) {
    offRates.push_back(PloxenRound(lines, profile));
    const std::size_t before = server.Messages().size();
    const std::size_t linesBefore = server.LineCount();
    double serverRate = 0;
    // PLOXEN.EXE stays open until rsyslogd has every row: closing it would
    // give up the rows still on their way.
    onRates.push_back(PloxenRound(lines, profile, forwarding, [&](double start) {
      const double deadline = Seconds() + 120;
      while (server.LineCount() < linesBefore + static_cast<std::size_t>(lines) && Seconds() < deadline) Sleep(5);
      if (server.LineCount() >= linesBefore + static_cast<std::size_t>(lines)) serverRate = lines / (Seconds() - start);
    }));
    const bool whole = ArrivedInOrder(server, before, lines);
    roundsMissing += whole ? 0 : 1;
    serverRates.push_back(serverRate);
    if (offRates.back() > 0) ratios.push_back(onRates.back() / offRates.back());
    std::printf("round %d: forwarding off %.0f lines/s, on %.0f lines/s; rsyslogd had all %s at %.0f lines/s\n", r + 1,
                offRates.back(), onRates.back(), whole ? "in order" : "NOT (rows missing or out of order)",
                serverRate);
    std::fflush(stdout);
  }
  const double off = Median(offRates);
  const double on = Median(onRates);
  if (off <= 0 || on <= 0) {
    std::printf("forwarding flood of %d lines: a round failed (a rate of 0 above)\n", lines);
    ReportFigure("forward", kShownFigure, kNotMeasured, "lines/s", kNotMeasured, Goal::RatioAtLeast(0.9));
    return 1;
  }
  std::printf("forwarding flood of %d lines, median of %d rounds:\n", lines, rounds);
  std::printf("  PLOXEN.EXE, forwarding off (baseline)   %8.0f lines/s\n", off);
  std::printf("  PLOXEN.EXE, forwarding on (TCP)         %8.0f lines/s\n", on);
  std::printf("  rsyslogd had every row                  %8.0f lines/s\n", Median(serverRates));
  std::printf("  ratio of the medians %.2f, median of the rounds' ratios %.2f (goal: at least 0.90)\n", on / off,
              Median(ratios));
  std::printf("  rsyslogd received every row of every round, in order: %s\n", roundsMissing == 0 ? "yes" : "NO");
  ReportFigure("forward", kShownFigure, on, "lines/s", off, Goal::RatioAtLeast(0.9));
  ReportFigure("forward", "rounds rsyslogd missed rows or their order", roundsMissing, "rounds", kNotMeasured,
               Goal::AtMost(0));
  ReportFigure("forward", "lines/s until rsyslogd had every row", Median(serverRates), "lines/s", on);
  return 0;  // rows missing are a figure of their own
}
