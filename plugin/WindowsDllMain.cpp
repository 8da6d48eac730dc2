// The library needs nothing from DllMain: its registration is built by static
// initialisation, which the C runtime runs before this is called.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
