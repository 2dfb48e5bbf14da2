// A program to be run under PLOXEN's debug monitor: it does, in the order
// given, what each argument asks, so that every kind of debug event can be
// produced on purpose.
//   abcdef        "abc" without a line feed, then "def" with one
//   long          a 600-byte string whose line feed lies inside the first 512 bytes
//   ab            "a", line feed, "b" in one string
//   burst:N       N numbered lines
//   nonul         a string with no NUL in the length it claims
//   unreadable    a length of 65,535 at an address that cannot be read
//   partial       a piece without a line feed (left open at the end)
//   thread        a thread that starts and ends with exit code 7
//   dll           loads and unloads the test DLL from beside the program
//   break         DebugBreak (without a debugger that ends the program)
//   av            an access violation that the program handles
//   throw         the exception a C++ throw of an MSVC-built program raises, handled
//   crash         an access violation nobody handles: the program ends with it
//   child:A,B     runs this program again with the arguments A B and waits for it
//   sleep:MS      waits
//   exit:CODE     ends with that exit code (0x... allowed)
//   ansifile:PATH each line of the file, its bytes as they are, by OutputDebugStringA
//   widefile:PATH each line of the file (UTF-8) by OutputDebugStringW
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The 32-bit build of this program sits in the same folder as the 64-bit one,
// so each has a DLL of its own bitness there.
constexpr const char* kDllName = sizeof(void*) == 4 ? "ploxen_debug_dll32.dll" : "ploxen_debug_dll.dll";
constexpr DWORD kPrintException = 0x40010006;  // how a debug string reaches a debugger
constexpr DWORD kCppException = 0xE06D7363;

void* volatile guardPage = nullptr;

// Makes the access violations and the raised exceptions handled ones.
LONG CALLBACK Handler(EXCEPTION_POINTERS* info) {
  const DWORD code = info->ExceptionRecord->ExceptionCode;
  if (code == EXCEPTION_ACCESS_VIOLATION && guardPage) {
    DWORD old = 0;
    VirtualProtect(guardPage, 4096, PAGE_READWRITE, &old);
    return EXCEPTION_CONTINUE_EXECUTION;
  }
  if (code == kCppException || code == kPrintException) return EXCEPTION_CONTINUE_EXECUTION;
  return EXCEPTION_CONTINUE_SEARCH;
}

// A debug string as the platform passes it, with a length of our choosing.
void RawDebugString(const void* address, ULONG_PTR length) {
  const ULONG_PTR args[2] = {length, reinterpret_cast<ULONG_PTR>(address)};
  RaiseException(kPrintException, 0, 2, args);
}

std::string Directory() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path, n);
  return dir.substr(0, dir.find_last_of("\\/") + 1);
}

DWORD WINAPI ThreadMain(void*) { return 7; }

int RunChild(std::string arguments) {
  for (char& c : arguments)
    if (c == ',') c = ' ';
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string line = "\"" + std::string(self) + "\" " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return 1;
  WaitForSingleObject(info.hProcess, INFINITE);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return 0;
}

int Do(const std::string& arg) {
  const std::string name = arg.substr(0, arg.find(':'));
  const std::string value = arg.find(':') == std::string::npos ? "" : arg.substr(arg.find(':') + 1);
  if (name == "abcdef") {
    OutputDebugStringA("abc");
    OutputDebugStringA("def\n");
  } else if (name == "long") {
    // The prefix puts the rest in the message column, which can then show
    // all of what the monitor hands on: 492 x, the line feed, "Z".
    std::string text = "PID=1,TID=2,   T  ";
    text.append(510 - text.size(), 'x');
    text += "\nZ";
    text.append(600 - text.size(), 'Q');
    RawDebugString(text.c_str(), text.size() + 1);
  } else if (name == "ab") {
    OutputDebugStringA("a\nb");
  } else if (name == "burst") {
    const long count = std::strtol(value.c_str(), nullptr, 10);
    char text[32];
    for (long i = 1; i <= count; ++i) {
      std::snprintf(text, sizeof text, "Zeile %ld\n", i);
      OutputDebugStringA(text);
    }
  } else if (name == "nonul") {
    static const char text[] = {'o', 'h', 'n', 'e', ' ', 'N', 'u', 'l', 'l', '\n'};
    RawDebugString(text, sizeof text);
  } else if (name == "unreadable") {
    RawDebugString(reinterpret_cast<void*>(0x10), 65535);
  } else if (name == "partial") {
    OutputDebugStringA("unfertig");
  } else if (name == "thread") {
    HANDLE thread = CreateThread(nullptr, 0, ThreadMain, nullptr, 0, nullptr);
    if (!thread) return 1;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  } else if (name == "dll") {
    HMODULE dll = LoadLibraryA((Directory() + kDllName).c_str());
    if (!dll) return 1;
    FreeLibrary(dll);
  } else if (name == "break") {
    DebugBreak();
  } else if (name == "av") {
    guardPage = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_NOACCESS);
    *static_cast<volatile int*>(guardPage) = 1;
    VirtualFree(guardPage, 0, MEM_RELEASE);
    guardPage = nullptr;
  } else if (name == "throw") {
    RaiseException(kCppException, 0, 0, nullptr);
  } else if (name == "crash") {
    *static_cast<volatile int*>(nullptr) = 1;
  } else if (name == "child") {
    return RunChild(value);
  } else if (name == "sleep") {
    Sleep(static_cast<DWORD>(std::strtoul(value.c_str(), nullptr, 10)));
  } else if (name == "ansifile" || name == "widefile") {
    FILE* file = std::fopen(value.c_str(), "rb");
    if (!file) return 1;
    char line[8192];
    while (std::fgets(line, sizeof line, file)) {
      if (name == "ansifile") {
        OutputDebugStringA(line);
        continue;
      }
      const int n = MultiByteToWideChar(CP_UTF8, 0, line, -1, nullptr, 0);
      std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
      MultiByteToWideChar(CP_UTF8, 0, line, -1, &wide[0], n);
      OutputDebugStringW(wide.c_str());
    }
    std::fclose(file);
  } else if (name == "exit") {
    ExitProcess(static_cast<UINT>(std::strtoul(value.c_str(), nullptr, 0)));
  } else {
    std::fprintf(stderr, "ploxen_debug_child: unknown request %s\n", arg.c_str());
    return 2;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  AddVectoredExceptionHandler(1, Handler);
  for (int i = 1; i < argc; ++i)
    if (const int failed = Do(argv[i])) return failed;
  return 0;
}
