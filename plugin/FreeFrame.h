// FreeFrame GL 1.x binary interface: the records a host exchanges with a
// plugin through plugMain, the function codes and the result words.
//
// On 32-bit Windows every word is 32 bits and plugMain is __stdcall, exactly
// as hosts expect. On 64-bit targets an address does not fit in 32 bits, so
// the argument and result words are pointer-sized (FFWord); record fields
// that carry an address are pointer-sized too, every other field stays 32
// bits. The same declarations give both layouts.
#pragma once

#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64) && !defined(HELIX_WRONG_CALLING_CONVENTION)
#define FF_CALL __stdcall
#else
// (HELIX_WRONG_CALLING_CONVENTION builds a deliberately broken __cdecl
// plugMain, the negative control of the 32-bit stack-balance check.)
#define FF_CALL
#endif

using FFUInt32 = std::uint32_t;
// One argument or result word of plugMain: 32 bits on 32-bit targets,
// pointer-sized elsewhere.
using FFWord = std::uintptr_t;

// Result words.
constexpr FFUInt32 FF_SUCCESS = 0;
constexpr FFUInt32 FF_FAIL = 0xFFFFFFFFu;

// Function codes.
enum : FFUInt32 {
  FF_GETINFO = 0,
  FF_INITIALISE = 1,
  FF_DEINITIALISE = 2,
  FF_PROCESSFRAME = 3,
  FF_GETNUMPARAMETERS = 4,
  FF_GETPARAMETERNAME = 5,
  FF_GETPARAMETERDEFAULT = 6,
  FF_GETPARAMETERDISPLAY = 7,
  FF_SETPARAMETER = 8,
  FF_GETPARAMETER = 9,
  FF_GETPLUGINCAPS = 10,
  FF_INSTANTIATE = 11,
  FF_DEINSTANTIATE = 12,
  FF_GETEXTENDEDINFO = 13,
  FF_PROCESSFRAMECOPY = 14,
  FF_GETPARAMETERTYPE = 15,
  FF_GETINPUTSTATUS = 16,
  FF_PROCESSOPENGL = 17,
  FF_INSTANTIATEGL = 18,
  FF_DEINSTANTIATEGL = 19,
  FF_SETTIME = 20,
};

// Capability codes for FF_GETPLUGINCAPS.
enum : FFUInt32 {
  FF_CAP_PROCESSOPENGL = 4,
  FF_CAP_SETTIME = 5,
  FF_CAP_MINIMUMINPUTFRAMES = 10,
  FF_CAP_MAXIMUMINPUTFRAMES = 11,
};

// Plugin types and parameter types.
constexpr FFUInt32 FF_EFFECT = 0;
constexpr FFUInt32 FF_SOURCE = 1;
constexpr FFUInt32 FF_TYPE_BOOLEAN = 0;
constexpr FFUInt32 FF_TYPE_STANDARD = 10;
constexpr FFUInt32 FF_TYPE_TEXT = 100;

struct PluginInfoStruct {
  FFUInt32 APIMajorVersion;
  FFUInt32 APIMinorVersion;
  char PluginUniqueID[4];  // fixed width, no terminator
  char PluginName[16];     // fixed width, no terminator when full
  FFUInt32 PluginType;
};

struct PluginExtendedInfoStruct {
  FFUInt32 PluginMajorVersion;
  FFUInt32 PluginMinorVersion;
  const char* Description;
  const char* About;
  FFUInt32 FreeFrameExtendedDataSize;
  void* FreeFrameExtendedDataBlock;
};

struct SetParameterStruct {
  FFUInt32 ParameterNumber;
  // A text address, or a float's 32 bits in the low half of the word.
  FFWord NewParameterValue;
};

struct FFGLViewportStruct {
  FFUInt32 x;
  FFUInt32 y;
  FFUInt32 width;
  FFUInt32 height;
};

struct FFGLTextureStruct {
  FFUInt32 Width;           // picture size in pixels
  FFUInt32 Height;
  FFUInt32 HardwareWidth;   // allocated size of the host's texture
  FFUInt32 HardwareHeight;
  FFUInt32 Handle;          // GL_TEXTURE_2D name, 0 = none
};

struct ProcessOpenGLStruct {
  FFUInt32 numInputTextures;
  FFGLTextureStruct** inputTextures;  // entries may be null
  FFUInt32 HostFBO;                   // 0 = the default framebuffer
};

static_assert(sizeof(PluginInfoStruct) == 32, "PluginInfoStruct is 32 bytes");
static_assert(sizeof(FFGLViewportStruct) == 16, "FFGLViewportStruct is 16 bytes");
static_assert(sizeof(FFGLTextureStruct) == 20, "FFGLTextureStruct is 20 bytes");
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(PluginExtendedInfoStruct) == 24, "32-bit layout");
static_assert(sizeof(SetParameterStruct) == 8, "32-bit layout");
static_assert(sizeof(ProcessOpenGLStruct) == 12, "32-bit layout");
#endif

// The one export.
using FFPlugMainFunc = FFWord(FF_CALL*)(FFUInt32 functionCode, FFWord inputValue,
                                        FFWord instanceId);

// Float <-> result-word conversion: the float's bits in the low 32 bits.
inline FFWord FFWordFromFloat(float value) {
  FFUInt32 bits;
  static_assert(sizeof bits == sizeof value, "float is 32 bits");
  __builtin_memcpy(&bits, &value, sizeof bits);
  return bits;
}
inline float FFFloatFromWord(FFWord word) {
  FFUInt32 bits = static_cast<FFUInt32>(word);
  float value;
  __builtin_memcpy(&value, &bits, sizeof value);
  return value;
}
