// A FreeFrame GL plugin library loaded the way a host loads it: by path,
// with its plugMain found by name. Works for any FFGL 1.x plugin built for
// this platform.
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

  FFWord Call(FFUInt32 functionCode, FFWord inputValue = 0, FFWord instanceId = 0) const {
    return plugMain_(functionCode, inputValue, instanceId);
  }
  FFPlugMainFunc PlugMain() const { return plugMain_; }
  const std::string& Path() const { return path_; }

 private:
  PluginLibrary(void* handle, FFPlugMainFunc plugMain, std::string path)
      : handle_(handle), plugMain_(plugMain), path_(std::move(path)) {}
  void* handle_;
  FFPlugMainFunc plugMain_;
  std::string path_;
};

}  // namespace host
