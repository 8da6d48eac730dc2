// Reading what a plugin points at without trusting it: a record or text
// address it returns may be null, a failure word, unmapped, or a text
// without an end. Every read here copies through the operating system
// (PluginMemory_posix.cpp, PluginMemory_win32.cpp), which refuses an
// unreadable address instead of faulting.
#pragma once

#include <cstddef>
#include <string>

#include "plugin/FreeFrame.h"

namespace host {

// Copies `size` bytes from `address`; false when any of them cannot be read.
bool CopyPluginMemory(const void* address, void* destination, std::size_t size);

// The NUL-terminated text at `address`, at most `limit` bytes of it (a text
// longer than that is cut there). False when the address is null or its
// bytes cannot be read before the NUL or the limit.
bool CopyPluginText(const void* address, std::size_t limit, std::string& text);

// The record a plugMain result word points at; false for null, FF_FAIL or
// an address that cannot be read.
template <typename Record>
bool CopyPluginRecord(FFWord word, Record& record) {
  if (word == 0 || static_cast<FFUInt32>(word) == FF_FAIL) return false;
  return CopyPluginMemory(reinterpret_cast<const void*>(word), &record, sizeof record);
}

}  // namespace host
