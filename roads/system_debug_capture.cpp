#include "roads/system_debug_capture.h"

#include <sddl.h>

#include <cstring>

namespace ploxen {

namespace {
constexpr char kBufferReady[] = "DBWIN_BUFFER_READY";
constexpr char kDataReady[] = "DBWIN_DATA_READY";
constexpr char kSection[] = "DBWIN_BUFFER";
constexpr char kGlobal[] = "Global\\";
// After the objects are closed, senders that opened them before are let go;
// never longer than this, however many keep coming.
constexpr DWORD kLetGoMs = 500;
constexpr DWORD kLetGoQuietMs = 30;
constexpr ULONGLONG kReopenMs = 2000;

// What this program needs of its own objects: to wait for a message and to
// give the buffer back. Asking for no more, it finds another monitor's
// objects that senders may open, as its own allow them.
constexpr DWORD kEventAccess = SYNCHRONIZE | EVENT_MODIFY_STATE;
}  // namespace

SenderSecurity::SenderSecurity(const char* sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr)) return;
  attributes_.nLength = sizeof attributes_;
  attributes_.lpSecurityDescriptor = descriptor;
}

SenderSecurity::~SenderSecurity() {
  if (attributes_.lpSecurityDescriptor) LocalFree(attributes_.lpSecurityDescriptor);
}

SystemDebugCapture::SystemDebugCapture(std::size_t queueBytes) : queueBytes_(queueBytes) {}

SystemDebugCapture::Made SystemDebugCapture::Make(Buffer& buffer, const std::string& scope, unsigned long& error) {
  SenderSecurity events(kSenderEventsSddl);
  SenderSecurity section(kSenderSectionSddl);
  // Each object that exists already belongs to another monitor: nothing of
  // it is touched, and what was made here goes again. One this program may
  // not open was made by a monitor that keeps it from others.
  auto made = [&error](HANDLE handle) {
    error = handle ? ERROR_SUCCESS : GetLastError();
    if (!handle) return error == ERROR_ACCESS_DENIED ? Made::kDenied : Made::kFailed;
    return GetLastError() == ERROR_ALREADY_EXISTS ? Made::kExists : Made::kMade;
  };
  Made result = events.Attributes() && section.Attributes() ? Made::kMade : Made::kFailed;
  if (result == Made::kFailed) error = GetLastError();
  HANDLE* handles[3] = {&buffer.bufferReady, &buffer.dataReady, &buffer.section};
  for (int i = 0; i < 3 && result == Made::kMade; ++i) {
    SetLastError(ERROR_SUCCESS);
    if (i == 0)
      *handles[i] = CreateEventExA(events.Attributes(), (scope + kBufferReady).c_str(), CREATE_EVENT_INITIAL_SET,
                                   kEventAccess);
    else if (i == 1)
      *handles[i] = CreateEventExA(events.Attributes(), (scope + kDataReady).c_str(), 0, kEventAccess);
    else
      *handles[i] = CreateFileMappingA(INVALID_HANDLE_VALUE, section.Attributes(), PAGE_READWRITE, 0,
                                       static_cast<DWORD>(kSectionSize), (scope + kSection).c_str());
    result = made(*handles[i]);
  }
  if (result == Made::kMade) {
    buffer.view = static_cast<const unsigned char*>(MapViewOfFile(buffer.section, FILE_MAP_READ, 0, 0, kSectionSize));
    if (!buffer.view) {
      error = GetLastError();
      result = Made::kFailed;
    }
  }
  if (result != Made::kMade) Close(buffer);
  return result;
}

void SystemDebugCapture::Close(Buffer& buffer) {
  if (buffer.view) UnmapViewOfFile(buffer.view);
  for (HANDLE h : {buffer.section, buffer.dataReady, buffer.bufferReady})
    if (h) CloseHandle(h);
  buffer = Buffer{};
}

SystemDebugCapture::Begun SystemDebugCapture::Begin(Wake wake) {
  if (thread_) return Begun::kCapturing;
  error_ = 0;
  const Made session = Make(buffers_[0], "", error_);
  if (session == Made::kExists) return Begun::kBusy;
  if (session == Made::kDenied) return Begun::kDenied;
  if (session == Made::kFailed) return Begun::kFailed;
  bufferCount_ = 1;
  if (!queue_) queue_.reset(new CaptureQueue(queueBytes_));
  // Global names need the right to create global objects: without it, or
  // with another monitor on them, this session's programs are still read.
  // Where the session's names are the global ones (Wine), the objects just
  // made are found again and nothing more is made.
  global_ = false;
  unsigned long globalError = 0;
  if (Make(buffers_[1], kGlobal, globalError) == Made::kMade) {
    bufferCount_ = 2;
    global_ = true;
  }

  wake_ = std::move(wake);
  woken_.store(false);
  stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  thread_ = stop_ ? CreateThread(nullptr, 0, CaptureThread, this, 0, nullptr) : nullptr;
  if (!thread_) {
    error_ = GetLastError();
    for (int i = 0; i < bufferCount_; ++i) Close(buffers_[i]);
    if (stop_) CloseHandle(stop_);
    stop_ = nullptr;
    bufferCount_ = 0;
    global_ = false;
    return Begun::kFailed;
  }
  // The sender's time limit is ten seconds a line: the capture comes first.
  SetThreadPriority(thread_, THREAD_PRIORITY_ABOVE_NORMAL);
  return Begun::kCapturing;
}

DWORD WINAPI SystemDebugCapture::CaptureThread(void* self) {
  static_cast<SystemDebugCapture*>(self)->Run();
  return 0;
}

void SystemDebugCapture::Run() {
  const DWORD count = static_cast<DWORD>(1 + bufferCount_);
  BufferTurns turns(static_cast<std::size_t>(bufferCount_));
  for (;;) {
    HANDLE waits[3] = {stop_, nullptr, nullptr};
    for (DWORD place = 0; place + 1 < count; ++place) waits[place + 1] = buffers_[turns.At(place)].dataReady;
    const DWORD signalled = WaitForMultipleObjects(count, waits, FALSE, INFINITE);
    if (signalled == WAIT_OBJECT_0 || signalled < WAIT_OBJECT_0 || signalled >= WAIT_OBJECT_0 + count) return;
    const std::size_t place = signalled - WAIT_OBJECT_0 - 1;
    Serve(buffers_[turns.At(place)]);
    turns.Served(place);
  }
}

// Copy, give the buffer back, and only then anything else: every sender on
// the machine waits for this.
void SystemDebugCapture::Serve(Buffer& buffer) {
  const std::int64_t now = fw::SteadyWholeMs();
  const SectionMessage message = ReadSection(buffer.view, kSectionSize);
  queue_->Push(message.processId, now, message.text);
  SetEvent(buffer.bufferReady);
  if (!woken_.exchange(true, std::memory_order_acq_rel) && wake_) wake_();
  OpenProcessOnce(message.processId);
}

// After the buffer is back: a process is opened with its first line (and
// again after a while, in case its id went to another one), so that its name
// can still be found when it ended before the reader got to its lines.
void SystemDebugCapture::OpenProcessOnce(std::uint32_t processId) {
  if (processId == 0 || processId == lastOpened_) return;
  lastOpened_ = processId;
  Recent& recent = recent_[(processId / 4) % kRecentSlots];
  const ULONGLONG now = GetTickCount64();
  if (recent.processId == processId && now - recent.tick < kReopenMs) return;
  recent = Recent{processId, now};
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, processId);
  if (!process) return;
  const std::size_t head = openedHead_.load(std::memory_order_relaxed);
  if (head - openedTail_.load(std::memory_order_acquire) >= kOpenedMax) {
    CloseHandle(process);  // the reader names it itself
    return;
  }
  opened_[head % kOpenedMax] = OpenedProcess{processId, process};
  openedHead_.store(head + 1, std::memory_order_release);
}

void SystemDebugCapture::End() {
  if (!thread_) return;
  SetEvent(stop_);
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  thread_ = nullptr;
  CloseHandle(stop_);
  stop_ = nullptr;
  LetSendersGo();
  bufferCount_ = 0;
  global_ = false;
  lastOpened_ = 0;
  for (Recent& r : recent_) r = Recent{};
  TakeOpened([](std::uint32_t, ProcessProbe::Handle process) { CloseHandle(reinterpret_cast<HANDLE>(process)); });
}

// A sender that opened the objects before they were closed waits up to ten
// seconds for the buffer: the section goes first, so that no new sender
// starts, and those already inside are served (their lines dropped) until
// none came for a moment.
void SystemDebugCapture::LetSendersGo() {
  for (int i = 0; i < bufferCount_; ++i) {
    Buffer& b = buffers_[i];
    if (b.view) UnmapViewOfFile(b.view);
    if (b.section) CloseHandle(b.section);
    b.view = nullptr;
    b.section = nullptr;
  }
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    HANDLE data[2] = {buffers_[0].dataReady, buffers_[1].dataReady};
    for (int i = 0; i < bufferCount_; ++i) SetEvent(buffers_[i].bufferReady);
    const DWORD signalled = WaitForMultipleObjects(static_cast<DWORD>(bufferCount_), data, FALSE, kLetGoQuietMs);
    if (signalled == WAIT_TIMEOUT || signalled == WAIT_FAILED || GetTickCount64() - start > kLetGoMs) break;
  }
  for (int i = 0; i < bufferCount_; ++i) Close(buffers_[i]);
}


TimeOfDay CaptureTimeOfDay(std::int64_t arrivalMs) {
  // The wall clock's distance is read again once a second of arrivals.
  thread_local WallClockOffset offset;
  thread_local std::int64_t offsetSecond = -1;
  thread_local std::int64_t offsetMs = 0;
  if (arrivalMs / 1000 != offsetSecond) {
    FILETIME wall;
    GetSystemTimePreciseAsFileTime(&wall);
    const std::int64_t monotonic = fw::SteadyWholeMs();
    const auto wallNowMs =
        static_cast<std::int64_t>((static_cast<std::uint64_t>(wall.dwHighDateTime) << 32 | wall.dwLowDateTime) / 10000);
    offsetMs = offset.Follow(wallNowMs - monotonic);
    offsetSecond = arrivalMs / 1000;
  }
  const std::int64_t wallMs = arrivalMs + offsetMs;  // since 1601 (UTC)
  // Lines come in bursts: the local time is worked out once a second (the
  // time zone lookup is dear under Wine), the milliseconds for each line.
  thread_local std::int64_t cachedSecond = -1;
  thread_local TimeOfDay cached;
  const std::int64_t second = wallMs / 1000;
  if (second == cachedSecond) {
    TimeOfDay t = cached;
    t.millisecond = static_cast<int>(wallMs % 1000);
    return t;
  }
  const std::uint64_t ticks = static_cast<std::uint64_t>(second) * 10000000;
  FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  FILETIME local;
  SYSTEMTIME t{};
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &t)) return TimeOfDay{};
  cached = TimeOfDay{t.wHour, t.wMinute, t.wSecond, 0};
  cachedSecond = second;
  TimeOfDay now = cached;
  now.millisecond = static_cast<int>(wallMs % 1000);
  return now;
}

ProcessProbe::Handle Win32ProcessProbe::Open(std::uint32_t processId, std::string& name) {
  if (processId == 0) return 0;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, processId);
  if (!process) return 0;
  name = Name(reinterpret_cast<Handle>(process));
  return reinterpret_cast<Handle>(process);
}

std::string Win32ProcessProbe::Name(Handle process) {
  char path[MAX_PATH * 2];
  DWORD size = sizeof path;
  if (!QueryFullProcessImageNameA(reinterpret_cast<HANDLE>(process), 0, path, &size)) return {};
  const std::string full(path, size);
  const std::size_t slash = full.find_last_of("\\/");
  return slash == std::string::npos ? full : full.substr(slash + 1);
}

bool Win32ProcessProbe::Ended(Handle process) {
  return WaitForSingleObject(reinterpret_cast<HANDLE>(process), 0) != WAIT_TIMEOUT;
}

void Win32ProcessProbe::Close(Handle process) { CloseHandle(reinterpret_cast<HANDLE>(process)); }

}  // namespace ploxen
