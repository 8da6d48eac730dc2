// A FreeFrame GL plugin library loaded the way a host loads it: by path,
// with its plugMain found by name. Works for any FFGL 1.x plugin built for
// this platform. Loading is per platform (PluginLibrary_posix.cpp,
// PluginLibrary_win32.cpp).
#pragma once

#include <memory>
#include <string>

#include "plugin/FreeFrame.h"

namespace host {

class PluginLibrary {
 public:
  // Loads the library; null with a one-line reason in `error` when the file
  // cannot be loaded or has no plugMain.
  static std::unique_ptr<PluginLibrary> Load(const std::string& path, std::string& error);
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  // Calls plugMain, noting the code as the call in progress on this thread
  // so that a crash inside it can be reported by name.
  FFWord Call(FFUInt32 functionCode, FFWord inputValue = 0, FFWord instanceId = 0) const;
  FFPlugMainFunc PlugMain() const { return plugMain_; }
  const std::string& Path() const { return path_; }
  // The loader's handle (dlopen's handle, or the Windows HMODULE).
  void* NativeHandle() const { return handle_; }
  // Where the library's code lies in memory (both null where unknown).
  const void* CodeBegin() const { return codeBegin_; }
  const void* CodeEnd() const { return codeEnd_; }

 private:
  PluginLibrary(void* handle, FFPlugMainFunc plugMain, std::string path);
  void* handle_;
  FFPlugMainFunc plugMain_;
  std::string path_;
  const void* codeBegin_ = nullptr;
  const void* codeEnd_ = nullptr;
};

// The plugMain code this thread is inside ("FF_PROCESSOPENGL"), or null
// outside any plugin call. Safe to read from a fatal-signal handler.
const char* PluginCallInProgress();
// The name of a plugMain function code, e.g. "FF_INSTANTIATEGL".
const char* FunctionCodeName(FFUInt32 functionCode);

}  // namespace host
