// Any process may send a window any message with any lParam. A message whose
// lParam is a pointer is only followed when the pointer can be one of ours.
#pragma once

#include <windows.h>

#include <cstddef>

namespace fw {

// True when every byte of [address, address + size) is committed memory of
// this process that may be read.
bool ReadableMemory(const void* address, std::size_t size);

// For the messages that carry a pointer in lParam (WM_NOTIFY, WM_DRAWITEM,
// WM_MEASUREITEM, WM_COMPAREITEM, WM_DELETEITEM, WM_COPYDATA): whether it may
// be read. A notification must also come from a window of this thread, as
// every control of ours sends it. Every other message: true.
bool MessagePointerUsable(UINT msg, LPARAM lp);

// WM_NCCREATE, WM_CREATE and WM_INITDIALOG: a window's procedure takes its
// state from what they point at, so they are believed only while this
// process makes the window.
bool IsCreationMessage(UINT msg);

// A control of the platform reads such pointers without asking: the control
// is subclassed so that they never reach it, nor, the control being made
// already, any creation message.
bool GuardPointerMessages(HWND control);

}  // namespace fw
