// The library needs little from DllMain: its registration is built by static
// initialisation, which the C runtime runs before this is called.
#include <windows.h>

// The statically linked C++ runtime's emergency exception arena, which the
// runtime itself never frees.
namespace __gnu_cxx {
void __freeres();
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  // Unloaded by FreeLibrary (not at process exit): without this every
  // load/unload cycle of a host would leak the arena.
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) __gnu_cxx::__freeres();
  return TRUE;
}
