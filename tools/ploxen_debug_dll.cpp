// The DLL that ploxen_debug_child loads and unloads again: it does nothing.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
