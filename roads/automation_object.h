// The automation object "Ploxen" on the platform's automation runtime: a
// dispatch interface of our own, without type information, and its class
// factory, which serves one object per registration.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <string>

#include "sources/automation_lines.h"

namespace ploxen {

class AutomationObject;

// The class of "Ploxen", as the registry names it.
constexpr CLSID kAutomationClass = {0x93BCE300, 0x17F5, 0x11D3, {0x80, 0xA4, 0x00, 0x00, 0x29, 0x07, 0x12, 0x33}};

// What the object needs of the program: somewhere to put its lines, and to
// know while it exists (it keeps the program from closing).
class AutomationHost {
 public:
  virtual ~AutomationHost() = default;
  virtual void TakeLine(const IncomingLine& line) = 0;
  virtual void Attach(AutomationObject* object) = 0;
  // The last client reference went; the object is gone after this call.
  virtual void Detach(AutomationObject* object) = 0;
};

class AutomationObject final : public IDispatch {
 public:
  explicit AutomationObject(AutomationHost* host);
  AutomationObject(const AutomationObject&) = delete;
  AutomationObject& operator=(const AutomationObject&) = delete;

  // The host is going: calls from now on are taken and dropped.
  void ClearHost() { host_ = nullptr; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

 private:
  ~AutomationObject();
  HRESULT InvokeUhrzeit(WORD flags, DISPPARAMS& params, VARIANT* result, UINT* argumentError);
  HRESULT InvokeWrite(DISPID id, DISPPARAMS& params, UINT* argumentError);

  LONG references_ = 1;
  AutomationHost* host_;
  AutomationLines lines_;
};

class AutomationFactory final : public IClassFactory {
 public:
  explicit AutomationFactory(AutomationHost* host) : host_(host) {}

  // As running, for one object (the next client starts another program).
  bool Register(const CLSID& classId);
  void Revoke();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives as long as the program
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  AutomationHost* host_;
  DWORD cookie_ = 0;
};

// Writes the entries that name this program as the server of progId/classId.
bool RegisterAutomationServer(const char* progId, const char* classId);

}  // namespace ploxen
