#include "host/loader/TypeNames.h"

namespace host {
namespace {

struct TypeName {
  FFUInt32 type;
  const char* name;
};

constexpr TypeName kPluginTypes[] = {{FF_EFFECT, "effect"}, {FF_SOURCE, "source"}};

constexpr TypeName kParameterTypes[] = {
    {FF_TYPE_BOOLEAN, "boolean"}, {FF_TYPE_EVENT, "event"},       {FF_TYPE_RED, "red"},
    {FF_TYPE_GREEN, "green"},     {FF_TYPE_BLUE, "blue"},         {FF_TYPE_XPOS, "xpos"},
    {FF_TYPE_YPOS, "ypos"},       {FF_TYPE_STANDARD, "standard"}, {FF_TYPE_TEXT, "text"}};

template <std::size_t N>
const char* Find(const TypeName (&table)[N], FFUInt32 type) {
  for (const TypeName& entry : table) {
    if (entry.type == type) return entry.name;
  }
  return nullptr;
}

template <std::size_t N>
std::string NameOf(const TypeName (&table)[N], FFUInt32 type) {
  const char* name = Find(table, type);
  return name != nullptr ? name : "type " + std::to_string(type);
}

}  // namespace

std::string PluginTypeName(FFUInt32 type) { return NameOf(kPluginTypes, type); }
std::string ParameterTypeName(FFUInt32 type) { return NameOf(kParameterTypes, type); }
bool IsKnownParameterType(FFUInt32 type) { return Find(kParameterTypes, type) != nullptr; }

}  // namespace host
