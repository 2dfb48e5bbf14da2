#include "roads/automation_object.h"

#include <olectl.h>

#include <array>
#include <exception>
#include <memory>

#include "core/text.h"
#include "sources/automation_registry.h"

namespace ploxen {

namespace {

enum DispatchId : DISPID { kUhrzeit = 1, kWrite, kWriteL, kWriteI, kWriteS, kWriteF, kWriteV };

constexpr const wchar_t* kNames[] = {L"Uhrzeit", L"Write", L"WriteL", L"WriteI", L"WriteS", L"WriteF", L"WriteV"};
constexpr UINT kWriteVValues = 10;
constexpr int kReferenceDepthMax = 8;  // a VARIANT that refers to one that refers ...

// {93BCE302-17F5-11D3-80A4-000029071233}
constexpr IID kInterfaceId = {0x93BCE302, 0x17F5, 0x11D3, {0x80, 0xA4, 0x00, 0x00, 0x29, 0x07, 0x12, 0x33}};

// A BSTR keeps every character: UTF-16 to the row's UTF-8, never through
// the ANSI code page.
std::string Utf8Of(const wchar_t* text, UINT length) {
  if (!text || length == 0) return {};
  static_assert(sizeof(wchar_t) == sizeof(char16_t), "a BSTR holds UTF-16");
  return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

std::string Utf8Of(BSTR text) { return Utf8Of(text, text ? SysStringLen(text) : 0); }

// The value of a VARIANT, read through its reference when it holds one. A
// null reference or an array gives a type without a text.
VariantValue FromVariant(const VARIANT& v, int depth = 0) {
  VariantValue out;
  out.type = v.vt;
  const bool byRef = (v.vt & VT_BYREF) != 0;
  if ((v.vt & VT_ARRAY) || (byRef && !v.byref)) {
    out.type = kVtEmpty;
    return out;
  }
  switch (v.vt & VT_TYPEMASK) {
    case VT_I1: case VT_UI1: out.bits = byRef ? *v.pbVal : v.bVal; break;
    case VT_I2: case VT_UI2: out.bits = static_cast<USHORT>(byRef ? *v.piVal : v.iVal); break;
    case VT_I4: case VT_UI4: out.bits = static_cast<ULONG>(byRef ? *v.plVal : v.lVal); break;
    case VT_BOOL: out.bits = static_cast<USHORT>(byRef ? *v.pboolVal : v.boolVal); break;
    case VT_R4: out.real = byRef ? *v.pfltVal : v.fltVal; break;
    case VT_R8: out.real = byRef ? *v.pdblVal : v.dblVal; break;
    case VT_DATE: out.real = byRef ? *v.pdate : v.date; break;
    case VT_BSTR: out.text = Utf8Of(byRef ? *v.pbstrVal : v.bstrVal); break;
    case VT_VARIANT:
      if (byRef && depth < kReferenceDepthMax)
        out.referenced = std::make_shared<VariantValue>(FromVariant(*v.pvarVal, depth + 1));
      else
        out.type = kVtEmpty;
      break;
    default: break;
  }
  return out;
}

// Argument `index` counted from the left: the runtime passes them right to left.
const VARIANT* Argument(const DISPPARAMS& params, UINT index) {
  return index < params.cArgs ? &params.rgvarg[params.cArgs - 1 - index] : nullptr;
}

// One argument converted to its declared type, as the runtime's rules convert it.
class TypedArgument {
 public:
  TypedArgument() { VariantInit(&value_); }
  ~TypedArgument() { VariantClear(&value_); }
  TypedArgument(const TypedArgument&) = delete;
  TypedArgument& operator=(const TypedArgument&) = delete;

  HRESULT From(const DISPPARAMS& params, UINT index, VARTYPE type, UINT* argumentError) {
    const VARIANT* given = Argument(params, index);
    // The platform's declaration lacks the const; the source is only read.
    if (given && SUCCEEDED(VariantChangeType(&value_, const_cast<VARIANT*>(given), 0, type))) return S_OK;
    if (argumentError) *argumentError = params.cArgs - 1 - index;
    return DISP_E_TYPEMISMATCH;
  }
  const VARIANT& operator*() const { return value_; }

 private:
  VARIANT value_;
};

UINT ArgumentCount(DISPID id) { return id == kWrite ? 2 : 3; }

}  // namespace

AutomationObject::AutomationObject(AutomationHost* host) : host_(host) {
  if (host_) host_->Attach(this);
}

AutomationObject::~AutomationObject() {
  if (host_) host_->Detach(this);
}

HRESULT AutomationObject::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, kInterfaceId)) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG AutomationObject::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG AutomationObject::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT AutomationObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT AutomationObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT AutomationObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  HRESULT result = S_OK;
  for (UINT i = 0; i < count; ++i) {
    ids[i] = DISPID_UNKNOWN;
    // Only the member itself has a name; its parameters have none.
    for (DISPID id = kUhrzeit; i == 0 && names[0] && id <= kWriteV; ++id)
      if (CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, names[0], -1, kNames[id - 1], -1) == CSTR_EQUAL)
        ids[0] = id;
    if (ids[i] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
  }
  return result;
}

HRESULT AutomationObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                 EXCEPINFO*, UINT* argumentError) {
  if (!params) return E_INVALIDARG;
  try {
    if (id == kUhrzeit) return InvokeUhrzeit(flags, *params, result, argumentError);
    if (id < kWrite || id > kWriteV) return DISP_E_MEMBERNOTFOUND;
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (result) VariantInit(result);
    return InvokeWrite(id, *params, argumentError);
  } catch (const std::exception&) {
    return E_OUTOFMEMORY;  // the only thing that can fail in here
  }
}

HRESULT AutomationObject::InvokeUhrzeit(WORD flags, DISPPARAMS& params, VARIANT* result, UINT* argumentError) {
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    if (params.cArgs != 1) return DISP_E_BADPARAMCOUNT;
    TypedArgument on;
    if (const HRESULT hr = on.From(params, 0, VT_BOOL, argumentError); FAILED(hr)) return hr;
    lines_.SetUhrzeit((*on).boolVal != VARIANT_FALSE);
    return S_OK;
  }
  if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
  if (params.cArgs != 0) return DISP_E_BADPARAMCOUNT;
  if (result) {
    VariantInit(result);
    result->vt = VT_BOOL;
    result->boolVal = lines_.Uhrzeit() ? VARIANT_TRUE : VARIANT_FALSE;
  }
  return S_OK;
}

HRESULT AutomationObject::InvokeWrite(DISPID id, DISPPARAMS& params, UINT* argumentError) {
  const bool variants = id == kWriteV;
  if (variants ? params.cArgs < 2 || params.cArgs > 2 + kWriteVValues : params.cArgs != ArgumentCount(id))
    return DISP_E_BADPARAMCOUNT;
  TypedArgument type, text;
  if (const HRESULT hr = type.From(params, 0, VT_I4, argumentError); FAILED(hr)) return hr;
  if (const HRESULT hr = text.From(params, 1, VT_BSTR, argumentError); FAILED(hr)) return hr;
  const std::int32_t kind = (*type).lVal;
  const std::string format = Utf8Of((*text).bstrVal);

  IncomingLine line;
  if (id == kWrite) {
    line = lines_.Write(kind, format);
  } else if (variants) {
    // Values left out arrive as VT_ERROR or not at all; both end the list.
    std::array<VariantValue, kWriteVValues> values;
    std::array<const VariantValue*, kWriteVValues> pointers{};
    for (UINT i = 0; i < kWriteVValues; ++i) {
      const VARIANT* given = Argument(params, 2 + i);
      if (given) values[i] = FromVariant(*given);
      else values[i].type = kVtError;
      pointers[i] = &values[i];
    }
    line = lines_.WriteV(kind, format, pointers.data(), pointers.size());
  } else {
    static constexpr VARTYPE kValueTypes[] = {VT_I4, VT_I2, VT_BSTR, VT_R8};
    TypedArgument value;
    if (const HRESULT hr = value.From(params, 2, kValueTypes[id - kWriteL], argumentError); FAILED(hr)) return hr;
    switch (id) {
      case kWriteL: line = lines_.WriteL(kind, format, (*value).lVal); break;
      case kWriteI: line = lines_.WriteI(kind, format, (*value).iVal); break;
      case kWriteS: line = lines_.WriteS(kind, format, Utf8Of((*value).bstrVal)); break;
      default: line = lines_.WriteF(kind, format, (*value).dblVal); break;
    }
  }
  if (host_) host_->TakeLine(line);
  return S_OK;
}

bool AutomationFactory::Register(const CLSID& classId) {
  return SUCCEEDED(CoRegisterClassObject(classId, this, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE, &cookie_));
}

void AutomationFactory::Revoke() {
  if (cookie_) CoRevokeClassObject(cookie_);
  cookie_ = 0;
}

HRESULT AutomationFactory::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
    *object = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT AutomationFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  AutomationObject* created = new (std::nothrow) AutomationObject(host_);
  if (!created) return E_OUTOFMEMORY;
  const HRESULT hr = created->QueryInterface(iid, object);
  created->Release();
  return hr;
}

namespace {
bool WriteEntries(HKEY root, const char* prefix, const std::vector<RegistryEntry>& entries) {
  bool written = true;
  for (const RegistryEntry& entry : entries) {
    HKEY key = nullptr;
    const std::string name = prefix + entry.key;
    if (RegCreateKeyExA(root, name.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
      written = false;
      continue;
    }
    written &= RegSetValueExA(key, entry.valueName.empty() ? nullptr : entry.valueName.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(entry.value.c_str()),
                              static_cast<DWORD>(entry.value.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
  }
  return written;
}
}  // namespace

bool RegisterAutomationServer(const char* progId, const char* classId) {
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  const auto entries = AutomationRegistryEntries(path, progId, classId);
  const bool written = WriteEntries(HKEY_CURRENT_USER, (std::string(kClassesKey) + "\\").c_str(), entries);
  // Wine's runtime looks only at the machine's classes. On Windows this
  // write lands in the user's keys just written, or is refused without
  // rights; either way it changes nothing there.
  WriteEntries(HKEY_CLASSES_ROOT, "", entries);
  return written;
}

}  // namespace ploxen
