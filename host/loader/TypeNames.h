// How plugin types and parameter types are called, in every command's
// reports and in play's panel: one table.
#pragma once

#include <string>

#include "plugin/FreeFrame.h"

namespace host {

// "source", "effect", else "type N".
std::string PluginTypeName(FFUInt32 type);
// "boolean", "standard", "text" and the others, else "type N".
std::string ParameterTypeName(FFUInt32 type);
// False for a type no table here names.
bool IsKnownParameterType(FFUInt32 type);

}  // namespace host
