#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <fstream>

#include "host/files/OpenFile.h"
#include "host/loader/PluginCallScope.h"
#include "host/loader/PluginLibrary.h"

namespace host {

std::unique_ptr<PluginLibrary> PluginLibrary::Load(const std::string& path, std::string& error) {
  if (!std::ifstream(path).good()) {
    error = "cannot open plugin file '" + path + "'";
    return nullptr;
  }
  // No "cannot find a DLL" dialog box for a library with missing imports.
  const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE handle = nullptr;
  DWORD reason = 0;
  {
    PluginCallScope loading(kLoading);
    handle = LoadLibraryA(path.c_str());
    reason = GetLastError();
  }
  SetErrorMode(previousMode);
  if (handle == nullptr) {
    error = "'" + path + "' is not a plugin library that can be loaded (" +
            SystemErrorText(reason) + ")";
    return nullptr;
  }
  auto plugMain = reinterpret_cast<FFPlugMainFunc>(
      reinterpret_cast<void*>(GetProcAddress(handle, "plugMain")));
  if (plugMain == nullptr) {
    FreeLibrary(handle);
    error = "'" + path + "' has no plugMain export: not a FreeFrame plugin";
    return nullptr;
  }
  std::unique_ptr<PluginLibrary> library(new PluginLibrary(handle, plugMain, path));
  // The whole mapped image, headers included: its size is in the PE header.
  const auto* image = reinterpret_cast<const unsigned char*>(handle);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
  library->codeBegin_ = image;
  library->codeEnd_ = image + nt->OptionalHeader.SizeOfImage;
  NotePluginCode(library->codeBegin_, library->codeEnd_);
  return library;
}

PluginLibrary::~PluginLibrary() {
  ForgetPluginCode(codeBegin_);
  PluginCallScope unloading(kUnloading);
  FreeLibrary(static_cast<HMODULE>(handle_));
}

}  // namespace host
