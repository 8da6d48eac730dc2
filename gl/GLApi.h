// The OpenGL declarations the plugin compiles against: the platform's
// OpenGL 1.1 header plus the Khronos extension header for the entry-point
// types of the groups that are looked up at run time.
#pragma once

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

#include <GL/gl.h>
#include <GL/glext.h>

#ifndef APIENTRYP
#define APIENTRYP APIENTRY*
#endif

// WGL_EXT_swap_control, declared here so every platform has the types
// (BOOL is a 32-bit int).
typedef int(APIENTRYP PFNHELIXWGLSWAPINTERVALEXTPROC)(int interval);
typedef int(APIENTRYP PFNHELIXWGLGETSWAPINTERVALEXTPROC)(void);
