// Writes remote lines "seq,computer,kind,text" to the mailslot of a running
// PLOXEN in remote mode, from a batch file or a test:
//   ploxen_mailslot_send [-computer NAME] [-host NAME] [-seq N] [-kind K]
//                        [-count N] [-stdin] [-raw TEXT]... [-rawfile PATH] text...
// -computer NAME writes to \\NAME\mailslot\ploxen instead of this computer's
// mailslot; -host NAME is the computer field (default: this computer's name);
// -seq N numbers the lines from N (default 1), one more per line; -kind K is
// the kind code (default 0x303; C notation, written in decimal); -count N
// writes the text N times, numbered; -stdin writes each input line.
// -raw TEXT writes TEXT as it is (no NUL, no numbering; may be given several
// times, and "" writes an empty message); -rawfile PATH writes a file's bytes
// as one message. Lines in the format end with a NUL, as senders write them.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: ploxen_mailslot_send [-computer NAME] [-host NAME] [-seq N] [-kind K] [-count N] [-stdin]\n"
               "                            [-raw TEXT]... [-rawfile PATH] text...\n");
  return 2;
}

std::string ThisComputer() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  return GetComputerNameA(name, &size) ? std::string(name, size) : std::string("?");
}

bool ReadWholeFile(const char* path, std::string& bytes) {
  FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, n);
  std::fclose(file);
  return true;
}

class Mailslot {
 public:
  explicit Mailslot(const std::string& name) : name_(name) {
    handle_ = CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                          nullptr);
    error_ = GetLastError();
  }
  ~Mailslot() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  bool Open() const { return handle_ != INVALID_HANDLE_VALUE; }
  DWORD Error() const { return error_; }
  // One message of exactly these bytes.
  bool Write(const std::string& bytes, bool withNul) {
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(bytes.size() + (withNul ? 1 : 0));
    if (WriteFile(handle_, bytes.c_str(), size, &written, nullptr) && written == size) return true;
    std::fprintf(stderr, "ploxen_mailslot_send: writing to %s failed (error %lu)\n", name_.c_str(),
                 static_cast<unsigned long>(GetLastError()));
    return false;
  }

 private:
  std::string name_;
  HANDLE handle_;
  DWORD error_;
};

}  // namespace

int main(int argc, char** argv) {
  std::string computer = ".";
  std::string host = ThisComputer();
  long sequence = 1;
  long kind = 0x303;
  long count = 1;
  bool fromStdin = false;
  std::vector<std::string> raw;
  std::string text;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "-computer" && hasValue) {
      computer = argv[++i];
    } else if (arg == "-host" && hasValue) {
      host = argv[++i];
    } else if (arg == "-seq" && hasValue) {
      sequence = std::strtol(argv[++i], nullptr, 10);
    } else if (arg == "-kind" && hasValue) {
      kind = std::strtol(argv[++i], nullptr, 0);
    } else if (arg == "-count" && hasValue) {
      count = std::strtol(argv[++i], nullptr, 0);
    } else if (arg == "-stdin") {
      fromStdin = true;
    } else if (arg == "-raw" && hasValue) {
      raw.push_back(argv[++i]);
    } else if (arg == "-rawfile" && hasValue) {
      std::string bytes;
      if (!ReadWholeFile(argv[++i], bytes)) {
        std::fprintf(stderr, "ploxen_mailslot_send: cannot read %s\n", argv[i]);
        return 2;
      }
      raw.push_back(bytes);
    } else {
      if (!text.empty()) text += ' ';
      text += arg;
    }
  }
  if (text.empty() && !fromStdin && raw.empty()) return Usage();

  const std::string name = "\\\\" + computer + "\\mailslot\\ploxen";
  Mailslot slot(name);
  if (!slot.Open()) {
    if (slot.Error() == ERROR_FILE_NOT_FOUND)
      std::fprintf(stderr, "ploxen_mailslot_send: no mailslot %s: is PLOXEN running with FERNDEBUG=1?\n",
                   name.c_str());
    else
      std::fprintf(stderr, "ploxen_mailslot_send: cannot open %s (error %lu)\n", name.c_str(),
                   static_cast<unsigned long>(slot.Error()));
    return 1;
  }

  for (const std::string& message : raw)
    if (!slot.Write(message, false)) return 1;
  auto line = [&](const std::string& t) {
    return std::to_string(sequence++) + "," + host + "," + std::to_string(kind) + "," + t;
  };
  if (fromStdin) {
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, stdin)) {
      std::string s(buffer);
      while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
      if (!slot.Write(line(s), true)) return 1;
    }
  } else if (!text.empty()) {
    for (long n = 0; n < count; ++n)
      if (!slot.Write(line(count > 1 ? text + " " + std::to_string(n + 1) : text), true)) return 1;
  }
  return 0;
}
