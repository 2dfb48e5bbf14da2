// A late-bound automation client, as a script binds: the object by its
// programmatic identifier, members by name, arguments as VARIANTs.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <string>
#include <vector>

namespace ploxen::client {

inline std::wstring Wide(const std::string& text) {
  const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &wide[0], n);
  return wide;
}

// A VARIANT that frees what it holds.
class Variant {
 public:
  Variant() { VariantInit(&v_); }
  ~Variant() { VariantClear(&v_); }
  Variant(const Variant& other) : Variant() { VariantCopy(&v_, const_cast<VARIANT*>(&other.v_)); }
  Variant& operator=(const Variant&) = delete;
  static Variant Long(LONG value) {
    Variant v;
    v.v_.vt = VT_I4;
    v.v_.lVal = value;
    return v;
  }
  static Variant Text(const std::string& text) {
    Variant v;
    v.v_.vt = VT_BSTR;
    v.v_.bstrVal = SysAllocStringLen(Wide(text).c_str(), static_cast<UINT>(Wide(text).size()));
    return v;
  }
  VARIANT* get() { return &v_; }
  const VARIANT& operator*() const { return v_; }

 private:
  VARIANT v_;
};

class Object {
 public:
  Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  ~Object() { Release(); }

  HRESULT Create(const std::string& progId) {
    CLSID classId;
    HRESULT hr = CLSIDFromProgID(Wide(progId).c_str(), &classId);
    if (FAILED(hr)) return hr;
    return CoCreateInstance(classId, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, reinterpret_cast<void**>(&object_));
  }
  void Release() {
    if (object_) object_->Release();
    object_ = nullptr;
  }
  HRESULT Id(const std::string& name, DISPID& id) {
    std::wstring wide = Wide(name);
    LPOLESTR names[] = {&wide[0]};
    return object_ ? object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id) : E_POINTER;
  }
  // args left to right, as a script writes them.
  HRESULT Invoke(DISPID id, WORD flags, std::vector<Variant>& args, VARIANT* result = nullptr) {
    if (!object_) return E_POINTER;
    std::vector<VARIANT> reversed;
    for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(**it);
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), (flags & DISPATCH_PROPERTYPUT) ? &put : nullptr,
                      static_cast<UINT>(reversed.size()), (flags & DISPATCH_PROPERTYPUT) ? 1u : 0u};
    UINT argumentError = 0;
    return object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, &argumentError);
  }

 private:
  IDispatch* object_ = nullptr;
};

}  // namespace ploxen::client
