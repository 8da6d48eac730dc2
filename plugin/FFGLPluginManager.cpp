#include "plugin/FFGLPluginManager.h"

#include <cstring>
#include <new>

#include "plugin/OwnedText.h"

namespace {

// All 16 bytes are written: the name's characters before its first NUL, then
// zeros. A name of 16 characters or more keeps its first 16, unterminated.
void FillName(char (&field)[16], const char* name) {
  std::size_t length = 0;
  if (name != nullptr) {
    while (length < sizeof field && name[length] != '\0') ++length;
    std::memcpy(field, name, length);
  }
  std::memset(field + length, 0, sizeof field - length);
}

}  // namespace

CFFGLPluginManager::~CFFGLPluginManager() {
  ParameterEntry* entry = firstParameter;
  while (entry != nullptr) {
    ParameterEntry* next = entry->next;
    if (entry->type == FF_TYPE_TEXT) delete[] entry->textValue;
    delete entry;
    entry = next;
  }
  firstParameter = nullptr;
  lastParameter = nullptr;
}

CFFGLPluginManager::ParameterEntry* CFFGLPluginManager::Append(FFUInt32 index, const char* name,
                                                               FFUInt32 type) {
  auto* entry = new ParameterEntry{};
  entry->index = index;
  FillName(entry->name, name);
  entry->type = type;
  entry->defaultValue = 0.0f;
  entry->textValue = nullptr;
  entry->next = nullptr;
  if (firstParameter == nullptr) firstParameter = entry;
  if (lastParameter != nullptr) lastParameter->next = entry;
  lastParameter = entry;
  ++parameterCount;
  return entry;
}

void CFFGLPluginManager::RegisterNumericParameter(FFUInt32 index, const char* name, FFUInt32 type,
                                                  float defaultValue) {
  // Clamp to 0..1; a NaN passes both tests unchanged.
  if (defaultValue > 1.0f) defaultValue = 1.0f;
  if (defaultValue < 0.0f) defaultValue = 0.0f;
  Append(index, name, type)->defaultValue = defaultValue;
}

void CFFGLPluginManager::RegisterBooleanParameter(FFUInt32 index, const char* name, FFUInt32 type,
                                                  bool defaultValue) {
  Append(index, name, type)->defaultValue = defaultValue ? 1.0f : 0.0f;
}

void CFFGLPluginManager::RegisterTextParameter(FFUInt32 index, const char* name, FFUInt32 type,
                                               const char* defaultText) {
  ParameterEntry* entry = Append(index, name, type);
  entry->textValue = CopyOwnedText(defaultText);
  // A text copy owned by an entry not typed as text would never be freed.
  if (type != FF_TYPE_TEXT) {
    delete[] entry->textValue;
    entry->textValue = nullptr;
  }
}

const CFFGLPluginManager::ParameterEntry* CFFGLPluginManager::Find(FFUInt32 index) const {
  for (const ParameterEntry* entry = firstParameter; entry != nullptr; entry = entry->next) {
    if (entry->index == index) return entry;
  }
  return nullptr;
}

const char* CFFGLPluginManager::GetParameterName(FFUInt32 index) const {
  const ParameterEntry* entry = Find(index);
  return entry != nullptr ? entry->name : nullptr;
}

FFUInt32 CFFGLPluginManager::GetParameterType(FFUInt32 index) const {
  const ParameterEntry* entry = Find(index);
  return entry != nullptr ? entry->type : FF_FAIL;
}

FFWord CFFGLPluginManager::GetParameterDefault(FFUInt32 index) const {
  const ParameterEntry* entry = Find(index);
  if (entry == nullptr) return FF_FAIL;
  if (entry->type == FF_TYPE_TEXT) return reinterpret_cast<FFWord>(entry->textValue);
  return FFWordFromFloat(entry->defaultValue);
}
