#include "plugin/Instantiation.h"

#include <memory>

#include "plugin/FFGLPluginRegistration.h"
#include "plugin/FreeFrameGLPlugin.h"
#include "plugin/LiveInstances.h"
#include "plugin/TemplateInstance.h"

namespace {

// A new instance from the record's factory, starting from the template's
// registered defaults; null when the template, the factory or a setter fails.
std::unique_ptr<CFreeFrameGLPlugin> MakeWithDefaults() {
  const template_instance::Reader templ;
  if (!templ) return nullptr;
  CFreeFrameGLPlugin* made = nullptr;
  const FFUInt32 result = currentRegistration->Factory()(&made);
  if (result == FF_FAIL || made == nullptr) return nullptr;
  std::unique_ptr<CFreeFrameGLPlugin> instance(made);

  // The indices walked are 0 to count - 1, whatever the registry holds.
  const FFUInt32 count = templ->GetParameterCount();
  for (FFUInt32 i = 0; i < count; ++i) {
    const FFWord defaultWord = templ->GetParameterDefault(i);
    const FFUInt32 set =
        templ->GetParameterType(i) == FF_TYPE_TEXT
            ? instance->SetTextParameter(i, reinterpret_cast<const char*>(defaultWord))
            : instance->SetFloatParameter(i, FFFloatFromWord(defaultWord));
    if (set == FF_FAIL) return nullptr;
  }
  return instance;
}

}  // namespace

FFWord InstantiateGL(const FFGLViewportStruct* viewport) {
  if (currentRegistration == nullptr || viewport == nullptr) return FF_FAIL;
  std::unique_ptr<CFreeFrameGLPlugin> instance = MakeWithDefaults();
  if (instance == nullptr) return FF_FAIL;
  if (instance->InitGL(viewport) != FF_SUCCESS || !live_instances::Add(instance.get())) {
    instance->DeInitGL();  // copes with a partial set-up
    return FF_FAIL;
  }
  return reinterpret_cast<FFWord>(instance.release());
}

FFWord DeinstantiateGL(CFreeFrameGLPlugin& instance) {
  instance.DeInitGL();
  live_instances::Remove(&instance);
  delete &instance;
  return FF_SUCCESS;
}
