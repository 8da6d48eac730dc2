// The process-wide record that describes the plugin to the host
// (FF_GETINFO, FF_GETEXTENDEDINFO) and holds the factory that makes
// instances. Built once by the effect's load-time registration.
#pragma once

#include "plugin/FreeFrame.h"

class CFreeFrameGLPlugin;

// Stores a new instance's address through `out` (null on failure) and
// answers FF_SUCCESS or FF_FAIL.
using InstanceFactory = FFUInt32 (*)(CFreeFrameGLPlugin** out);

class CFFGLPluginRegistration {
 public:
  CFFGLPluginRegistration(InstanceFactory factory, const char* uniqueId, const char* name,
                          FFUInt32 apiMajorVersion, FFUInt32 apiMinorVersion,
                          FFUInt32 pluginMajorVersion, FFUInt32 pluginMinorVersion,
                          FFUInt32 pluginType, const char* description, const char* about,
                          FFUInt32 extendedDataSize, const void* extendedDataBlock);
  ~CFFGLPluginRegistration();

  CFFGLPluginRegistration(const CFFGLPluginRegistration&) = delete;
  CFFGLPluginRegistration& operator=(const CFFGLPluginRegistration&) = delete;

  const PluginInfoStruct* Info() const { return &info; }
  const PluginExtendedInfoStruct* ExtendedInfo() const { return &extendedInfo; }
  InstanceFactory Factory() const { return factory; }

 private:
  PluginInfoStruct info{};
  PluginExtendedInfoStruct extendedInfo{};
  InstanceFactory factory = nullptr;
};

// The one record, set when it is built at load; never cleared.
extern CFFGLPluginRegistration* currentRegistration;
