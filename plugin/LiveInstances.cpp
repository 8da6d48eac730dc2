#include "plugin/LiveInstances.h"

#include <atomic>
#include <new>

#include "plugin/FreeFrameGLPlugin.h"

namespace live_instances {
namespace {

using Slot = std::atomic<CFreeFrameGLPlugin*>;

// The slots sit in chunks that are only ever added, never moved or freed
// while the library is loaded: chunk k holds kFirstChunkSlots << k slots.
// Hosts keep a handful of instances, so the first chunk is all most use.
constexpr FFUInt32 kFirstChunkSlots = 16;
constexpr int kChunks = 24;  // room for 16 * (2^24 - 1) instances
std::atomic<Slot*> chunks[kChunks] = {};

// One past the highest slot ever filled: lookups scan no further. It never
// shrinks, as a later slot may be refilled while an earlier one empties.
std::atomic<FFUInt32> slotsUsed{0};

constexpr FFUInt32 ChunkSlots(int chunk) { return kFirstChunkSlots << chunk; }

// The chunk, made and published by whichever thread asks first; null only
// when it cannot be allocated.
Slot* ChunkAt(int chunk) {
  Slot* existing = chunks[chunk].load(std::memory_order_acquire);
  if (existing != nullptr) return existing;
  Slot* made = new (std::nothrow) Slot[ChunkSlots(chunk)]();
  if (made == nullptr) return nullptr;
  if (chunks[chunk].compare_exchange_strong(existing, made, std::memory_order_acq_rel)) {
    return made;
  }
  delete[] made;  // another thread published this chunk first
  return existing;
}

void RaiseSlotsUsed(FFUInt32 atLeast) {
  FFUInt32 used = slotsUsed.load(std::memory_order_relaxed);
  while (used < atLeast &&
         !slotsUsed.compare_exchange_weak(used, atLeast, std::memory_order_release,
                                          std::memory_order_relaxed)) {
  }
}

// The slot holding this identifier among the used ones, or null. Empty
// slots hold null, which is never an identifier.
Slot* FindSlot(FFWord identifier) {
  if (identifier == 0) return nullptr;
  FFUInt32 remaining = slotsUsed.load(std::memory_order_acquire);
  for (int chunk = 0; chunk < kChunks && remaining > 0; ++chunk) {
    Slot* slots = chunks[chunk].load(std::memory_order_acquire);
    if (slots == nullptr) break;
    const FFUInt32 scan = remaining < ChunkSlots(chunk) ? remaining : ChunkSlots(chunk);
    for (FFUInt32 i = 0; i < scan; ++i) {
      if (reinterpret_cast<FFWord>(slots[i].load(std::memory_order_acquire)) == identifier) {
        return &slots[i];
      }
    }
    remaining -= scan;
  }
  return nullptr;
}

// The chunks go with the library: a host that rescans its plugins would
// otherwise lose them on every unload. Instances still live then belong to
// the host, which can no longer call them.
struct ReleaseAtUnload {
  ~ReleaseAtUnload() {
    for (std::atomic<Slot*>& chunk : chunks) delete[] chunk.exchange(nullptr);
    slotsUsed.store(0);
  }
} releaseAtUnload;

}  // namespace

bool Add(CFreeFrameGLPlugin* instance) {
  FFUInt32 index = 0;
  for (int chunk = 0; chunk < kChunks; ++chunk) {
    Slot* slots = ChunkAt(chunk);
    if (slots == nullptr) return false;
    for (FFUInt32 i = 0; i < ChunkSlots(chunk); ++i, ++index) {
      CFreeFrameGLPlugin* empty = nullptr;
      if (slots[i].load(std::memory_order_relaxed) == nullptr &&
          slots[i].compare_exchange_strong(empty, instance, std::memory_order_release,
                                           std::memory_order_relaxed)) {
        RaiseSlotsUsed(index + 1);
        return true;
      }
    }
  }
  return false;
}

void Remove(CFreeFrameGLPlugin* instance) {
  Slot* slot = FindSlot(reinterpret_cast<FFWord>(instance));
  if (slot != nullptr) slot->store(nullptr, std::memory_order_release);
}

CFreeFrameGLPlugin* Find(FFWord identifier) {
  // The slot held exactly this address when it was read.
  return FindSlot(identifier) != nullptr ? reinterpret_cast<CFreeFrameGLPlugin*>(identifier)
                                         : nullptr;
}

}  // namespace live_instances
