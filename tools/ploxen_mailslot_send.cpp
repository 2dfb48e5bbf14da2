// Writes remote lines "seq,computer,kind,text" to the mailslot of a running
// PLOXEN in remote mode, or over the network to its FERNPORT, from a batch
// file or a test:
//   ploxen_mailslot_send [-computer NAME | -udp HOST:PORT | -tcp HOST:PORT]
//                        [-host NAME] [-seq N] [-kind K] [-count N] [-stdin]
//                        [-raw TEXT]... [-rawfile PATH] text...
// -computer NAME writes to \\NAME\mailslot\ploxen instead of this computer's
// mailslot; -udp sends each line as one datagram, -tcp each line ended by a
// line feed on one connection; -host NAME is the computer field (default:
// this computer's name); -seq N numbers the lines from N (default 1), one
// more per line; -kind K is the kind code (default 0x303; C notation, written
// in decimal); -count N writes the text N times, numbered; -stdin writes each
// input line. -raw TEXT writes TEXT as it is (no NUL, no numbering; may be
// given several times, and "" writes an empty message); -rawfile PATH writes
// a file's bytes as one message. Lines in the format end with a NUL in the
// mailslot, as senders write them; over the network a datagram is the line
// itself, and on TCP -raw TEXT is followed by a line feed while -rawfile
// goes as it is. Arguments are taken as Unicode and sent as UTF-8; -stdin
// and -rawfile send their bytes as they come.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "net/network_settings.h"
#include "tools/utf8_arguments.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: ploxen_mailslot_send [-computer NAME | -udp HOST:PORT | -tcp HOST:PORT]\n"
               "                            [-host NAME] [-seq N] [-kind K] [-count N] [-stdin]\n"
               "                            [-raw TEXT]... [-rawfile PATH] text...\n");
  return 2;
}

std::string ThisComputer() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return GetComputerNameW(name, &size) ? ploxen::Utf8Of(name) : std::string("?");
}

bool ReadWholeFile(const char* path, std::string& bytes) {
  FILE* file = _wfopen(ploxen::WideOf(path).c_str(), L"rb");
  if (!file) return false;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, n);
  std::fclose(file);
  return true;
}

// Where the lines go: the mailslot or a socket.
class Road {
 public:
  virtual ~Road() = default;
  // One line or raw message; withEnd adds the road's line end.
  virtual bool Write(const std::string& bytes, bool withEnd) = 0;
};

class Mailslot : public Road {
 public:
  explicit Mailslot(const std::string& name) : name_(name) {
    handle_ = CreateFileW(ploxen::WideOf(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    error_ = GetLastError();
  }
  ~Mailslot() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  bool Open() const { return handle_ != INVALID_HANDLE_VALUE; }
  DWORD Error() const { return error_; }
  // One message of exactly these bytes.
  bool Write(const std::string& bytes, bool withNul) override {
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

std::unique_ptr<Road> OpenMailslot(const std::string& computer) {
  const std::string name = "\\\\" + computer + "\\mailslot\\ploxen";
  auto slot = std::make_unique<Mailslot>(name);
  if (slot->Open()) return slot;
  if (slot->Error() == ERROR_FILE_NOT_FOUND)
    std::fprintf(stderr, "ploxen_mailslot_send: no mailslot %s: is PLOXEN running with FERNDEBUG=1?\n", name.c_str());
  else
    std::fprintf(stderr, "ploxen_mailslot_send: cannot open %s (error %lu)\n", name.c_str(),
                 static_cast<unsigned long>(slot->Error()));
  return nullptr;
}

class NetworkRoad : public Road {
 public:
  NetworkRoad(bool tcp, std::string target) : tcp_(tcp), target_(std::move(target)) {}
  ~NetworkRoad() override {
    if (socket_ != INVALID_SOCKET) {
      shutdown(socket_, SD_SEND);
      closesocket(socket_);
    }
    if (started_) WSACleanup();
  }
  bool Open() {
    const std::optional<ploxen::NetworkTarget> target = ploxen::ParseNetworkTarget(target_);
    if (!target) {
      std::fprintf(stderr, "ploxen_mailslot_send: %s is not HOST:PORT\n", target_.c_str());
      return false;
    }
    WSADATA data{};
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    addrinfo hints{};
    hints.ai_socktype = tcp_ ? SOCK_STREAM : SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (!started_ || getaddrinfo(target->host.c_str(), std::to_string(target->port).c_str(), &hints, &found) != 0) {
      std::fprintf(stderr, "ploxen_mailslot_send: cannot find %s\n", target->host.c_str());
      return false;
    }
    for (addrinfo* a = found; a && socket_ == INVALID_SOCKET; a = a->ai_next) {
      socket_ = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
      if (socket_ != INVALID_SOCKET && connect(socket_, a->ai_addr, static_cast<int>(a->ai_addrlen)) != 0) {
        closesocket(socket_);
        socket_ = INVALID_SOCKET;
      }
    }
    freeaddrinfo(found);
    if (socket_ == INVALID_SOCKET)
      std::fprintf(stderr, "ploxen_mailslot_send: cannot connect to %s (error %d)\n", target_.c_str(),
                   WSAGetLastError());
    return socket_ != INVALID_SOCKET;
  }
  bool Write(const std::string& bytes, bool withEnd) override {
    const std::string out = tcp_ && withEnd ? bytes + "\n" : bytes;
    std::size_t sent = 0;
    // A datagram goes whole or not at all; a stream may take it in parts.
    do {
      const int n = send(socket_, out.data() + sent, static_cast<int>(out.size() - sent), 0);
      if (n < 0) {
        std::fprintf(stderr, "ploxen_mailslot_send: sending to %s failed (error %d)\n", target_.c_str(),
                     WSAGetLastError());
        return false;
      }
      sent += static_cast<std::size_t>(n);
    } while (tcp_ && sent < out.size());
    return true;
  }

 private:
  bool tcp_;
  std::string target_;
  bool started_ = false;
  SOCKET socket_ = INVALID_SOCKET;
};

}  // namespace

namespace {

struct Options {
  std::string computer = ".";
  std::string host = ThisComputer();
  long sequence = 1;
  long kind = 0x303;
  long count = 1;
  bool fromStdin = false;
  std::vector<std::string> raw;
  std::vector<bool> rawIsFile;
  std::string text;
  std::string network;  // HOST:PORT
  bool tcp = false;
};

// Returns 0, or the exit status when the arguments do not do.
int ReadOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "-computer" && hasValue) {
      o.computer = argv[++i];
    } else if ((arg == "-udp" || arg == "-tcp") && hasValue) {
      o.tcp = arg == "-tcp";
      o.network = argv[++i];
    } else if (arg == "-host" && hasValue) {
      o.host = argv[++i];
    } else if (arg == "-seq" && hasValue) {
      o.sequence = std::strtol(argv[++i], nullptr, 10);
    } else if (arg == "-kind" && hasValue) {
      o.kind = std::strtol(argv[++i], nullptr, 0);
    } else if (arg == "-count" && hasValue) {
      o.count = std::strtol(argv[++i], nullptr, 0);
    } else if (arg == "-stdin") {
      o.fromStdin = true;
    } else if (arg == "-raw" && hasValue) {
      o.raw.push_back(argv[++i]);
      o.rawIsFile.push_back(false);
    } else if (arg == "-rawfile" && hasValue) {
      std::string bytes;
      if (!ReadWholeFile(argv[++i], bytes)) {
        std::fprintf(stderr, "ploxen_mailslot_send: cannot read %s\n", argv[i]);
        return 2;
      }
      o.raw.push_back(bytes);
      o.rawIsFile.push_back(true);
    } else {
      if (!o.text.empty()) o.text += ' ';
      o.text += arg;
    }
  }
  return o.text.empty() && !o.fromStdin && o.raw.empty() ? Usage() : 0;
}

std::unique_ptr<Road> OpenRoad(const Options& o) {
  if (o.network.empty()) return OpenMailslot(o.computer);
  auto socketRoad = std::make_unique<NetworkRoad>(o.tcp, o.network);
  if (!socketRoad->Open()) return nullptr;
  return socketRoad;
}

bool WriteLines(Road& slot, Options& o) {
  const bool overNetwork = !o.network.empty();
  for (std::size_t r = 0; r < o.raw.size(); ++r)
    if (!slot.Write(o.raw[r], overNetwork && !o.rawIsFile[r])) return false;
  auto line = [&](const std::string& t) {
    return std::to_string(o.sequence++) + "," + o.host + "," + std::to_string(o.kind) + "," + t;
  };
  // The mailslot's lines end with a NUL; a datagram or a TCP line does not.
  const bool withEnd = !overNetwork || o.tcp;
  if (o.fromStdin) {
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, stdin)) {
      std::string s(buffer);
      while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
      if (!slot.Write(line(s), withEnd)) return false;
    }
  } else if (!o.text.empty()) {
    for (long n = 0; n < o.count; ++n)
      if (!slot.Write(line(o.count > 1 ? o.text + " " + std::to_string(n + 1) : o.text), withEnd)) return false;
  }
  return true;
}

int Run(int argc, char** argv) {
  Options options;
  if (const int status = ReadOptions(argc, argv, options)) return status;
  const std::unique_ptr<Road> road = OpenRoad(options);
  if (!road) return 1;
  return WriteLines(*road, options) ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  ploxen::Utf8Arguments arguments(argc, argv);
  return Run(arguments.Count(), arguments.Values());
}
