// A whole file read once into memory, so that what is checked is what is
// decoded, and a pipe, a FIFO or /dev/stdin reads the same as a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace host {

// Reads `path` (UTF-8) to its end. False with a one-line reason when it
// cannot be opened or read, or holds more than `limit` bytes.
bool ReadFileBytes(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& bytes,
                   std::string& reason);

}  // namespace host
