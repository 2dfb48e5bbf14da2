// The copy-data flood with the log file on, as text and as the binary file,
// against the same flood with it off, in alternating rounds of one run: the
// list's rates and their ratios (goal: with the log at least 0.95 of the rate
// without), and whether the file held every line, in order, once PLOXEN.EXE
// had closed. Also what FlushFileBuffers costs here, which decides how often
// the log asks for it.
//   ploxen_log_bench [lines] [rounds]
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/flood/flood_rounds.h"
#include "core/row_store.h"
#include "storage/binary_file.h"
#include "storage/byte_stream.h"

namespace {

using namespace ploxen::bench;

constexpr char kFloodText[] = "Zeile der Flut mit etwas Text wie ihn ein Programm schreibt";

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The one file the log wrote in the folder (its name carries its start).
std::string OnlyFile(const std::string& folder) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\flut-*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return {};
  std::string name = folder + "\\" + data.cFileName;
  const bool more = FindNextFileA(find, &data);
  FindClose(find);
  return more ? std::string() : name;
}

void EmptyFolder(const std::string& folder) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do DeleteFileA((folder + "\\" + data.cFileName).c_str());
  while (FindNextFileA(find, &data));
  FindClose(find);
}

// The messages of the file, in order.
std::vector<std::string> Messages(const std::string& path, bool binary) {
  const std::string bytes = FileText(path);
  std::vector<std::string> messages;
  if (binary) {
    ploxen::MessageRows rows;
    ploxen::MemorySource source(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    ploxen::ReadBinaryFile(source, rows);
    for (std::size_t r = 0; r < rows.size(); ++r) messages.emplace_back(rows.Row(r).Text(2));
    return messages;
  }
  for (std::size_t at = 3; at < bytes.size();) {
    const std::size_t end = bytes.find("\r\n", at);
    if (end == std::string::npos) break;
    const std::size_t tab = bytes.rfind('\t', end);
    messages.push_back(bytes.substr(tab + 1, end - tab - 1));
    at = end + 2;
  }
  return messages;
}

bool EveryLineInOrder(const std::string& folder, bool binary, int lines) {
  const std::string path = OnlyFile(folder);
  if (path.empty()) return false;
  const std::vector<std::string> messages = Messages(path, binary);
  if (messages.size() != static_cast<std::size_t>(lines)) return false;
  for (int i = 0; i < lines; ++i)
    if (messages[static_cast<std::size_t>(i)] != std::string(kFloodText) + " " + std::to_string(i + 1)) return false;
  return true;
}

// Milliseconds one FlushFileBuffers takes after a write of 64 KB, the median
// of some rounds, and the same write without it.
void MeasureDiskFlush(const std::string& folder, double& withFlush, double& without) {
  const std::string path = folder + "\\flush.tmp";
  const std::string block(64 * 1024, 'x');
  std::vector<double> flushed, plain;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
  for (int i = 0; i < 40 && file != INVALID_HANDLE_VALUE; ++i) {
    DWORD written = 0;
    double start = Seconds();
    WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &written, nullptr);
    plain.push_back((Seconds() - start) * 1000);
    start = Seconds();
    WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &written, nullptr);
    FlushFileBuffers(file);
    flushed.push_back((Seconds() - start) * 1000);
  }
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  DeleteFileA(path.c_str());
  withFlush = flushed.empty() ? 0 : Median(flushed);
  without = plain.empty() ? 0 : Median(plain);
}

}  // namespace

int main(int argc, char** argv) {
  const int lines = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string profile = std::string(temp) + "ploxen_log_bench.ini";
  const std::string folder = std::string(temp) + "ploxen_log_bench";
  CreateDirectoryA(folder.c_str(), nullptr);
  EmptyFolder(folder);

  const auto logTo = [&folder](const char* name, const char* format) {
    return [&folder, name, format](const std::string& path) {
      WritePrivateProfileStringA("PROTOKOLL", "EIN", "1", path.c_str());
      WritePrivateProfileStringA("PROTOKOLL", "DATEI", (folder + "\\" + name).c_str(), path.c_str());
      WritePrivateProfileStringA("PROTOKOLL", "FORMAT", format, path.c_str());
      WritePrivateProfileStringA("PROTOKOLL", "GROESSE", "0", path.c_str());
      WritePrivateProfileStringA("PROTOKOLL", "TAEGLICH", "0", path.c_str());
      WritePrivateProfileStringA("PROTOKOLL", "BEHALTEN", "0", path.c_str());
    };
  };

  std::vector<double> offRates, textRates, binaryRates, textRatios, binaryRatios;
  int textMissing = 0, binaryMissing = 0;
  // Alternating rounds, so that a noisy moment of the machine hurts all three.
  for (int r = 0; r < rounds; ++r) {
    // Each kind goes first in turn: a round's first start of PLOXEN.EXE
    // meets the machine as the last round left it.
    bool textWhole = false, binaryWhole = false;
    double off = 0, text = 0, binary = 0;
    for (int k = 0; k < 3; ++k) {
      switch ((r + k) % 3) {
        case 0: off = PloxenRound(lines, profile); break;
        case 1:
          text = PloxenRound(lines, profile, logTo("flut.txt", "0"));
          textWhole = EveryLineInOrder(folder, false, lines);
          EmptyFolder(folder);
          break;
        default:
          binary = PloxenRound(lines, profile, logTo("flut.bin", "1"));
          binaryWhole = EveryLineInOrder(folder, true, lines);
          EmptyFolder(folder);
          break;
      }
    }
    offRates.push_back(off);
    textRates.push_back(text);
    binaryRates.push_back(binary);
    textMissing += textWhole ? 0 : 1;
    binaryMissing += binaryWhole ? 0 : 1;
    if (offRates.back() > 0) {
      textRatios.push_back(textRates.back() / offRates.back());
      binaryRatios.push_back(binaryRates.back() / offRates.back());
    }
    std::printf("round %d: log off %.0f lines/s, text %.0f lines/s (%s), binary %.0f lines/s (%s)\n", r + 1,
                offRates.back(), textRates.back(), textWhole ? "every line" : "LINES MISSING", binaryRates.back(),
                binaryWhole ? "every line" : "LINES MISSING");
    std::fflush(stdout);
  }
  double flushMs = 0, plainMs = 0;
  MeasureDiskFlush(folder, flushMs, plainMs);
  RemoveDirectoryA(folder.c_str());

  const double off = Median(offRates), text = Median(textRates), binary = Median(binaryRates);
  if (off <= 0 || text <= 0 || binary <= 0) {
    std::printf("log flood of %d lines: a round failed (a rate of 0 above)\n", lines);
    ReportFigure("log", "lines/s shown, text log on (baseline: off)", kNotMeasured, "lines/s", kNotMeasured,
                 Goal::RatioAtLeast(0.95));
    return 1;
  }
  std::printf("log flood of %d lines, median of %d rounds:\n", lines, rounds);
  std::printf("  PLOXEN.EXE, log off (baseline)   %8.0f lines/s\n", off);
  std::printf("  PLOXEN.EXE, text log             %8.0f lines/s  ratio %.2f, of the rounds %.2f\n", text, text / off,
              Median(textRatios));
  std::printf("  PLOXEN.EXE, binary log           %8.0f lines/s  ratio %.2f, of the rounds %.2f\n", binary,
              binary / off, Median(binaryRatios));
  std::printf("  every line in the file, in order: text %s, binary %s\n", textMissing ? "NO" : "yes",
              binaryMissing ? "NO" : "yes");
  std::printf("  a 64 KB write %.3f ms, with FlushFileBuffers %.3f ms\n", plainMs, flushMs);
  ReportFigure("log", "lines/s shown, text log on (baseline: off)", text, "lines/s", off, Goal::RatioAtLeast(0.95));
  ReportFigure("log", "lines/s shown, binary log on (baseline: off)", binary, "lines/s", off,
               Goal::RatioAtLeast(0.95));
  ReportFigure("log", "rounds whose file missed lines or their order", textMissing + binaryMissing, "rounds",
               kNotMeasured, Goal::AtMost(0));
  ReportFigure("log", "ms for a 64 KB write with FlushFileBuffers (baseline: without)", flushMs, "ms", plainMs);
  return 0;
}
