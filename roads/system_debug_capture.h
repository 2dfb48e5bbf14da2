// The system's debug-output buffer, read on a thread of its own: the section
// "DBWIN_BUFFER" and the events "DBWIN_BUFFER_READY" and "DBWIN_DATA_READY",
// under the session's names and, where the process may create them, under
// the "Global\" names as well. Each message is copied into the capture queue
// and the buffer given back at once; whoever takes the lines is woken after.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/line_stamp.h"
#include "fw/platform.h"
#include "sources/capture_queue.h"
#include "sources/system_wide_lines.h"

namespace ploxen {

// Who may do what with the capture's objects, in SDDL: senders of every
// user, app container and integrity level may wait for the buffer, signal
// and write their message (SYNCHRONIZE | EVENT_MODIFY_STATE on the events,
// SECTION_MAP_READ | SECTION_MAP_WRITE on the section), nothing more; the
// low label lets low-integrity senders write at all.
constexpr char kSenderEventsSddl[] = "D:P(A;;0x100002;;;WD)(A;;0x100002;;;AC)S:(ML;;NW;;;LW)";
constexpr char kSenderSectionSddl[] = "D:P(A;;0x6;;;WD)(A;;0x6;;;AC)S:(ML;;NW;;;LW)";

// One of those descriptors, built for CreateEvent and CreateFileMapping;
// Attributes() is null where the system could not build it.
class SenderSecurity {
 public:
  explicit SenderSecurity(const char* sddl);
  ~SenderSecurity();
  SenderSecurity(const SenderSecurity&) = delete;
  SenderSecurity& operator=(const SenderSecurity&) = delete;
  SECURITY_ATTRIBUTES* Attributes() { return attributes_.lpSecurityDescriptor ? &attributes_ : nullptr; }
  PSECURITY_DESCRIPTOR Descriptor() const { return attributes_.lpSecurityDescriptor; }

 private:
  SECURITY_ATTRIBUTES attributes_{};
};

class SystemDebugCapture {
 public:
  using Begun = CaptureBegun;

  // Called on the capture thread once lines wait and the reader was not yet
  // told since its last Drain: it must not block (post a message, set an event).
  using Wake = std::function<void()>;

  explicit SystemDebugCapture(std::size_t queueBytes = CaptureQueue::kDefaultCapacity);
  ~SystemDebugCapture() { End(); }
  SystemDebugCapture(const SystemDebugCapture&) = delete;
  SystemDebugCapture& operator=(const SystemDebugCapture&) = delete;

  // kBusy, kDenied: another monitor owns the buffer; nothing of it was
  // touched and nothing stays open. kFailed: Error() says why.
  Begun Begin(Wake wake);
  // The system's error of the last Begin that did not come to capturing.
  unsigned long Error() const { return error_; }
  // Closes the objects, so that no sender waits for a monitor that is gone,
  // and ends the thread. Lines already queued can still be drained.
  void End();
  bool Capturing() const { return thread_ != nullptr; }
  // The "Global\" names are read too.
  bool Global() const { return global_; }

  // On the reader's side: every line waiting (or the first maxLines), as the
  // queue hands it. The reader is not woken again until it rearms: while
  // lines keep coming it looks by itself, in batches, instead of one
  // wake-up per line.
  template <typename Take>
  std::size_t Drain(Take&& take, std::size_t maxLines = SIZE_MAX) {
    return queue_ ? queue_->Drain(std::forward<Take>(take), maxLines) : 0;
  }
  bool Empty() const { return !queue_ || queue_->Empty(); }
  // The reader stops looking: the next line wakes it. True when lines came
  // meanwhile and it must go on looking itself.
  bool Rearm() {
    woken_.store(false, std::memory_order_release);
    return !Empty() && !woken_.exchange(true);
  }
  std::uint64_t Lost() const { return queue_ ? queue_->Lost() : 0; }

  // On the reader's side: the processes the capture opened as their first
  // lines came, each handle the reader's to keep or close. A short-lived
  // program may be gone before its lines are named.
  template <typename Take>
  void TakeOpened(Take&& take) {
    const std::size_t head = openedHead_.load(std::memory_order_acquire);
    std::size_t tail = openedTail_.load(std::memory_order_relaxed);
    for (; tail != head; ++tail) {
      const OpenedProcess& p = opened_[tail % kOpenedMax];
      take(p.processId, reinterpret_cast<ProcessProbe::Handle>(p.process));
    }
    openedTail_.store(tail, std::memory_order_release);
  }

 private:
  struct Buffer {
    HANDLE bufferReady = nullptr;
    HANDLE dataReady = nullptr;
    HANDLE section = nullptr;
    const unsigned char* view = nullptr;
  };
  enum class Made { kMade, kExists, kDenied, kFailed };
  static Made Make(Buffer& buffer, const std::string& scope, unsigned long& error);
  static void Close(Buffer& buffer);
  static DWORD WINAPI CaptureThread(void* self);
  void Run();
  void Serve(Buffer& buffer);
  void OpenProcessOnce(std::uint32_t processId);
  void LetSendersGo();

  std::size_t queueBytes_;
  std::unique_ptr<CaptureQueue> queue_;  // made by the first Begin, kept for the lines it holds
  Wake wake_;
  Buffer buffers_[2];
  int bufferCount_ = 0;
  bool global_ = false;
  unsigned long error_ = 0;
  HANDLE stop_ = nullptr;
  HANDLE thread_ = nullptr;
  std::atomic<bool> woken_{false};

  struct OpenedProcess {
    std::uint32_t processId;
    HANDLE process;
  };
  static constexpr std::size_t kOpenedMax = 256;
  OpenedProcess opened_[kOpenedMax] = {};
  std::atomic<std::size_t> openedHead_{0};
  std::atomic<std::size_t> openedTail_{0};
  // The capture thread's own: ids it opened lately, and when.
  struct Recent {
    std::uint32_t processId;
    ULONGLONG tick;
  };
  static constexpr std::size_t kRecentSlots = 512;
  Recent recent_[kRecentSlots] = {};
  std::uint32_t lastOpened_ = 0;
};

// The capture's arrival times are milliseconds of the steady clock
// (fw::SteadyWholeMs), so that the quiet time after a piece does not jump when
// the wall clock is set; this is the local time of day of one.
TimeOfDay CaptureTimeOfDay(std::int64_t arrivalMs);

// Processes as the program-name lookup sees them.
class Win32ProcessProbe : public ProcessProbe {
 public:
  Handle Open(std::uint32_t processId, std::string& name) override;
  std::string Name(Handle process) override;
  bool Ended(Handle process) override;
  void Close(Handle process) override;
};

}  // namespace ploxen
