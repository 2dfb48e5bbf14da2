// Debian's rsyslogd as a real syslog server at the far end of forwarding,
// for the forwarding tests and the forwarding benchmark. It runs natively,
// started and stopped by rsyslog.sh in a folder of its own; Wine starts the
// Unix script but hands back no process to wait for, so the script writes its
// outcome into a marker file. Include before <windows.h> (Winsock 2).
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace ploxen::rsyslog {

inline std::string WindowsPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

inline std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline bool Installed() { return Exists("Z:\\usr\\sbin\\rsyslogd"); }

// A port of 127.0.0.1 that nothing uses, for TCP and UDP alike; 0 when none
// was found. Winsock must be started.
inline int FreePort() {
  for (int attempt = 0; attempt < 50; ++attempt) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    SOCKET tcp = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    int length = sizeof address;
    bind(tcp, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(tcp, reinterpret_cast<sockaddr*>(&address), &length);
    SOCKET udp = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    const bool free = bind(udp, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    closesocket(udp);
    closesocket(tcp);
    if (free && address.sin_port != 0) return ntohs(address.sin_port);
  }
  return 0;
}

struct Received {
  std::string host, app, severity, text;
};

// One server; stopped at the latest when the object goes.
class RsyslogServer {
 public:
  // folder: a Unix path, made by the script; script: rsyslog.sh's Unix path.
  // With a relay port the server sends every message on to 127.0.0.1 there
  // (TCP, RFC 3164), as a relay in front of PLOXEN would.
  RsyslogServer(std::string script, std::string folder, int port, int relayPort = 0)
      : script_(std::move(script)), folder_(std::move(folder)), port_(port), relayPort_(relayPort) {
    DeleteFileA(WindowsPath(ReceivedPath()).c_str());
  }
  ~RsyslogServer() { Stop(); }
  RsyslogServer(const RsyslogServer&) = delete;
  RsyslogServer& operator=(const RsyslogServer&) = delete;

  // Empty once it takes messages over TCP and UDP, else what went wrong.
  std::string Start() {
    const std::string outcome = Run("start \"" + folder_ + "\" " + std::to_string(port_) +
                                    (relayPort_ ? " " + std::to_string(relayPort_) : std::string()));
    if (outcome != "ok") return outcome;
    running_ = true;
    // Probes until one of each kind came through: only then is a message
    // that goes missing lost by the server, not by its starting.
    bool tcp = false, udp = false;
    for (int attempt = 0; attempt < 100 && !(tcp && udp); ++attempt) {
      if (!tcp) Probe(SOCK_STREAM, "<13>1 - - PROBE - - - tcp\n");
      if (!udp) Probe(SOCK_DGRAM, "<13>1 - - PROBE - - - udp");
      Sleep(200);
      for (const Received& r : All()) {
        tcp = tcp || (r.app == "PROBE" && r.text == "tcp");
        udp = udp || (r.app == "PROBE" && r.text == "udp");
      }
    }
    return tcp && udp ? "" : "rsyslogd took no probe within 20 s";
  }
  // Empty once it has ended, else what went wrong.
  std::string Stop() {
    if (!running_) return {};
    running_ = false;
    const std::string outcome = Run("stop \"" + folder_ + "\"");
    return outcome == "ok" ? "" : outcome;
  }
  // What it received besides its probes, in order.
  std::vector<Received> Messages() const {
    std::vector<Received> rows;
    for (Received& r : All())
      if (r.app != "PROBE") rows.push_back(std::move(r));
    return rows;
  }
  // The file it writes each message to, probes included (a Windows path).
  std::string ReceivedFile() const { return WindowsPath(ReceivedPath()); }
  // Messages received, probes included: cheap enough to ask often.
  std::size_t LineCount() const {
    const std::string text = FileText(WindowsPath(ReceivedPath()));
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  }

 private:
  std::string ReceivedPath() const { return folder_ + "/received.log"; }

  std::string Run(const std::string& arguments) const {
    const std::string marker = folder_ + ".marker";
    const std::string markerPath = WindowsPath(marker);
    DeleteFileA(markerPath.c_str());
    std::string line = "/bin/sh \"" + script_ + "\" " + arguments + " \"" + marker + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
      return "cannot start /bin/sh";
    if (info.hThread) CloseHandle(info.hThread);
    if (info.hProcess) CloseHandle(info.hProcess);
    // The outcome is whole once its line end is there.
    for (int i = 0; i < 300; ++i, Sleep(100)) {
      std::string outcome = FileText(markerPath);
      if (outcome.empty() || outcome.back() != '\n') continue;
      while (!outcome.empty() && (outcome.back() == '\n' || outcome.back() == '\r')) outcome.pop_back();
      return outcome;
    }
    return "rsyslog.sh wrote no outcome within 30 s";
  }
  void Probe(int type, const char* message) const {
    SOCKET s = socket(AF_INET, type, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port_));
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
      send(s, message, static_cast<int>(std::strlen(message)), 0);
    closesocket(s);
  }
  // host TAB app TAB severity TAB message, one a line (rsyslog.sh's template).
  std::vector<Received> All() const {
    std::vector<Received> rows;
    std::istringstream in(FileText(WindowsPath(ReceivedPath())));
    std::string line;
    while (std::getline(in, line)) {
      Received r;
      std::istringstream fields(line);
      std::getline(fields, r.host, '\t');
      std::getline(fields, r.app, '\t');
      std::getline(fields, r.severity, '\t');
      std::getline(fields, r.text);
      rows.push_back(std::move(r));
    }
    return rows;
  }

  const std::string script_;
  const std::string folder_;
  const int port_;
  const int relayPort_;
  bool running_ = false;
};

}  // namespace ploxen::rsyslog
