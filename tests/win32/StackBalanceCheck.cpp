// What a 32-bit Windows host relies on when it calls plugMain, checked on
// the running DLL:
//  - plugMain is __stdcall: ESP after each call is what it was before the
//    arguments were pushed, and EBX, ESI, EDI survive;
//  - every function code works when ESP is aligned to 4 bytes only (Windows
//    promises no more, and the DLL uses SSE2), at each of the four offsets;
//  - no call changes the x87 control word or MXCSR's control bits;
//  - the DLL loads, instantiates, deinstantiates and unloads hundreds of
//    times with the process's private bytes flat.
//
// Usage: stack-balance-check PLUGIN.dll [CYCLES]
// Exit status 0 when everything holds, 1 otherwise.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "host/gl/GLContext.h"
#include "host/gl/HostFramebuffer.h"
#include "host/gl/HostGL.h"
#include "host/loader/PluginLibrary.h"
#include "plugin/FreeFrame.h"

static_assert(sizeof(void*) == 4, "the stack-balance check is for 32-bit Windows only");

namespace {

struct CallRecord {
  std::int32_t espChange;      // ESP after the call minus ESP before the pushes
  std::uint32_t entryEsp;      // ESP at plugMain's first instruction
  std::uint32_t savedIntact;   // 1 when EBX, ESI and EDI survived
};

}  // namespace

// CallPlugMain(function, code, input, instance, entryOffset, record): calls
// the plugMain at `function` the way a 32-bit host does (three pushes and a
// call), with ESP % 16 == entryOffset at its first instruction, and records
// what the call did to the stack and the callee-saved registers. Survives a
// callee that pops the wrong number of bytes.
extern "C" FFWord CallPlugMain(const void* function, FFUInt32 code, FFWord input, FFWord instance,
                               std::uint32_t entryOffset, CallRecord* record);
asm(R"(
  .text
  .globl _CallPlugMain
_CallPlugMain:
  pushl %ebp
  movl %esp, %ebp
  pushl %ebx
  pushl %esi
  pushl %edi
  movl %esp, %eax
  andl $-16, %eax
  movl 24(%ebp), %ecx
  andl $12, %ecx
  leal -16(%eax,%ecx), %esp
  movl %esp, %esi
  movl $0x5eb05eb0, %ebx
  movl $0x5ed15ed1, %edi
  pushl 20(%ebp)
  pushl 16(%ebp)
  pushl 12(%ebp)
  call *8(%ebp)
  movl 28(%ebp), %ecx
  movl %esp, %edx
  subl %esi, %edx
  movl %edx, 0(%ecx)
  leal -16(%esi), %edx
  movl %edx, 4(%ecx)
  xorl %edx, %edx
  cmpl $0x5eb05eb0, %ebx
  jne 1f
  cmpl $0x5ed15ed1, %edi
  jne 1f
  movl $1, %edx
1:
  movl %edx, 8(%ecx)
  leal -12(%ebp), %esp
  popl %edi
  popl %esi
  popl %ebx
  popl %ebp
  ret
)");

namespace {

std::uint16_t X87ControlWord() {
  std::uint16_t word;
  asm volatile("fnstcw %0" : "=m"(word));
  return word;
}

// MXCSR without its sticky exception flags, which any arithmetic may set.
std::uint32_t MxcsrControl() {
  std::uint32_t word;
  asm volatile("stmxcsr %0" : "=m"(word));
  return word & ~0x3Fu;
}

// Committed private memory of the process, region by region (Wine leaves
// the private-usage counter of GetProcessMemoryInfo at 0).
std::size_t PrivateBytes() {
  std::size_t total = 0;
  MEMORY_BASIC_INFORMATION region;
  for (std::uintptr_t address = 0;
       VirtualQuery(reinterpret_cast<const void*>(address), &region, sizeof region) ==
       sizeof region;
       address = reinterpret_cast<std::uintptr_t>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
    if (region.RegionSize == 0) break;
  }
  return total;
}

// Calls plugMain through the measuring thunk and reports every broken
// promise; counts calls and failures.
class Caller {
 public:
  FFWord Call(FFPlugMainFunc plugMain, std::uint32_t entryOffset, FFUInt32 code, FFWord input = 0,
              FFWord instance = 0) {
    std::fflush(stdout);  // what was printed survives a crash inside the call
    CallRecord record{};
    const std::uint16_t x87Before = X87ControlWord();
    const std::uint32_t mxcsrBefore = MxcsrControl();
    const FFWord result = CallPlugMain(reinterpret_cast<const void*>(plugMain), code, input,
                                       instance, entryOffset, &record);
    const std::uint16_t x87After = X87ControlWord();
    const std::uint32_t mxcsrAfter = MxcsrControl();
    ++calls_;
    const std::string where = std::string(host::FunctionCodeName(code)) + " (input " + std::to_string(input) +
                              ", entered with ESP % 16 == " +
                              std::to_string(record.entryEsp % 16) + ")";
    if (record.espChange != 0) {
      Fail(where + " left the stack unbalanced: ESP moved by " +
           std::to_string(record.espChange) + " bytes (a __stdcall plugMain pops its 12)");
    }
    if (record.savedIntact != 1) Fail(where + " changed EBX, ESI or EDI");
    if (x87After != x87Before) {
      Fail(where + " changed the x87 control word from " + Hex(x87Before) + " to " +
           Hex(x87After));
    }
    if (mxcsrAfter != mxcsrBefore) {
      Fail(where + " changed MXCSR from " + Hex(mxcsrBefore) + " to " + Hex(mxcsrAfter));
    }
    return result;
  }
  void Fail(const std::string& what) {
    if (++failures_ <= 20) std::printf("FAIL: %s\n", what.c_str());
  }
  int Calls() const { return calls_; }
  int Failures() const { return failures_; }

 private:
  static std::string Hex(std::uint32_t word) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(word));
    return text;
  }
  int calls_ = 0;
  int failures_ = 0;
};

constexpr int kSide = 64;

// Every function code of the host interface, in a host's order, entered
// at the given stack offset. The answers are checked only as far as the
// calls that follow need them.
void EveryCode(FFPlugMainFunc plugMain, std::uint32_t offset, const host::HostFramebuffer& target,
               Caller& caller) {
  caller.Call(plugMain, offset, FF_GETINFO);
  if (caller.Call(plugMain, offset, FF_INITIALISE) != FF_SUCCESS) {
    caller.Fail("FF_INITIALISE failed");
    return;
  }
  caller.Call(plugMain, offset, FF_GETEXTENDEDINFO);
  const FFUInt32 caps[] = {FF_CAP_PROCESSOPENGL, FF_CAP_SETTIME, FF_CAP_MINIMUMINPUTFRAMES,
                           FF_CAP_MAXIMUMINPUTFRAMES};
  for (FFUInt32 cap : caps) caller.Call(plugMain, offset, FF_GETPLUGINCAPS, cap);
  const FFWord count = caller.Call(plugMain, offset, FF_GETNUMPARAMETERS);
  std::vector<FFWord> types;
  for (FFUInt32 index = 0; index < count && index < 64; ++index) {
    caller.Call(plugMain, offset, FF_GETPARAMETERNAME, index);
    caller.Call(plugMain, offset, FF_GETPARAMETERDEFAULT, index);
    types.push_back(caller.Call(plugMain, offset, FF_GETPARAMETERTYPE, index));
  }
  // The codes of CPU-memory plugins, which this one answers with a failure.
  for (FFUInt32 code : {FF_PROCESSFRAME, FF_INSTANTIATE, FF_DEINSTANTIATE, FF_PROCESSFRAMECOPY}) {
    caller.Call(plugMain, offset, code);
  }

  const FFGLViewportStruct viewport{0, 0, kSide, kSide};
  const FFWord id =
      caller.Call(plugMain, offset, FF_INSTANTIATEGL, reinterpret_cast<FFWord>(&viewport));
  if (id == FF_FAIL || id == 0) {
    caller.Fail("FF_INSTANTIATEGL failed");
  } else {
    static const char kText[] = "stack";
    for (FFUInt32 index = 0; index < types.size(); ++index) {
      SetParameterStruct set{index, types[index] == FF_TYPE_TEXT
                                        ? reinterpret_cast<FFWord>(kText)
                                        : FFWordFromFloat(index == 0 ? 0.0f : 0.5f)};
      caller.Call(plugMain, offset, FF_SETPARAMETER, reinterpret_cast<FFWord>(&set), id);
      caller.Call(plugMain, offset, FF_GETPARAMETER, index, id);
      caller.Call(plugMain, offset, FF_GETPARAMETERDISPLAY, index, id);
    }
    caller.Call(plugMain, offset, FF_GETINPUTSTATUS, 0, id);
    const double time = 1.5 + offset;
    caller.Call(plugMain, offset, FF_SETTIME, reinterpret_cast<FFWord>(&time), id);
    target.Bind();
    ProcessOpenGLStruct frame{0, nullptr, target.Framebuffer()};
    if (caller.Call(plugMain, offset, FF_PROCESSOPENGL, reinterpret_cast<FFWord>(&frame), id) !=
        FF_SUCCESS) {
      caller.Fail("FF_PROCESSOPENGL failed");
    }
    if (caller.Call(plugMain, offset, FF_DEINSTANTIATEGL, 0, id) != FF_SUCCESS) {
      caller.Fail("FF_DEINSTANTIATEGL failed");
    }
  }
  caller.Call(plugMain, offset, FF_DEINITIALISE);
}

// Loads, initialises, instantiates, deinstantiates and unloads the DLL
// `cycles` times; the private bytes after the last cycle may exceed those
// after the first quarter by no more than a page or so per 4 cycles.
void LoadCycles(const char* path, int cycles, Caller& caller) {
  const FFGLViewportStruct viewport{0, 0, kSide, kSide};
  const int warmUp = cycles / 4;
  std::size_t settled = 0;
  for (int cycle = 0; cycle < cycles; ++cycle) {
    if (cycle == warmUp) settled = PrivateBytes();
    std::string error;
    auto plugin = host::PluginLibrary::Load(path, error);
    if (plugin == nullptr) {
      caller.Fail("load " + std::to_string(cycle) + ": " + error);
      return;
    }
    FFPlugMainFunc plugMain = plugin->PlugMain();
    const std::uint32_t offset = 4 * static_cast<std::uint32_t>(cycle % 4);
    caller.Call(plugMain, offset, FF_INITIALISE);
    const FFWord id =
        caller.Call(plugMain, offset, FF_INSTANTIATEGL, reinterpret_cast<FFWord>(&viewport));
    if (id == FF_FAIL || id == 0 ||
        caller.Call(plugMain, offset, FF_DEINSTANTIATEGL, 0, id) != FF_SUCCESS) {
      caller.Fail("cycle " + std::to_string(cycle) + ": no instance made and destroyed");
      return;
    }
    caller.Call(plugMain, offset, FF_DEINITIALISE);
  }
  const std::size_t last = PrivateBytes();
  if (settled == 0) caller.Fail("the private bytes cannot be measured");
  const long long growth = static_cast<long long>(last) - static_cast<long long>(settled);
  const long long allowed = 4096LL * (cycles - warmUp) / 4 + 64 * 1024;
  std::printf("%d load/instantiate/deinstantiate/unload cycles: private bytes %zu after %d, "
              "%zu after %d (%+lld)\n",
              cycles, settled, warmUp, last, cycles, growth);
  if (growth > allowed) {
    caller.Fail("private bytes grew by " + std::to_string(growth) + " over " +
                std::to_string(cycles - warmUp) + " load cycles (more than " +
                std::to_string(allowed) + ")");
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s PLUGIN.dll [CYCLES]\n", argv[0]);
    return 2;
  }
  const int cycles = argc == 3 ? std::atoi(argv[2]) : 300;
  std::string error;
  auto context = host::GLContext::Create(error);
  host::HostGL gl;
  if (context == nullptr || !gl.Load(*context, error)) {
    std::printf("FAIL: %s\n", error.c_str());
    return 1;
  }
  host::HostFramebuffer target(gl, kSide, kSide);
  if (!target.IsComplete()) {
    std::printf("FAIL: the host framebuffer is incomplete\n");
    return 1;
  }
  std::printf("OpenGL: %s\n", context->Description().c_str());
  std::printf("x87 control word 0x%x, MXCSR control 0x%x\n", X87ControlWord(), MxcsrControl());

  Caller caller;
  {
    auto plugin = host::PluginLibrary::Load(argv[1], error);
    if (plugin == nullptr) {
      std::printf("FAIL: %s\n", error.c_str());
      return 1;
    }
    for (std::uint32_t offset : {12u, 0u, 4u, 8u}) {
      EveryCode(plugin->PlugMain(), offset, target, caller);
    }
    std::printf("%d calls of every function code at ESP %% 16 == 12, 0, 4 and 8 on entry: "
                "%d failures\n",
                caller.Calls(), caller.Failures());
  }
  // A plugMain that unbalances the stack makes every further call suspect.
  if (caller.Failures() == 0) LoadCycles(argv[1], cycles, caller);

  if (caller.Failures() > 0) {
    std::printf("FAILED: %d of %d calls broke what a 32-bit host relies on\n",
                caller.Failures(), caller.Calls());
    return 1;
  }
  std::printf("passed: %d calls balanced the stack, kept EBX/ESI/EDI, the x87 control word "
              "and MXCSR\n",
              caller.Calls());
  return 0;
}
