// Every program's debug output (OutputDebugString) on the console, for build
// servers and unattended runs: one line per line as it comes, or with -o into
// PLOXEN's binary file, which PLOXEN opens. Ctrl+C, closing the console, or
// "ploxen_capture -stop" from another window ends it with the file complete.
//   ploxen_capture [-o FILE]
//   ploxen_capture -stop
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/line_stamp.h"
#include "sources/capture_file.h"
#include "sources/system_debug_capture.h"
#include "sources/system_wide_lines.h"

namespace {

using namespace ploxen;

constexpr char kStopEvent[] = "PLOXEN_CAPTURE_STOP";
constexpr DWORD kLookMs = 50;  // how often waiting pieces are looked at
constexpr std::int64_t kSweepMs = 500;

HANDLE g_stop = nullptr;
HANDLE g_done = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  SetEvent(g_stop);
  // After these the process is ended when the handler returns: the file is
  // finished first.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
    WaitForSingleObject(g_done, 4000);
  return TRUE;
}

// The binary file, whole after every batch: records at the end, then the
// row count at the start.
class OutputFile {
 public:
  bool Open(const std::string& path) {
    file_ = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
    if (file_ == INVALID_HANDLE_VALUE) return false;
    const std::vector<unsigned char> header = CaptureFile::Header(0);
    return WriteAt(0, header);
  }
  bool Append(CaptureFile& rows) {
    if (rows.Waiting() == 0) return true;
    const std::vector<unsigned char> records = rows.TakeRecords();
    LARGE_INTEGER end{};
    if (!SetFilePointerEx(file_, LARGE_INTEGER{}, &end, FILE_END)) return false;
    return WriteAt(static_cast<std::uint64_t>(end.QuadPart), records) && WriteAt(0, CaptureFile::Header(rows.Count()));
  }
  void Close() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
  }
  ~OutputFile() { Close(); }

 private:
  bool WriteAt(std::uint64_t offset, const std::vector<unsigned char>& bytes) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    DWORD written = 0;
    return SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) &&
           WriteFile(file_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
  }
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

class Capture {
 public:
  explicit Capture(const std::string& path) : path_(path), stamp_([this] { return CaptureTimeOfDay(stampTime_); }) {}

  int Run() {
    if (!path_.empty() && !file_.Open(path_)) {
      std::fprintf(stderr, "Die Datei %s kann nicht angelegt werden (Fehler %lu).\n", path_.c_str(), GetLastError());
      return 1;
    }
    HANDLE wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const auto begun = capture_.Begin([wake] { SetEvent(wake); });
    if (begun == SystemDebugCapture::Begun::kBusy) {
      std::fprintf(stderr, "%s\n", kSystemWideBusy);
      return 2;
    }
    if (begun != SystemDebugCapture::Begun::kCapturing) {
      std::fprintf(stderr, "Die systemweiten Debug-Ausgaben k\xF6nnen nicht gelesen werden (Fehler %lu).\n",
                   GetLastError());
      return 1;
    }
    std::fprintf(stderr, "%s\n", SystemWideState(true, capture_.Global(), false).c_str());
    HANDLE waits[2] = {g_stop, wake};
    bool ok = true;
    for (;;) {
      const DWORD signalled = WaitForMultipleObjects(2, waits, FALSE, kLookMs);
      if (signalled == WAIT_OBJECT_0) break;
      do ok = Take(false) && ok;
      while (capture_.Rearm());
    }
    // Closed first, so that no sender waits for this program any more.
    capture_.End();
    ok = Take(true) && ok;
    file_.Close();
    CloseHandle(wake);
    if (!path_.empty()) std::fprintf(stderr, "%lu Zeilen in %s\n", static_cast<unsigned long>(rows_.Count()), path_.c_str());
    return ok ? 0 : 1;
  }

 private:
  bool Take(bool last) {
    const std::int64_t now = CaptureNowMs();
    lines_.clear();
    capture_.Drain([this](std::uint32_t processId, std::int64_t arrivalMs, std::string_view text) {
      joiner_.Add(processId, arrivalMs, text, lines_);
    });
    if (last)
      joiner_.FlushAll(now, lines_);
    else
      joiner_.Flush(now, lines_);
    // The processes the capture opened with these lines: some may be gone.
    capture_.TakeOpened([this](std::uint32_t processId, ProcessProbe::Handle process) { names_.Adopt(processId, process); });
    for (const JoinedLine& line : lines_) {
      const std::string program = names_.Name(line.processId, now);
      if (path_.empty()) {
        const std::string text = ConsoleLine(CaptureTimeOfDay(line.arrivalMs), line.processId, program, line.text);
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fputc('\n', stdout);
      } else {
        stampTime_ = line.arrivalMs;
        rows_.Add(0x303, SystemWideRowText(line.processId, program, line.text, stamp_).c_str());
      }
    }
    const std::uint64_t lost = capture_.Lost();
    if (lost > lostShown_) {
      const std::string text = LostLinesText(lost - lostShown_);
      std::fprintf(stderr, "%s\n", text.c_str());
      if (!path_.empty()) {
        stampTime_ = now;
        rows_.Add(0x103, (std::string(ploxen::kPlaceholderPrefix) + stamp_.Stamp(text)).c_str());
      }
      lostShown_ = lost;
    }
    if (now - lastSweepMs_ >= kSweepMs) {
      names_.Sweep();
      lastSweepMs_ = now;
    }
    // A log shows each batch at once.
    std::fflush(stdout);
    if (path_.empty() || file_.Append(rows_)) return true;
    if (!writeFailed_) std::fprintf(stderr, "Die Datei %s kann nicht geschrieben werden (Fehler %lu).\n", path_.c_str(), GetLastError());
    writeFailed_ = true;
    return false;
  }

  std::string path_;
  SystemDebugCapture capture_;
  Win32ProcessProbe probe_;
  ProgramNames names_{probe_};
  LineJoiner joiner_;
  std::int64_t stampTime_ = 0;
  LineStamp stamp_;
  std::vector<JoinedLine> lines_;
  CaptureFile rows_;
  OutputFile file_;
  std::uint64_t lostShown_ = 0;
  std::int64_t lastSweepMs_ = 0;
  bool writeFailed_ = false;
};

int Usage() {
  std::fprintf(stderr,
               "ploxen_capture [-o DATEI]   Debug-Ausgaben aller Programme lesen, bis Strg+C\n"
               "ploxen_capture -stop        ein laufendes ploxen_capture beenden\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string path;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc) {
      path = argv[++i];
    } else if (std::strcmp(argv[i], "-stop") == 0 && argc == 2) {
      HANDLE stop = OpenEventA(EVENT_MODIFY_STATE, FALSE, kStopEvent);
      if (!stop) {
        std::fprintf(stderr, "Kein ploxen_capture l\xE4uft.\n");
        return 1;
      }
      SetEvent(stop);
      CloseHandle(stop);
      return 0;
    } else {
      return Usage();
    }
  }
  g_stop = CreateEventA(nullptr, TRUE, FALSE, kStopEvent);
  g_done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!g_stop || !g_done) return 1;
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  int status = 0;
  {
    Capture capture(path);
    status = capture.Run();
  }
  SetEvent(g_done);
  return status;
}
