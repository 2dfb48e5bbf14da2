// Every program's debug output (OutputDebugString) on the console, for build
// servers and unattended runs: one line per line as it comes, or with -o into
// PLOXEN's binary file, which PLOXEN opens. Ctrl+C, closing the console, or
// "ploxen_capture -stop" from another window ends it with the file complete.
// Each line's bytes are read by the roads' 8-bit rule, as PLOXEN reads them.
// A console is written in UTF-16, so that it shows every script; redirected,
// the output is UTF-8, or with -ansi code page 1252 as it was before.
//   ploxen_capture [-ansi] [-o FILE]
//   ploxen_capture -stop
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/line_stamp.h"
#include "core/text.h"
#include "fw/console.h"
#include "fw/file.h"
#include "roads/system_debug_capture.h"
#include "sources/capture_file.h"
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

// The binary file on the disk. It is made as "Speichern" makes a file: new
// beside the target, with the header of no rows, and put in the target's
// place once that is written, so an old file goes only for a whole one.
// Where the folder takes no new file, the target is written in place.
class DiskFile : public CaptureTarget {
 public:
  bool Open(const std::string& path, std::string& error) {
    fw::FileAccess files(nullptr);
    std::string temporary;
    bool notAllowed = false;
    std::unique_ptr<ploxen::OutputFile> created = files.CreateBeside(path, temporary, error, notAllowed);
    if (!created && !notAllowed) return false;
    const bool beside = created != nullptr;
    if (beside) {
      const std::vector<unsigned char> header = CaptureFile::Header(0);
      const bool whole = created->Write(header.data(), header.size()) && created->Close();
      if (!whole) error = created->Error();
      created.reset();
      if (!whole || !files.Replace(temporary, path, error)) {
        files.Remove(temporary);
        return false;
      }
    }
    file_ = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, beside ? OPEN_EXISTING : OPEN_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ != INVALID_HANDLE_VALUE) return true;
    error = fw::ErrorText(GetLastError());
    return false;
  }
  bool WriteAt(std::uint64_t offset, const unsigned char* bytes, std::size_t size) override {
    DWORD written = 0;
    if (!MoveTo(offset) || !WriteFile(file_, bytes, static_cast<DWORD>(size), &written, nullptr)) return Fail();
    if (written == size) return true;
    error_ = ERROR_DISK_FULL;
    return false;
  }
  bool CutAt(std::uint64_t size) override { return (MoveTo(size) && SetEndOfFile(file_)) || Fail(); }
  // Why the last write failed.
  std::string Error() const { return fw::ErrorText(error_); }
  void Close() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
  }
  ~DiskFile() override { Close(); }

 private:
  bool MoveTo(std::uint64_t offset) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) != FALSE;
  }
  bool Fail() {
    error_ = GetLastError();
    return false;
  }

  HANDLE file_ = INVALID_HANDLE_VALUE;
  DWORD error_ = ERROR_SUCCESS;
};

class Capture {
 public:
  Capture(const std::string& path, fw::StandardStream::Redirected redirected)
      : path_(path),
        stamp_([this] { return CaptureTimeOfDay(stampTime_); }),
        out_(GetStdHandle(STD_OUTPUT_HANDLE), redirected),
        err_(GetStdHandle(STD_ERROR_HANDLE), redirected) {}

  int Run() {
    // The buffer first: a capture that cannot start leaves the file alone.
    HANDLE wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const auto begun = capture_.Begin([wake] { SetEvent(wake); });
    if (begun == SystemDebugCapture::Begun::kBusy) {
      Say(kSystemWideBusy);
      CloseHandle(wake);
      return 2;
    }
    if (begun != SystemDebugCapture::Begun::kCapturing) {
      Say("Die systemweiten Debug-Ausgaben k\xF6nnen nicht gelesen werden (Fehler " + std::to_string(GetLastError()) +
          ").");
      CloseHandle(wake);
      return 1;
    }
    if (!path_.empty()) {
      std::string error;
      bool open = file_.Open(path_, error);
      if (open && !rows_.Start(file_)) {
        open = false;
        error = file_.Error();
      }
      if (!open) {
        Say("Die Datei " + path_ + " kann nicht angelegt werden: " + error);
        capture_.End();
        CloseHandle(wake);
        return 1;
      }
    }
    Say(SystemWideState(true, capture_.Global(), false));
    HANDLE waits[2] = {g_stop, wake};
    for (;;) {
      const DWORD signalled = WaitForMultipleObjects(2, waits, FALSE, kLookMs);
      if (signalled == WAIT_OBJECT_0) break;
      do Take(false);
      while (capture_.Rearm());
    }
    // Closed first, so that no sender waits for this program any more.
    capture_.End();
    Take(true);
    file_.Close();
    CloseHandle(wake);
    if (path_.empty()) return 0;
    Say(std::to_string(rows_.Count()) + " Zeilen in " + path_);
    const std::uint64_t missing = rows_.Waiting() + rows_.GivenUp();
    if (missing == 0) return 0;
    Say(std::to_string(missing) + " Zeilen konnten nicht in " + path_ + " geschrieben werden.");
    return 1;
  }

 private:
  // A line on standard error; the program's own texts (and the names the
  // system gives in its ANSI code page) are code page 1252.
  void Say(const std::string& text) { err_.Write(Cp1252ToUtf8(text) + "\n"); }

  void Take(bool last) {
    const std::int64_t now = fw::SteadyWholeMs();
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
    // A batch goes to the console in one write: a log shows it at once.
    printed_.clear();
    for (const JoinedLine& line : lines_) {
      // The rule needs the whole line: pieces are joined first.
      const std::string& name = names_.Name(line.processId, now);
      if (path_.empty()) {
        const std::string_view text = EightBitRowText(line.text, converted_);
        printed_ += ConsoleLine(CaptureTimeOfDay(line.arrivalMs), line.processId, EightBitToUtf8(name), text);
        printed_ += '\n';
      } else {
        stampTime_ = line.arrivalMs;
        rows_.Add(SystemWideRecord(line.processId, name, line.text, stamp_));
      }
    }
    if (!printed_.empty()) out_.Write(printed_);
    const std::uint64_t lost = capture_.Lost();
    if (lost > lostShown_) {
      const std::string text = LostLinesText(lost - lostShown_);
      Say(text);
      AddToFile(now, text);
      lostShown_ = lost;
    }
    if (now - lastSweepMs_ >= kSweepMs) {
      names_.Sweep();
      lastSweepMs_ = now;
    }
    if (!path_.empty()) WriteRows(now, last);
  }

  // A red row of the file's own, from a text of the program's (code page 1252).
  void AddToFile(std::int64_t now, const std::string& text) {
    if (path_.empty()) return;
    stampTime_ = now;
    rows_.Add(SystemWideNotice(Cp1252ToUtf8(text), stamp_));
  }

  // After a failure the rows wait, and are tried again after a pause.
  void WriteRows(std::int64_t now, bool last) {
    if (!last && now < retryAtMs_) return;
    if (rows_.Write(file_)) {
      retryAtMs_ = 0;
    } else {
      if (!writeFailed_) Say("Die Datei " + path_ + " kann nicht geschrieben werden: " + file_.Error());
      writeFailed_ = true;
      retryAtMs_ = now + kRetryMs;
    }
    if (rows_.GivenUp() > givenUpShown_) {
      const std::string text = std::to_string(rows_.GivenUp() - givenUpShown_) +
                               " Zeilen konnten nicht in die Datei geschrieben werden und sind verloren.";
      Say(text);
      AddToFile(now, text);
      givenUpShown_ = rows_.GivenUp();
    }
  }

  static constexpr std::int64_t kRetryMs = 1000;

  std::string path_;
  SystemDebugCapture capture_;
  Win32ProcessProbe probe_;
  ProgramNames names_{probe_};
  LineJoiner joiner_;
  std::int64_t stampTime_ = 0;
  LineStamp stamp_;
  std::vector<JoinedLine> lines_;
  std::string converted_;
  std::string printed_;
  CaptureFile rows_;
  DiskFile file_;
  fw::StandardStream out_;
  fw::StandardStream err_;
  std::uint64_t lostShown_ = 0;
  std::uint64_t givenUpShown_ = 0;
  std::int64_t lastSweepMs_ = 0;
  std::int64_t retryAtMs_ = 0;
  bool writeFailed_ = false;
};

int Usage() {
  fw::StandardStream(GetStdHandle(STD_ERROR_HANDLE))
      .Write("ploxen_capture [-ansi] [-o DATEI]   Debug-Ausgaben aller Programme lesen, bis Strg+C\n"
             "ploxen_capture -stop                ein laufendes ploxen_capture beenden\n"
             "  -ansi  umgeleitete Ausgabe in Codepage 1252 statt UTF-8\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string path;
  auto redirected = fw::StandardStream::Redirected::kUtf8;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc) {
      path = argv[++i];
    } else if (std::strcmp(argv[i], "-ansi") == 0) {
      redirected = fw::StandardStream::Redirected::kCp1252;
    } else if (std::strcmp(argv[i], "-stop") == 0 && argc == 2) {
      HANDLE stop = OpenEventA(EVENT_MODIFY_STATE, FALSE, kStopEvent);
      if (!stop) {
        fw::StandardStream(GetStdHandle(STD_ERROR_HANDLE)).Write(ploxen::Cp1252ToUtf8("Kein ploxen_capture l\xE4uft.\n"));
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
    Capture capture(path, redirected);
    status = capture.Run();
  }
  SetEvent(g_done);
  return status;
}
