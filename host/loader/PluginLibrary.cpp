#include "host/loader/PluginLibrary.h"

#include "host/loader/PluginCallScope.h"

namespace host {
namespace {

// Read by the crash handlers on the faulting thread: a plain pointer to a
// string constant.
thread_local const char* callInProgress = nullptr;

}  // namespace

PluginLibrary::PluginLibrary(void* handle, FFPlugMainFunc plugMain, std::string path)
    : handle_(handle), plugMain_(plugMain), path_(std::move(path)) {}

FFWord PluginLibrary::Call(FFUInt32 functionCode, FFWord inputValue, FFWord instanceId) const {
  // Calls nest when a plugin is driven from inside another's call (tests).
  const char* outer = callInProgress;
  callInProgress = FunctionCodeName(functionCode);
  FFWord result = 0;
  {
    PluginCallScope scope(callInProgress);
    result = plugMain_(functionCode, inputValue, instanceId);
  }
  callInProgress = outer;
  return result;
}

const char* PluginCallInProgress() { return callInProgress; }

const char* FunctionCodeName(FFUInt32 functionCode) {
  static const char* const kNames[] = {
      "FF_GETINFO",          "FF_INITIALISE",         "FF_DEINITIALISE",
      "FF_PROCESSFRAME",     "FF_GETNUMPARAMETERS",   "FF_GETPARAMETERNAME",
      "FF_GETPARAMETERDEFAULT", "FF_GETPARAMETERDISPLAY", "FF_SETPARAMETER",
      "FF_GETPARAMETER",     "FF_GETPLUGINCAPS",      "FF_INSTANTIATE",
      "FF_DEINSTANTIATE",    "FF_GETEXTENDEDINFO",    "FF_PROCESSFRAMECOPY",
      "FF_GETPARAMETERTYPE", "FF_GETINPUTSTATUS",     "FF_PROCESSOPENGL",
      "FF_INSTANTIATEGL",    "FF_DEINSTANTIATEGL",    "FF_SETTIME"};
  return functionCode < sizeof kNames / sizeof kNames[0] ? kNames[functionCode]
                                                         : "an unknown function code";
}

}  // namespace host
