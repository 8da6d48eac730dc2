// The parameter and input registry every plugin instance carries: the
// parameters in registration order, the input counts and host-time support.
// The entry point answers the host's describing codes from it.
#pragma once

#include "plugin/FreeFrame.h"

class CFFGLPluginManager {
 public:
  CFFGLPluginManager() = default;
  virtual ~CFFGLPluginManager();

  CFFGLPluginManager(const CFFGLPluginManager&) = delete;
  CFFGLPluginManager& operator=(const CFFGLPluginManager&) = delete;

  // Registration appends one entry; indices are not checked for repeats.
  // Each throws std::bad_alloc when the entry cannot be allocated, which
  // makes the instance's construction fail.
  void RegisterNumericParameter(FFUInt32 index, const char* name, FFUInt32 type,
                                float defaultValue);
  void RegisterBooleanParameter(FFUInt32 index, const char* name, FFUInt32 type,
                                bool defaultValue);
  void RegisterTextParameter(FFUInt32 index, const char* name, FFUInt32 type,
                             const char* defaultText);

  void SetMinimumInputs(int count) { minimumInputs = count; }
  void SetMaximumInputs(int count) { maximumInputs = count; }
  void SetSupportsTime(bool flag) { timeSupported = flag; }

  FFUInt32 GetParameterCount() const { return parameterCount; }
  // Address of the entry's 16-byte name field (not terminated when full),
  // or null for an unregistered index.
  const char* GetParameterName(FFUInt32 index) const;
  // The entry's type, or 0xFFFFFFFF for an unregistered index.
  FFUInt32 GetParameterType(FFUInt32 index) const;
  // Text entries: the address of the registry's copy of the default text.
  // Others: the default's float bits. Unregistered: 0xFFFFFFFF.
  FFWord GetParameterDefault(FFUInt32 index) const;
  int GetMinimumInputs() const { return minimumInputs; }
  int GetMaximumInputs() const { return maximumInputs; }
  bool SupportsTime() const { return timeSupported; }

 private:
  struct ParameterEntry {
    FFUInt32 index;
    char name[16];
    FFUInt32 type;
    float defaultValue;
    char* textValue;
    ParameterEntry* next;
  };

  ParameterEntry* Append(FFUInt32 index, const char* name, FFUInt32 type);
  const ParameterEntry* Find(FFUInt32 index) const;

  FFUInt32 parameterCount = 0;
  ParameterEntry* firstParameter = nullptr;
  ParameterEntry* lastParameter = nullptr;
  int minimumInputs = 0;
  int maximumInputs = 0;
  bool timeSupported = false;
};
