// Packing every shader in a folder, with a progress bar and a summary.
#pragma once

#include "tools/pack/PackOptions.h"

// 0 when every shader became plugins, else 1.
int PackFolder(const PackOptions& options);
