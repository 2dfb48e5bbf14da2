// Calls the automation object "Ploxen" (or another by -progid) from the
// command line, member by member, as a script would:
//   ploxen_auto [-progid NAME] [-hold MS] [-bench N] request...
// Requests, in order:
//   call NAME N V1 ... VN   invoke a method with N arguments
//   put NAME V              set a property
//   get NAME                read a property and print it
//   sleep MS                wait, holding the object
// A value is typed by a prefix: i1: ui1: i2: ui2: i4: ui4: r4: r8: date:
// bool: bstr: error (a left-out argument), empty, null, cy:, ref:TYPE:VALUE
// (a reference to such a value), var:VALUE (a reference to a VARIANT that
// holds VALUE). Without a prefix a whole number is i4, a number with a point
// r8, anything else bstr.
// -bench N calls Write N times and prints the time it took.
// Exit code: 0 all went well, 1 no object, 2 a call failed.
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>

#include "tools/automation_client.h"

namespace {

using ploxen::client::Object;
using ploxen::client::Variant;

// Referenced values must outlive the call.
std::deque<VARIANT> g_referenced;
std::deque<std::int64_t> g_scalars;
std::deque<BSTR> g_strings;

bool IsWholeNumber(const std::string& s) {
  if (s.empty()) return false;
  char* end = nullptr;
  std::strtol(s.c_str(), &end, 10);
  return *end == '\0';
}

VARIANT Plain(const std::string& given) {
  VARIANT v;
  VariantInit(&v);
  const std::size_t colon = given.find(':');
  std::string type = colon == std::string::npos ? "" : given.substr(0, colon);
  std::string value = colon == std::string::npos ? given : given.substr(colon + 1);
  static const char* const known[] = {"i1", "ui1", "i2", "ui2", "i4", "ui4", "r4", "r8", "date", "bool", "bstr", "cy"};
  bool typed = false;
  for (const char* k : known) typed |= type == k;
  if (!typed) {
    value = given;
    if (given == "error" || given == "empty" || given == "null") type = given;
    else type = IsWholeNumber(given) ? "i4" : (given.find('.') != std::string::npos && std::atof(given.c_str()) != 0 ? "r8" : "bstr");
  }
  const double real = std::atof(value.c_str());
  const long whole = std::strtol(value.c_str(), nullptr, 0);
  if (type == "i1") { v.vt = VT_I1; v.cVal = static_cast<CHAR>(whole); }
  else if (type == "ui1") { v.vt = VT_UI1; v.bVal = static_cast<BYTE>(whole); }
  else if (type == "i2") { v.vt = VT_I2; v.iVal = static_cast<SHORT>(whole); }
  else if (type == "ui2") { v.vt = VT_UI2; v.uiVal = static_cast<USHORT>(whole); }
  else if (type == "i4") { v.vt = VT_I4; v.lVal = static_cast<LONG>(whole); }
  else if (type == "ui4") { v.vt = VT_UI4; v.ulVal = static_cast<ULONG>(std::strtoul(value.c_str(), nullptr, 0)); }
  else if (type == "r4") { v.vt = VT_R4; v.fltVal = static_cast<float>(real); }
  else if (type == "r8") { v.vt = VT_R8; v.dblVal = real; }
  else if (type == "date") { v.vt = VT_DATE; v.date = real; }
  else if (type == "bool") { v.vt = VT_BOOL; v.boolVal = whole ? VARIANT_TRUE : VARIANT_FALSE; }
  else if (type == "cy") { v.vt = VT_CY; v.cyVal.int64 = static_cast<LONGLONG>(real * 10000); }
  else if (type == "error") { v.vt = VT_ERROR; v.scode = DISP_E_PARAMNOTFOUND; }
  else if (type == "null") { v.vt = VT_NULL; }
  else if (type == "empty") { v.vt = VT_EMPTY; }
  else {
    v.vt = VT_BSTR;
    const std::wstring wide = ploxen::client::Wide(value);
    v.bstrVal = SysAllocStringLen(wide.c_str(), static_cast<UINT>(wide.size()));
  }
  return v;
}

VARIANT Value(const std::string& given) {
  if (given.rfind("var:", 0) == 0) {
    g_referenced.push_back(Value(given.substr(4)));
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BYREF | VT_VARIANT;
    v.pvarVal = &g_referenced.back();
    return v;
  }
  if (given.rfind("ref:", 0) == 0) {
    const VARIANT inner = Plain(given.substr(4));
    g_scalars.push_back(0);
    void* storage = &g_scalars.back();
    switch (inner.vt) {
      case VT_BSTR:
        *static_cast<BSTR*>(storage) = inner.bstrVal;
        g_strings.push_back(inner.bstrVal);
        break;
      case VT_R8: case VT_DATE: *static_cast<double*>(storage) = inner.dblVal; break;
      case VT_R4: *static_cast<float*>(storage) = inner.fltVal; break;
      case VT_I1: case VT_UI1: *static_cast<BYTE*>(storage) = inner.bVal; break;
      case VT_I2: case VT_UI2: case VT_BOOL: *static_cast<SHORT*>(storage) = inner.iVal; break;
      default: *static_cast<LONG*>(storage) = inner.lVal; break;
    }
    VARIANT v;
    VariantInit(&v);
    v.vt = static_cast<VARTYPE>(VT_BYREF | inner.vt);
    v.byref = storage;
    return v;
  }
  return Plain(given);
}

int Fail(const char* what, const std::string& name, HRESULT hr) {
  std::printf("%s %s: 0x%08lx\n", what, name.c_str(), static_cast<unsigned long>(hr));
  return 2;
}

// One request from argv[i]; returns the exit code so far.
int Request(Object& object, int argc, char** argv, int& i) {
  const std::string verb = argv[i++];
  if (verb == "sleep" && i < argc) {
    Sleep(static_cast<DWORD>(std::atoi(argv[i++])));
    return 0;
  }
  if (i >= argc) return Fail("incomplete", verb, E_INVALIDARG);
  const std::string name = argv[i++];
  DISPID id = 0;
  if (const HRESULT hr = object.Id(name, id); FAILED(hr)) return Fail("name", name, hr);
  std::vector<Variant> args;
  WORD flags = DISPATCH_METHOD;
  if (verb == "call") {
    const int count = i < argc ? std::atoi(argv[i++]) : 0;
    for (int n = 0; n < count && i < argc; ++n) {
      Variant v;
      *v.get() = Value(argv[i++]);
      args.push_back(v);
    }
  } else if (verb == "put" && i < argc) {
    flags = DISPATCH_PROPERTYPUT;
    Variant v;
    *v.get() = Value(argv[i++]);
    args.push_back(v);
  } else if (verb == "get") {
    flags = DISPATCH_PROPERTYGET;
  } else {
    return Fail("unknown request", verb, E_INVALIDARG);
  }
  Variant result;
  if (const HRESULT hr = object.Invoke(id, flags, args, result.get()); FAILED(hr)) return Fail(verb.c_str(), name, hr);
  if (verb == "get" && (*result).vt == VT_BOOL) {
    std::printf("%s = %s\n", name.c_str(), (*result).boolVal ? "True" : "False");
  } else if (verb == "get") {
    Variant text;
    if (SUCCEEDED(VariantChangeType(text.get(), result.get(), 0, VT_BSTR)))
      std::printf("%s = %ls\n", name.c_str(), (*text).bstrVal);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string progId = "Ploxen";
  int hold = 0, bench = 0, i = 1;
  for (; i + 1 < argc && argv[i][0] == '-'; i += 2) {
    const std::string option = argv[i];
    if (option == "-progid") progId = argv[i + 1];
    else if (option == "-hold") hold = std::atoi(argv[i + 1]);
    else if (option == "-bench") bench = std::atoi(argv[i + 1]);
    else break;
  }
  if (FAILED(CoInitialize(nullptr))) return 1;
  int code = 0;
  {
    Object object;
    if (const HRESULT hr = object.Create(progId); FAILED(hr)) {
      std::printf("cannot create %s: 0x%08lx\n", progId.c_str(), static_cast<unsigned long>(hr));
      code = 1;
    } else {
      while (i < argc) code = std::max(code, Request(object, argc, argv, i));
      if (bench > 0) {
        DISPID write = 0;
        object.Id("Write", write);
        LARGE_INTEGER f, start, end;
        QueryPerformanceFrequency(&f);
        QueryPerformanceCounter(&start);
        for (int n = 0; n < bench; ++n) {
          std::vector<Variant> args{Variant::Long(0), Variant::Text("Zeile der Messung mit etwas Text")};
          if (FAILED(object.Invoke(write, DISPATCH_METHOD, args))) code = 2;
        }
        QueryPerformanceCounter(&end);
        std::printf("%d calls in %.3f s\n", bench, static_cast<double>(end.QuadPart - start.QuadPart) / f.QuadPart);
      }
      if (hold > 0) Sleep(static_cast<DWORD>(hold));
    }
  }
  for (BSTR s : g_strings) SysFreeString(s);
  for (VARIANT& v : g_referenced) VariantClear(&v);
  CoUninitialize();
  return code;
}
