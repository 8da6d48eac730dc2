// Windows: the plugin DLL calls the system's clocks through its own import
// address table. Rewriting just those entries steers the plugin alone; the
// table is found through the PE import directory, made writable with
// VirtualProtect for each write and protected as before afterwards.
#include <windows.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "host/loader/ClockSteering.h"
#include "host/loader/PluginLibrary.h"

namespace host {
namespace {

std::atomic<bool> attached{false};
std::atomic<std::int64_t> offsetNanoseconds{0};
LARGE_INTEGER counterBase{};
LARGE_INTEGER counterFrequency{};
ULONGLONG tickBase = 0;

std::int64_t OffsetTicks(std::int64_t perSecond) {
  const std::int64_t ns = offsetNanoseconds.load();
  return ns / 1000000000 * perSecond + ns % 1000000000 * perSecond / 1000000000;
}

BOOL WINAPI SteeredQueryPerformanceCounter(LARGE_INTEGER* out) {
  if (out == nullptr) return FALSE;
  out->QuadPart = counterBase.QuadPart + OffsetTicks(counterFrequency.QuadPart);
  return TRUE;
}
DWORD WINAPI SteeredTimeGetTime() { return static_cast<DWORD>(tickBase + OffsetTicks(1000)); }
DWORD WINAPI SteeredGetTickCount() { return static_cast<DWORD>(tickBase + OffsetTicks(1000)); }
ULONGLONG WINAPI SteeredGetTickCount64() { return tickBase + OffsetTicks(1000); }

struct Replacement {
  const char* name;
  void* function;
};
const Replacement kReplacements[] = {
    {"QueryPerformanceCounter", reinterpret_cast<void*>(&SteeredQueryPerformanceCounter)},
    {"timeGetTime", reinterpret_cast<void*>(&SteeredTimeGetTime)},
    {"GetTickCount", reinterpret_cast<void*>(&SteeredGetTickCount)},
    {"GetTickCount64", reinterpret_cast<void*>(&SteeredGetTickCount64)},
};

bool WriteEntry(void** entry, void* value) {
  DWORD previous = 0;
  if (!VirtualProtect(entry, sizeof(void*), PAGE_READWRITE, &previous)) return false;
  *entry = value;
  VirtualProtect(entry, sizeof(void*), previous, &previous);
  FlushInstructionCache(GetCurrentProcess(), entry, sizeof(void*));
  return true;
}

}  // namespace

struct ClockSteering::Patch {
  void** slot = nullptr;
  void* original = nullptr;
  void* replacement = nullptr;
};

std::unique_ptr<ClockSteering> ClockSteering::Attach(const PluginLibrary& library) {
  auto* image = static_cast<unsigned char*>(library.NativeHandle());
  if (image == nullptr || attached.exchange(true)) return nullptr;
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  std::vector<Patch> found;
  std::string names;
  if (directory.VirtualAddress != 0) {
    for (auto* module = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(
             image + directory.VirtualAddress);
         module->Name != 0; ++module) {
      // Names come from the lookup table; the address table beside it may
      // already hold addresses only.
      const DWORD lookup =
          module->OriginalFirstThunk != 0 ? module->OriginalFirstThunk : module->FirstThunk;
      auto* lookupEntry = reinterpret_cast<const IMAGE_THUNK_DATA*>(image + lookup);
      auto* addresses = reinterpret_cast<IMAGE_THUNK_DATA*>(image + module->FirstThunk);
      for (; lookupEntry->u1.AddressOfData != 0; ++lookupEntry, ++addresses) {
        if (IMAGE_SNAP_BY_ORDINAL(lookupEntry->u1.Ordinal)) continue;
        const auto* byName =
            reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(image + lookupEntry->u1.AddressOfData);
        const char* name = reinterpret_cast<const char*>(byName->Name);
        for (const Replacement& replacement : kReplacements) {
          if (std::strcmp(name, replacement.name) != 0) continue;
          found.push_back(Patch{reinterpret_cast<void**>(&addresses->u1.Function), nullptr,
                                replacement.function});
          names += (names.empty() ? "" : ", ") + std::string(name);
        }
      }
    }
  }
  if (found.empty()) {
    attached = false;
    return nullptr;
  }
  QueryPerformanceFrequency(&counterFrequency);
  QueryPerformanceCounter(&counterBase);
  tickBase = GetTickCount64();
  offsetNanoseconds = 0;

  std::unique_ptr<ClockSteering> steering(new ClockSteering);
  steering->patches_.reset(new Patch[found.size()]);
  for (const Patch& wanted : found) {
    Patch& patch = steering->patches_[steering->patchCount_];
    patch = wanted;
    patch.original = *wanted.slot;
    // On failure the destructor puts back what was written.
    if (!WriteEntry(patch.slot, patch.replacement)) return nullptr;
    ++steering->patchCount_;
  }
  steering->redirected_ = names;
  return steering;
}

ClockSteering::~ClockSteering() {
  for (int i = patchCount_ - 1; i >= 0; --i) WriteEntry(patches_[i].slot, patches_[i].original);
  attached = false;
}

void ClockSteering::SetSeconds(double seconds) {
  offsetNanoseconds = static_cast<std::int64_t>(std::llround(seconds * 1e9));
}

}  // namespace host
