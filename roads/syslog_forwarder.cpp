#include "roads/syslog_forwarder.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>

#include "fw/platform.h"
#include "net/forward_sender.h"
#include "net/network_settings.h"

namespace ploxen {

namespace {

// How often a worker waiting on the network looks at the stop request.
constexpr DWORD kSliceMs = 100;
// A target that neither takes nor refuses a connection in this time counts
// as unreachable for now (a host that drops the packets).
constexpr DWORD kConnectTimeoutMs = 10000;

std::int64_t UtcMsNow() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER t;
  t.LowPart = now.dwLowDateTime;
  t.HighPart = now.dwHighDateTime;
  return static_cast<std::int64_t>((t.QuadPart - 116444736000000000ULL) / 10000);
}


// A name lookup cannot be broken off, and may take long when no name server
// answers: it runs on a thread of its own, which a stopping worker leaves
// behind to end by itself.
struct Lookup {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  addrinfo* addresses = nullptr;
  ~Lookup() {
    if (addresses) freeaddrinfo(addresses);
  }
};

std::shared_ptr<Lookup> Resolve(const NetworkTarget& target, bool tcp, const ForwardQueue& queue) {
  auto lookup = std::make_shared<Lookup>();
  try {
    std::thread([lookup, target, tcp] {
      const fw::Winsock winsock;
      addrinfo hints{};
      hints.ai_family = AF_UNSPEC;
      hints.ai_socktype = tcp ? SOCK_STREAM : SOCK_DGRAM;
      hints.ai_protocol = tcp ? IPPROTO_TCP : IPPROTO_UDP;
      addrinfo* addresses = nullptr;
      if (getaddrinfo(target.host.c_str(), std::to_string(target.port).c_str(), &hints, &addresses) != 0)
        addresses = nullptr;
      std::lock_guard<std::mutex> lock(lookup->mutex);
      lookup->addresses = addresses;
      lookup->done = true;
      lookup->finished.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return nullptr;  // no thread to spare: unreachable for now
  }
  std::unique_lock<std::mutex> lock(lookup->mutex);
  while (!lookup->done && !queue.Stopping()) lookup->finished.wait_for(lock, std::chrono::milliseconds(kSliceMs));
  return lookup->done ? lookup : nullptr;
}

// Waits until the socket can be written; for a connecting one, until the
// connection is made or refused. False on a stop, or after timeoutMs.
bool WaitWritable(SOCKET s, const ForwardQueue& queue, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!queue.Stopping() && GetTickCount() - start < timeoutMs) {
    fd_set writable, failure;
    FD_ZERO(&writable);
    FD_ZERO(&failure);
    FD_SET(s, &writable);
    FD_SET(s, &failure);
    timeval wait{0, static_cast<long>(kSliceMs * 1000)};
    const int ready = select(0, nullptr, &writable, &failure, &wait);
    if (ready == SOCKET_ERROR) return false;
    if (ready == 0) continue;
    int error = 0;
    int length = sizeof error;
    getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
    return !FD_ISSET(s, &failure) && error == 0;
  }
  return false;
}

// The target over a non-blocking socket, so that no step waits on the
// network longer than a slice without looking at the stop request.
class SocketLink : public ForwardLink {
 public:
  SocketLink(std::string target, bool tcp, const ForwardQueue& queue)
      : target_(std::move(target)), tcp_(tcp), queue_(queue) {}
  ~SocketLink() override { Close(); }
  SocketLink(const SocketLink&) = delete;
  SocketLink& operator=(const SocketLink&) = delete;

  bool Open() override {
    Close();
    const std::optional<NetworkTarget> target = ParseNetworkTarget(target_);
    if (!target) return false;
    const std::shared_ptr<Lookup> lookup = Resolve(*target, tcp_, queue_);
    if (!lookup) return false;
    for (const addrinfo* a = lookup->addresses; a && !queue_.Stopping(); a = a->ai_next) {
      const SOCKET s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
      if (s == INVALID_SOCKET) continue;
      u_long nonBlocking = 1;
      ioctlsocket(s, FIONBIO, &nonBlocking);
      if (connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0 ||
          (WSAGetLastError() == WSAEWOULDBLOCK && WaitWritable(s, queue_, kConnectTimeoutMs))) {
        socket_ = s;
        return true;
      }
      closesocket(s);
    }
    return false;
  }

  std::size_t Send(std::string_view bytes) override {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size() - sent, 1 << 20));
      const int n = send(socket_, bytes.data() + sent, chunk, 0);
      if (n > 0) {
        sent += static_cast<std::size_t>(n);
        continue;
      }
      if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK && WaitWritable(socket_, queue_, INFINITE))
        continue;
      break;
    }
    return sent;
  }

  // A syslog server says nothing back; an end of the stream or an error
  // is the connection gone. What one says anyway is read and passed over.
  bool Closed() override {
    if (!tcp_) return false;
    char buffer[512];
    for (int i = 0; i < 64; ++i) {
      const int n = recv(socket_, buffer, sizeof buffer, 0);
      if (n > 0) continue;
      return n == 0 || WSAGetLastError() != WSAEWOULDBLOCK;
    }
    return false;
  }

  void Close() override {
    if (socket_ == INVALID_SOCKET) return;
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }

 private:
  const std::string target_;
  const bool tcp_;
  const ForwardQueue& queue_;
  SOCKET socket_ = INVALID_SOCKET;
};

}  // namespace

void SyslogForwarder::Start(const std::string& target, bool tcp) {
  Stop();
  queue_.ClearStop();
  try {
    worker_ = std::thread([this, target, tcp, host = fw::DnsHostName()] {
      const fw::Winsock winsock;
      SocketLink link(target, tcp, queue_);
      ForwardSender sender(queue_, link, tcp ? ForwardFraming::kOctetCounted : ForwardFraming::kDatagram, host);
      while (!queue_.Stopping()) {
        const std::int64_t next = sender.Round();
        if (next == ForwardSender::kWaitForRows)
          queue_.WaitForRows();
        else if (next > 0)
          queue_.Pause(next);
      }
      sender.Finish();
    });
  } catch (const std::system_error&) {
    // No worker: the rows wait all the same, and what has no room is counted.
  }
  running_ = true;
}

void SyslogForwarder::Stop() {
  running_ = false;
  if (!worker_.joinable()) return;
  queue_.RequestStop();
  worker_.join();
}

void SyslogForwarder::RowAppended(MessageKind kind, MessageSource source, const std::string_view* strings,
                                  std::size_t count) {
  if (running_ && source != kSourceForwardedRow) queue_.Push(kind, strings, count, UtcMsNow());
}

}  // namespace ploxen
