// Linux: the plugin's calls to the C library's and the C++ library's clocks
// go through its own relocation entries (GOT slots). Rewriting just those
// slots steers the plugin alone; no library from Debian does this for one
// loaded object, so the few lines are here. Slots in a RELRO segment are
// made writable for the write and read-only again after it.
#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#include <sys/mman.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <vector>

#include "host/loader/ClockSteering.h"
#include "host/loader/PluginLibrary.h"

namespace host {
namespace {

#if defined(__x86_64__)
constexpr std::uint32_t kJumpSlot = R_X86_64_JUMP_SLOT;
constexpr std::uint32_t kGlobalData = R_X86_64_GLOB_DAT;
constexpr bool kSupported = true;
#elif defined(__aarch64__)
constexpr std::uint32_t kJumpSlot = R_AARCH64_JUMP_SLOT;
constexpr std::uint32_t kGlobalData = R_AARCH64_GLOB_DAT;
constexpr bool kSupported = true;
#else
constexpr std::uint32_t kJumpSlot = 0;
constexpr std::uint32_t kGlobalData = 0;
constexpr bool kSupported = false;  // only 64-bit RELA objects are read
#endif

std::atomic<bool> attached{false};
std::atomic<std::int64_t> offsetNanoseconds{0};
std::int64_t monotonicBase = 0;  // real values at attachment, nanoseconds
std::int64_t realtimeBase = 0;

std::int64_t Nanoseconds(const timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}
std::int64_t Monotonic() { return monotonicBase + offsetNanoseconds.load(); }
std::int64_t Realtime() { return realtimeBase + offsetNanoseconds.load(); }
timespec Timespec(std::int64_t ns) {
  return timespec{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

int SteeredClockGettime(clockid_t clock, timespec* out) {
  switch (clock) {
    case CLOCK_MONOTONIC:
    case CLOCK_MONOTONIC_RAW:
    case CLOCK_MONOTONIC_COARSE:
    case CLOCK_BOOTTIME:
      if (out != nullptr) *out = Timespec(Monotonic());
      return 0;
    case CLOCK_REALTIME:
    case CLOCK_REALTIME_COARSE:
    case CLOCK_TAI:
      if (out != nullptr) *out = Timespec(Realtime());
      return 0;
    default: return clock_gettime(clock, out);  // CPU-time clocks stay real
  }
}

int SteeredGettimeofday(timeval* out, void*) {
  if (out != nullptr) {
    const std::int64_t ns = Realtime();
    out->tv_sec = static_cast<time_t>(ns / 1000000000);
    out->tv_usec = static_cast<suseconds_t>(ns % 1000000000 / 1000);
  }
  return 0;
}

time_t SteeredTime(time_t* out) {
  const auto seconds = static_cast<time_t>(Realtime() / 1000000000);
  if (out != nullptr) *out = seconds;
  return seconds;
}

std::chrono::steady_clock::time_point SteeredSteadyNow() noexcept {
  return std::chrono::steady_clock::time_point(std::chrono::nanoseconds(Monotonic()));
}

std::chrono::system_clock::time_point SteeredSystemNow() noexcept {
  return std::chrono::system_clock::time_point(
      std::chrono::duration_cast<std::chrono::system_clock::duration>(
          std::chrono::nanoseconds(Realtime())));
}

struct Replacement {
  const char* name;
  void* function;
};
const Replacement kReplacements[] = {
    {"clock_gettime", reinterpret_cast<void*>(&SteeredClockGettime)},
    {"gettimeofday", reinterpret_cast<void*>(&SteeredGettimeofday)},
    {"time", reinterpret_cast<void*>(&SteeredTime)},
    {"_ZNSt6chrono3_V212steady_clock3nowEv", reinterpret_cast<void*>(&SteeredSteadyNow)},
    {"_ZNSt6chrono3_V212system_clock3nowEv", reinterpret_cast<void*>(&SteeredSystemNow)},
};

struct Relro {
  ElfW(Addr) base;
  std::uintptr_t begin = 0;
  std::uintptr_t end = 0;
};

int FindRelro(dl_phdr_info* info, std::size_t, void* data) {
  auto* relro = static_cast<Relro*>(data);
  if (info->dlpi_addr != relro->base) return 0;
  for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[i];
    if (segment.p_type != PT_GNU_RELRO) continue;
    relro->begin = info->dlpi_addr + segment.p_vaddr;
    relro->end = relro->begin + segment.p_memsz;
  }
  return 1;
}

}  // namespace

struct ClockSteering::Patch {
  void** slot = nullptr;
  void* original = nullptr;
  void* replacement = nullptr;
  bool readOnly = false;
};

namespace {

// Writes one slot, lifting RELRO's protection for the write only.
bool WriteSlot(void** slot, void* value, bool readOnly) {
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  void* first = reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(slot) & ~(page - 1));
  if (readOnly && mprotect(first, page, PROT_READ | PROT_WRITE) != 0) return false;
  __atomic_store_n(slot, value, __ATOMIC_SEQ_CST);
  if (readOnly) mprotect(first, page, PROT_READ);
  return true;
}

}  // namespace

namespace {

// What the library's dynamic section says about its relocations.
struct DynamicTables {
  const ElfW(Rela)* tables[2] = {nullptr, nullptr};
  std::size_t sizes[2] = {0, 0};
  const ElfW(Sym)* symbols = nullptr;
  const char* strings = nullptr;
  bool rela = true;
};

DynamicTables ReadDynamicSection(const link_map& map) {
  const ElfW(Addr) base = map.l_addr;
  // glibc has usually relocated these addresses in place; some loaders leave
  // them as offsets.
  auto address = [base](ElfW(Addr) value) { return value < base ? value + base : value; };
  DynamicTables d;
  for (const ElfW(Dyn)* entry = map.l_ld; entry->d_tag != DT_NULL; ++entry) {
    const ElfW(Addr) pointer = address(entry->d_un.d_ptr);
    switch (entry->d_tag) {
      case DT_JMPREL: d.tables[0] = reinterpret_cast<const ElfW(Rela)*>(pointer); break;
      case DT_PLTRELSZ: d.sizes[0] = entry->d_un.d_val; break;
      case DT_PLTREL: d.rela = entry->d_un.d_val == DT_RELA; break;
      case DT_RELA: d.tables[1] = reinterpret_cast<const ElfW(Rela)*>(pointer); break;
      case DT_RELASZ: d.sizes[1] = entry->d_un.d_val; break;
      case DT_SYMTAB: d.symbols = reinterpret_cast<const ElfW(Sym)*>(pointer); break;
      case DT_STRTAB: d.strings = reinterpret_cast<const char*>(pointer); break;
      default: break;
    }
  }
  return d;
}

struct ClockSlot {
  void** slot;
  void* replacement;
  bool readOnly;
};

// Every relocated slot of the library that names a clock function this
// file replaces; `names` lists those functions, each once.
std::vector<ClockSlot> FindClockSlots(const link_map& map, std::string& names) {
  const DynamicTables d = ReadDynamicSection(map);
  if (!d.rela || d.symbols == nullptr || d.strings == nullptr) return {};
  const ElfW(Addr) base = map.l_addr;
  Relro relro{base};
  dl_iterate_phdr(FindRelro, &relro);
  std::vector<ClockSlot> found;
  std::vector<const char*> listed;
  for (int t = 0; t < 2; ++t) {
    if (d.tables[t] == nullptr) continue;
    for (std::size_t i = 0; i < d.sizes[t] / sizeof(ElfW(Rela)); ++i) {
      const ElfW(Rela)& relocation = d.tables[t][i];
      const auto type = static_cast<std::uint32_t>(ELF64_R_TYPE(relocation.r_info));
      if (type != kJumpSlot && type != kGlobalData) continue;
      const char* name = d.strings + d.symbols[ELF64_R_SYM(relocation.r_info)].st_name;
      for (const Replacement& replacement : kReplacements) {
        if (std::strcmp(name, replacement.name) != 0) continue;
        const std::uintptr_t slot = base + relocation.r_offset;
        found.push_back(ClockSlot{reinterpret_cast<void**>(slot), replacement.function,
                                  slot >= relro.begin && slot < relro.end});
        // Compared whole: "time" is part of "clock_gettime" too.
        if (std::find(listed.begin(), listed.end(), replacement.name) != listed.end()) continue;
        listed.push_back(replacement.name);
        names += (names.empty() ? "" : ", ") + std::string(replacement.name);
      }
    }
  }
  return found;
}

// The virtual clocks start where the real ones are now.
void StartVirtualClocks() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  monotonicBase = Nanoseconds(now);
  clock_gettime(CLOCK_REALTIME, &now);
  realtimeBase = Nanoseconds(now);
  offsetNanoseconds = 0;
}

}  // namespace

std::unique_ptr<ClockSteering> ClockSteering::Attach(const PluginLibrary& library) {
  link_map* map = nullptr;
  if (!kSupported || dlinfo(library.NativeHandle(), RTLD_DI_LINKMAP, &map) != 0 ||
      map == nullptr || attached.exchange(true)) {
    return nullptr;
  }
  std::string names;
  const std::vector<ClockSlot> found = FindClockSlots(*map, names);
  if (found.empty()) {
    attached = false;
    return nullptr;
  }
  StartVirtualClocks();
  std::unique_ptr<ClockSteering> steering(new ClockSteering);
  steering->patches_.reset(new Patch[found.size()]);
  for (const ClockSlot& wanted : found) {
    Patch& patch = steering->patches_[steering->patchCount_];
    patch = Patch{wanted.slot, *wanted.slot, wanted.replacement, wanted.readOnly};
    // On failure the destructor puts back what was written.
    if (!WriteSlot(patch.slot, patch.replacement, patch.readOnly)) return nullptr;
    ++steering->patchCount_;
  }
  steering->redirected_ = names;
  return steering;
}

ClockSteering::~ClockSteering() {
  for (int i = patchCount_ - 1; i >= 0; --i) {
    WriteSlot(patches_[i].slot, patches_[i].original, patches_[i].readOnly);
  }
  attached = false;
}

void ClockSteering::SetSeconds(double seconds) {
  offsetNanoseconds = static_cast<std::int64_t>(std::llround(seconds * 1e9));
}

}  // namespace host
