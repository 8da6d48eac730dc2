// plugMain: the library's one export. Every host request arrives here as a
// function code and is answered by the registration record, the template
// instance (which describes parameters and capabilities) or the live
// instance the host names. Host threads may call it at the same time.
#include "plugin/PlugMain.h"

#include "plugin/FFGLPluginRegistration.h"
#include "plugin/FreeFrame.h"
#include "plugin/FreeFrameGLPlugin.h"
#include "plugin/Instantiation.h"
#include "plugin/LiveInstances.h"
#include "plugin/TemplateInstance.h"

namespace {

using Plugin = CFreeFrameGLPlugin;

template <typename T>
FFWord Word(T* address) {
  return reinterpret_cast<FFWord>(address);
}

// A record the registration holds, or null when there is none.
template <typename Record>
FFWord FromRecord(const Record* (CFFGLPluginRegistration::*record)() const) {
  return currentRegistration != nullptr ? Word((currentRegistration->*record)()) : 0;
}

// Codes the template answers: `failure` when it cannot be made.
template <typename Answer>
FFWord FromTemplate(FFWord failure, Answer answer) {
  const template_instance::Reader templ;
  return templ ? static_cast<FFWord>(answer(*templ)) : failure;
}

// Codes that name an instance: FF_FAIL unless it is a live one.
template <typename Answer>
FFWord OnInstance(FFWord identifier, Answer answer) {
  Plugin* instance = live_instances::Find(identifier);
  return instance != nullptr ? static_cast<FFWord>(answer(*instance)) : FF_FAIL;
}

// The template's type for a parameter; unregistered when it cannot be made.
FFUInt32 ParameterType(FFUInt32 index) {
  return static_cast<FFUInt32>(
      FromTemplate(FF_FAIL, [index](const Plugin& t) { return t.GetParameterType(index); }));
}

FFWord Capability(const Plugin& t, FFUInt32 capability) {
  const auto count = [](int value) { return value < 0 ? 0 : static_cast<FFWord>(value); };
  switch (capability) {
    case FF_CAP_PROCESSOPENGL: return 1;
    case FF_CAP_SETTIME: return t.SupportsTime() ? 1 : 0;
    case FF_CAP_MINIMUMINPUTFRAMES: return count(t.GetMinimumInputs());
    case FF_CAP_MAXIMUMINPUTFRAMES: return count(t.GetMaximumInputs());
    default: return 0;
  }
}

FFWord SetParameter(Plugin& instance, const SetParameterStruct* set) {
  if (set == nullptr) return FF_FAIL;
  const FFUInt32 index = set->ParameterNumber;
  if (ParameterType(index) == FF_TYPE_TEXT) {
    return instance.SetTextParameter(index, reinterpret_cast<const char*>(set->NewParameterValue));
  }
  return instance.SetFloatParameter(index, FFFloatFromWord(set->NewParameterValue));
}

FFWord GetParameter(Plugin& instance, FFUInt32 index) {
  if (ParameterType(index) == FF_TYPE_TEXT) return instance.GetTextParameter(index);
  return FFWordFromFloat(instance.GetFloatParameter(index));
}

FFWord Dispatch(FFUInt32 code, FFWord input, FFWord id) {
  const auto index = static_cast<FFUInt32>(input);
  switch (code) {
    case FF_GETINFO:
      return FromRecord(&CFFGLPluginRegistration::Info);
    case FF_INITIALISE:
      return FromTemplate(FF_FAIL, [](const Plugin&) { return FF_SUCCESS; });
    case FF_DEINITIALISE:
      template_instance::Destroy();
      return FF_SUCCESS;
    case FF_GETNUMPARAMETERS:
      return FromTemplate(FF_FAIL, [](const Plugin& t) { return t.GetParameterCount(); });
    case FF_GETPARAMETERNAME:
      return FromTemplate(0, [index](const Plugin& t) { return Word(t.GetParameterName(index)); });
    case FF_GETPARAMETERDEFAULT:
      return FromTemplate(FF_FAIL, [index](const Plugin& t) { return t.GetParameterDefault(index); });
    case FF_GETPARAMETERDISPLAY:
      return OnInstance(id, [index](Plugin& p) { return Word(p.GetParameterDisplay(index)); });
    case FF_SETPARAMETER:
      return OnInstance(id, [input](Plugin& p) {
        return SetParameter(p, reinterpret_cast<const SetParameterStruct*>(input));
      });
    case FF_GETPARAMETER:
      return OnInstance(id, [index](Plugin& p) { return GetParameter(p, index); });
    case FF_GETPLUGINCAPS:
      return FromTemplate(FF_FAIL, [index](const Plugin& t) { return Capability(t, index); });
    case FF_GETEXTENDEDINFO:
      return FromRecord(&CFFGLPluginRegistration::ExtendedInfo);
    case FF_GETPARAMETERTYPE:
      return FromTemplate(FF_FAIL, [index](const Plugin& t) { return t.GetParameterType(index); });
    case FF_GETINPUTSTATUS:
      return OnInstance(id, [index](Plugin& p) { return p.GetInputStatus(index); });
    case FF_PROCESSOPENGL:
      return OnInstance(id, [input](Plugin& p) {
        const auto* frame = reinterpret_cast<const ProcessOpenGLStruct*>(input);
        return frame != nullptr ? p.ProcessOpenGL(frame) : FF_FAIL;
      });
    case FF_INSTANTIATEGL:
      return InstantiateGL(reinterpret_cast<const FFGLViewportStruct*>(input));
    case FF_DEINSTANTIATEGL:
      return OnInstance(id, [](Plugin& p) { return DeinstantiateGL(p); });
    case FF_SETTIME:
      return OnInstance(id, [input](Plugin& p) {
        const auto* time = reinterpret_cast<const double*>(input);
        return time != nullptr ? p.SetTime(*time) : FF_FAIL;
      });
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
