// Declaration of the export. On Windows a .def file names it (so the
// 32-bit export is the undecorated "plugMain" at ordinal 1); on other
// platforms it is the one symbol given default visibility.
#pragma once

#include "plugin/FreeFrame.h"

#if defined(_WIN32)
#define PLUGMAIN_EXPORT
#else
#define PLUGMAIN_EXPORT __attribute__((visibility("default")))
#endif

extern "C" PLUGMAIN_EXPORT FFWord FF_CALL plugMain(FFUInt32 functionCode, FFWord inputValue,
                                                   FFWord instanceId);
