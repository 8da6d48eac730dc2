// Making and destroying the instances a host draws with.
#pragma once

#include "plugin/FreeFrame.h"

class CFreeFrameGLPlugin;

// FF_INSTANTIATEGL: a new instance with every registered default applied
// through its own setters and its GL set up in the current context, listed
// as live. Its identifier, or FF_FAIL with nothing left behind.
FFWord InstantiateGL(const FFGLViewportStruct* viewport);

// FF_DEINSTANTIATEGL: releases the instance's GL objects in the current
// context, takes it off the live list and destroys it.
FFWord DeinstantiateGL(CFreeFrameGLPlugin& instance);
