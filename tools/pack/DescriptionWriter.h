// The packed form of a description (payload and footer), ready to append
// to a template library.
#pragma once

#include <string>
#include <vector>

#include "effect/PluginDescription.h"

// False with `error` when the description breaks a bound of the format.
bool PackDescription(const PluginDescription& description, std::vector<unsigned char>& packed,
                     std::string& error);
