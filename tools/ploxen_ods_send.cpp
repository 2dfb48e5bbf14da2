// Writes debug strings with OutputDebugStringA/W, for the system-wide road
// and its tests, from one or more threads; or writes the shared section by
// hand, as a misbehaving sender might.
//   ploxen_ods_send [-threads N] [-lines N] [-tag TEXT] [-wide] [-pause MS] [KIND...]
//     KIND: line (default), multi, pieces, long, umlaut, all; and open, a
//     piece without a line end, which the next one goes on
//     Every line starts "TAG THREAD NUMBER", numbered from 1 per thread.
//   ploxen_ods_send [-wide] -text TEXT...
//     Each TEXT as one line of its own, nothing before it.
//   ploxen_ods_send -file PATH
//     Each line of the file, its bytes as they are, with OutputDebugStringA.
//   ploxen_ods_send -section PID [-nonul] [TEXT]
//     One message into the section with that process id; -nonul fills all
//     4092 text bytes with no NUL.
// Arguments are taken as Unicode; OutputDebugStringA gets them as UTF-8, but
// the kind umlaut as code page 1252, as a program of that code page writes.
// Prints "calls=N seconds=S slowest_ms=M" at the end.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tools/utf8_arguments.h"

namespace {

struct Options {
  int threads = 1;
  int lines = 1;
  int pauseMs = 0;
  bool wide = false;
  std::string tag = "ODS";
  std::vector<std::string> kinds;
  std::vector<std::string> texts;
  std::string file;
};

double Seconds() {
  static const LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Timing {
  long calls = 0;
  double slowest = 0;
};

// text is UTF-8; with cp1252 the narrow call gets it in code page 1252.
void Write(const std::string& text, bool wide, Timing& timing, bool cp1252 = false) {
  const double start = Seconds();
  if (wide) {
    OutputDebugStringW(ploxen::WideOf(text).c_str());
  } else {
    OutputDebugStringA(cp1252 ? ploxen::Utf8ToCp1252(text).c_str() : text.c_str());
  }
  const double took = Seconds() - start;
  ++timing.calls;
  if (took > timing.slowest) timing.slowest = took;
}

// The texts each kind writes for one number; the expected lines follow from
// them (see the system test).
void WriteKind(const std::string& kind, const std::string& head, bool wide, Timing& timing) {
  if (kind == "line") {
    Write(head + " Zeile\n", wide, timing);
  } else if (kind == "multi") {
    Write(head + " erste\n" + head + " zweite\r\n" + head + " dritte\n", wide, timing);
  } else if (kind == "pieces") {
    Write(head + " Teil1", wide, timing);
    Write(" Teil2", wide, timing);
    Write(" Ende\n", wide, timing);
  } else if (kind == "long") {
    std::string text = head + " lang ";
    for (char c = 'a'; text.size() < 4000; c = c == 'z' ? 'a' : static_cast<char>(c + 1)) text += c;
    Write(text + "\n", wide, timing);
  } else if (kind == "open") {
    Write(head + " offen ", wide, timing);
  } else if (kind == "umlaut") {
    Write(head + " \xC3\x84rger \xC3\xBC" "ber Gr\xC3\xB6\xC3\x9F" "e\n", wide, timing, true);
  }
}

int Section(std::uint32_t processId, bool noNul, const std::string& text) {
  HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, "DBWIN_BUFFER");
  HANDLE bufferReady = OpenEventA(SYNCHRONIZE, FALSE, "DBWIN_BUFFER_READY");
  HANDLE dataReady = OpenEventA(EVENT_MODIFY_STATE, FALSE, "DBWIN_DATA_READY");
  if (!mapping || !bufferReady || !dataReady) {
    std::fprintf(stderr, "no monitor\n");
    return 2;
  }
  auto* view = static_cast<unsigned char*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 4096));
  if (!view || WaitForSingleObject(bufferReady, 10000) != WAIT_OBJECT_0) {
    std::fprintf(stderr, "buffer not ready\n");
    return 3;
  }
  std::memcpy(view, &processId, 4);
  if (noNul) {
    for (int i = 0; i < 4092; ++i) view[4 + i] = static_cast<unsigned char>('A' + i % 26);
  } else {
    const std::size_t n = text.size() < 4091 ? text.size() : 4091;
    std::memcpy(view + 4, text.data(), n);
    view[4 + n] = 0;
  }
  SetEvent(dataReady);
  UnmapViewOfFile(view);
  CloseHandle(mapping);
  CloseHandle(bufferReady);
  CloseHandle(dataReady);
  std::printf("section written\n");
  return 0;
}

}  // namespace

namespace {

int Run(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "-section") {
      const auto processId = static_cast<std::uint32_t>(std::strtoul(next(), nullptr, 0));
      bool noNul = false;
      std::string text;
      for (++i; i < argc; ++i) {
        if (std::strcmp(argv[i], "-nonul") == 0) noNul = true;
        else text += (text.empty() ? "" : " ") + std::string(argv[i]);
      }
      return Section(processId, noNul, text);
    }
    if (a == "-threads") o.threads = std::atoi(next());
    else if (a == "-lines") o.lines = std::atoi(next());
    else if (a == "-pause") o.pauseMs = std::atoi(next());
    else if (a == "-tag") o.tag = next();
    else if (a == "-wide") o.wide = true;
    else if (a == "-text") o.texts.push_back(next());
    else if (a == "-file") o.file = next();
    else if (a == "all") o.kinds.insert(o.kinds.end(), {"line", "multi", "pieces", "long", "umlaut"});
    else o.kinds.push_back(a);
  }
  if (!o.file.empty() || !o.texts.empty()) {
    Timing timing;
    for (const std::string& text : o.texts) Write(text + "\n", o.wide, timing);
    if (o.file.empty()) return 0;
    FILE* file = _wfopen(ploxen::WideOf(o.file).c_str(), L"rb");
    if (!file) return 2;
    char line[8192];
    while (std::fgets(line, sizeof line, file)) OutputDebugStringA(line);
    std::fclose(file);
    return 0;
  }
  if (o.kinds.empty()) o.kinds.push_back("line");
  if (o.threads < 1) o.threads = 1;

  std::vector<Timing> timings(static_cast<std::size_t>(o.threads));
  const double start = Seconds();
  std::vector<std::thread> workers;
  for (int t = 0; t < o.threads; ++t) {
    workers.emplace_back([&o, &timings, t] {
      // Threads alternate A and W where -wide is given, so both run at once.
      const bool wide = o.wide && (o.threads == 1 || t % 2 == 1);
      for (int n = 1; n <= o.lines; ++n) {
        const std::string head = o.tag + " " + std::to_string(t) + " " + std::to_string(n);
        for (const std::string& kind : o.kinds) WriteKind(kind, head, wide, timings[static_cast<std::size_t>(t)]);
        if (o.pauseMs > 0) Sleep(static_cast<DWORD>(o.pauseMs));
      }
    });
  }
  for (std::thread& w : workers) w.join();
  const double seconds = Seconds() - start;
  Timing all;
  for (const Timing& t : timings) {
    all.calls += t.calls;
    if (t.slowest > all.slowest) all.slowest = t.slowest;
  }
  std::printf("calls=%ld seconds=%.3f slowest_ms=%.1f\n", all.calls, seconds, all.slowest * 1000);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  ploxen::Utf8Arguments arguments(argc, argv);
  return Run(arguments.Count(), arguments.Values());
}
