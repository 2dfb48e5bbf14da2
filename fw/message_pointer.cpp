#include "fw/message_pointer.h"

#include <commctrl.h>

#include <cstdint>

namespace fw {

namespace {

constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                            PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

}  // namespace

bool ReadableMemory(const void* address, std::size_t size) {
  if (!address) return false;
  auto at = reinterpret_cast<std::uintptr_t>(address);
  if (size == 0) size = 1;
  if (at + size < at) return false;
  const std::uintptr_t end = at + size;
  // The bytes may span several regions, each checked on its own.
  while (at < end) {
    MEMORY_BASIC_INFORMATION info{};
    if (VirtualQuery(reinterpret_cast<const void*>(at), &info, sizeof info) != sizeof info) return false;
    if (info.State != MEM_COMMIT || (info.Protect & (PAGE_GUARD | PAGE_NOACCESS)) || !(info.Protect & kReadable))
      return false;
    const std::uintptr_t regionEnd = reinterpret_cast<std::uintptr_t>(info.BaseAddress) + info.RegionSize;
    if (regionEnd <= at) return false;
    at = regionEnd;
  }
  return true;
}

bool MessagePointerUsable(UINT msg, LPARAM lp) {
  const void* p = reinterpret_cast<const void*>(lp);
  switch (msg) {
    case WM_NOTIFY: {
      if (!ReadableMemory(p, sizeof(NMHDR))) return false;
      const HWND from = static_cast<const NMHDR*>(p)->hwndFrom;
      return from && IsWindow(from) && GetWindowThreadProcessId(from, nullptr) == GetCurrentThreadId();
    }
    case WM_DRAWITEM: return ReadableMemory(p, sizeof(DRAWITEMSTRUCT));
    case WM_MEASUREITEM: return ReadableMemory(p, sizeof(MEASUREITEMSTRUCT));
    case WM_COMPAREITEM: return ReadableMemory(p, sizeof(COMPAREITEMSTRUCT));
    case WM_DELETEITEM: return ReadableMemory(p, sizeof(DELETEITEMSTRUCT));
    case WM_COPYDATA: {
      if (!ReadableMemory(p, sizeof(COPYDATASTRUCT))) return false;
      const auto* data = static_cast<const COPYDATASTRUCT*>(p);
      return data->cbData == 0 || ReadableMemory(data->lpData, data->cbData);
    }
    default: return true;
  }
}

bool IsCreationMessage(UINT msg) { return msg == WM_NCCREATE || msg == WM_CREATE || msg == WM_INITDIALOG; }

namespace {

LRESULT CALLBACK PointerGuard(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR) {
  if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, PointerGuard, id);
  if (IsCreationMessage(msg) || !MessagePointerUsable(msg, lp)) return 0;
  return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

bool GuardPointerMessages(HWND control) { return SetWindowSubclass(control, PointerGuard, 0, 0) != FALSE; }

}  // namespace fw
