// The DLL that ploxen_debug_child loads and unloads again (built for 32 bits
// too, as ploxen_debug_dll32.dll): it does nothing.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
