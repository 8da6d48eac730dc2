// plugMain: the library's one export. Every host request arrives here as a
// function code and is answered by the registration record, the template
// instance (which describes parameters and capabilities) or the live
// instance the host names.
#include "plugin/FFGLPluginRegistration.h"
#include "plugin/FreeFrame.h"
#include "plugin/FreeFrameGLPlugin.h"
#include "plugin/LiveInstances.h"
#include "plugin/PlugMain.h"

namespace {

CFreeFrameGLPlugin* templateInstance = nullptr;

// A host that unloads the library without FF_DEINITIALISE would otherwise
// lose the template's memory on every load; it makes no GL call, so it can
// be destroyed at unload.
struct TemplateReleaseAtUnload {
  ~TemplateReleaseAtUnload() {
    delete templateInstance;
    templateInstance = nullptr;
  }
} templateReleaseAtUnload;

FFUInt32 EnsureTemplateInstance() {
  if (currentRegistration == nullptr) return FF_FAIL;
  if (templateInstance != nullptr) return FF_SUCCESS;
  const FFUInt32 result = currentRegistration->Factory()(&templateInstance);
  if (result == FF_FAIL || templateInstance == nullptr) {
    templateInstance = nullptr;
    return FF_FAIL;
  }
  return FF_SUCCESS;
}

void DestroyTemplateInstance() {
  delete templateInstance;
  templateInstance = nullptr;
}

// The template's type for a parameter; unregistered when it cannot be made.
FFUInt32 TemplateParameterType(FFUInt32 index) {
  if (EnsureTemplateInstance() != FF_SUCCESS) return FF_FAIL;
  return templateInstance->GetParameterType(index);
}

FFWord GetPluginCaps(FFUInt32 capability) {
  switch (capability) {
    case FF_CAP_PROCESSOPENGL:
      return 1;
    case FF_CAP_SETTIME:
      return templateInstance->SupportsTime() ? 1 : 0;
    case FF_CAP_MINIMUMINPUTFRAMES: {
      const int minimum = templateInstance->GetMinimumInputs();
      return minimum < 0 ? 0 : static_cast<FFWord>(minimum);
    }
    case FF_CAP_MAXIMUMINPUTFRAMES: {
      const int maximum = templateInstance->GetMaximumInputs();
      return maximum < 0 ? 0 : static_cast<FFWord>(maximum);
    }
    default:
      return 0;
  }
}

void DestroyInstance(CFreeFrameGLPlugin* instance) {
  live_instances::Remove(instance);
  delete instance;
}

FFWord InstantiateGL(const FFGLViewportStruct* viewport) {
  if (currentRegistration == nullptr || viewport == nullptr) return FF_FAIL;
  if (EnsureTemplateInstance() != FF_SUCCESS) return FF_FAIL;
  CFreeFrameGLPlugin* instance = nullptr;
  const FFUInt32 made = currentRegistration->Factory()(&instance);
  if (made == FF_FAIL || instance == nullptr) return FF_FAIL;
  instance->selfInstance = instance;

  // Start from the registered defaults, applied through the instance's own
  // setters. The indices walked are 0 to count - 1.
  const FFUInt32 count = templateInstance->GetParameterCount();
  for (FFUInt32 i = 0; i < count; ++i) {
    const FFUInt32 type = templateInstance->GetParameterType(i);
    const FFWord defaultWord = templateInstance->GetParameterDefault(i);
    const FFUInt32 result =
        type == FF_TYPE_TEXT
            ? instance->SetTextParameter(i, reinterpret_cast<const char*>(defaultWord))
            : instance->SetFloatParameter(i, FFFloatFromWord(defaultWord));
    if (result == FF_FAIL) {
      delete instance;
      return FF_FAIL;
    }
  }

  if (instance->InitGL(viewport) != FF_SUCCESS) {
    instance->DeInitGL();
    delete instance;
    return FF_FAIL;
  }
  if (!live_instances::Add(instance)) {
    instance->DeInitGL();
    delete instance;
    return FF_FAIL;
  }
  return reinterpret_cast<FFWord>(instance);
}

FFWord Dispatch(FFUInt32 functionCode, FFWord inputValue, FFWord instanceId) {
  const auto index = static_cast<FFUInt32>(inputValue);
  switch (functionCode) {
    case FF_GETINFO:
      return currentRegistration != nullptr
                 ? reinterpret_cast<FFWord>(currentRegistration->Info())
                 : 0;
    case FF_INITIALISE:
      return EnsureTemplateInstance();
    case FF_DEINITIALISE:
      DestroyTemplateInstance();
      return FF_SUCCESS;
    case FF_GETNUMPARAMETERS:
      if (EnsureTemplateInstance() != FF_SUCCESS) return FF_FAIL;
      return templateInstance->GetParameterCount();
    case FF_GETPARAMETERNAME:
      if (EnsureTemplateInstance() != FF_SUCCESS) return 0;
      return reinterpret_cast<FFWord>(templateInstance->GetParameterName(index));
    case FF_GETPARAMETERDEFAULT:
      if (EnsureTemplateInstance() != FF_SUCCESS) return FF_FAIL;
      return templateInstance->GetParameterDefault(index);
    case FF_GETPARAMETERTYPE:
      if (EnsureTemplateInstance() != FF_SUCCESS) return FF_FAIL;
      return templateInstance->GetParameterType(index);
    case FF_GETPLUGINCAPS:
      if (EnsureTemplateInstance() != FF_SUCCESS) return FF_FAIL;
      return GetPluginCaps(index);
    case FF_GETEXTENDEDINFO:
      return currentRegistration != nullptr
                 ? reinterpret_cast<FFWord>(currentRegistration->ExtendedInfo())
                 : 0;
    case FF_INSTANTIATEGL:
      return InstantiateGL(reinterpret_cast<const FFGLViewportStruct*>(inputValue));
    default:
      break;
  }

  // The remaining handled codes name an instance: only a live one is used.
  CFreeFrameGLPlugin* instance = live_instances::Find(instanceId);
  switch (functionCode) {
    case FF_GETPARAMETERDISPLAY:
      if (instance == nullptr) return FF_FAIL;
      return reinterpret_cast<FFWord>(instance->GetParameterDisplay(index));
    case FF_SETPARAMETER: {
      const auto* set = reinterpret_cast<const SetParameterStruct*>(inputValue);
      if (instance == nullptr || set == nullptr) return FF_FAIL;
      if (TemplateParameterType(set->ParameterNumber) == FF_TYPE_TEXT) {
        return instance->SetTextParameter(set->ParameterNumber,
                                          reinterpret_cast<const char*>(set->NewParameterValue));
      }
      return instance->SetFloatParameter(set->ParameterNumber,
                                         FFFloatFromWord(set->NewParameterValue));
    }
    case FF_GETPARAMETER:
      if (instance == nullptr) return FF_FAIL;
      if (TemplateParameterType(index) == FF_TYPE_TEXT) return instance->GetTextParameter(index);
      return FFWordFromFloat(instance->GetFloatParameter(index));
    case FF_GETINPUTSTATUS:
      if (instance == nullptr) return FF_FAIL;
      return instance->GetInputStatus(index);
    case FF_PROCESSOPENGL:
      if (instance == nullptr || inputValue == 0) return FF_FAIL;
      return instance->ProcessOpenGL(reinterpret_cast<const ProcessOpenGLStruct*>(inputValue));
    case FF_DEINSTANTIATEGL:
      if (instance == nullptr) return FF_FAIL;
      instance->DeInitGL();
      DestroyInstance(instance);
      return FF_SUCCESS;
    case FF_SETTIME:
      if (instance == nullptr || inputValue == 0) return FF_FAIL;
      return instance->SetTime(*reinterpret_cast<const double*>(inputValue));
    default:
      // FF_PROCESSFRAME, FF_INSTANTIATE, FF_DEINSTANTIATE, FF_PROCESSFRAMECOPY
      // and every code above FF_SETTIME.
      return FF_FAIL;
  }
}

}  // namespace

extern "C" PLUGMAIN_EXPORT FFWord FF_CALL plugMain(FFUInt32 functionCode, FFWord inputValue,
                                                   FFWord instanceId) {
  // Nothing but the result word may leave the plugin.
  try {
    return Dispatch(functionCode, inputValue, instanceId);
  } catch (...) {
    return FF_FAIL;
  }
}
