// Reading the packed form of a plugin description. Every byte comes from a
// file someone else may have damaged: each read is bounded by what is left.
#include "effect/DescriptionFormat.h"

#include <array>
#include <cstring>

namespace description_format {
namespace {

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int bit = 0; bit < 8; ++bit) c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}
constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

std::uint32_t LittleEndianWord(const unsigned char* bytes) {
  return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
         std::uint32_t{bytes[3]} << 24;
}

class PayloadReader {
 public:
  PayloadReader(const unsigned char* data, std::size_t size, std::string& error)
      : data_(data), left_(size), error_(error) {}

  bool Word(std::uint32_t& value) {
    if (left_ < 4) return Fail("the payload ends early");
    value = LittleEndianWord(data_);
    Skip(4);
    return true;
  }
  bool Float(float& value) {
    std::uint32_t bits = 0;
    if (!Word(bits)) return false;
    std::memcpy(&value, &bits, sizeof value);
    return true;
  }
  bool Fixed(char* bytes, std::size_t size) {
    if (left_ < size) return Fail("the payload ends early");
    std::memcpy(bytes, data_, size);
    Skip(size);
    return true;
  }
  bool Text(std::string& text, std::uint32_t maximum, const char* what) {
    std::uint32_t length = 0;
    if (!Word(length)) return false;
    if (length > maximum || length > left_) return Fail(what);
    const auto* begin = reinterpret_cast<const char*>(data_);
    // The texts reach the host and the driver as C strings.
    if (std::memchr(begin, '\0', length) != nullptr) return Fail(what);
    text.assign(begin, length);
    Skip(length);
    return true;
  }
  bool Bytes(std::vector<unsigned char>& bytes, std::uint32_t size, const char* what) {
    if (size > left_) return Fail(what);
    bytes.assign(data_, data_ + size);
    Skip(size);
    return true;
  }
  bool Fail(const char* what) {
    if (error_.empty()) error_ = what;
    return false;
  }
  std::size_t Left() const { return left_; }

 private:
  void Skip(std::size_t count) {
    data_ += count;
    left_ -= count;
  }

  const unsigned char* data_;
  std::size_t left_;
  std::string& error_;
};

}  // namespace

std::uint32_t Crc32(const unsigned char* data, std::size_t size) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) crc = kCrcTable[(crc ^ data[i]) & 0xFFu] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

bool ReadFooter(const unsigned char (&bytes)[kFooterSize], Footer& footer, std::string& error) {
  if (std::memcmp(bytes, kMagic, sizeof kMagic) != 0) {
    error = "no plugin description is packed into it";
    return false;
  }
  footer.version = LittleEndianWord(bytes + 8);
  footer.payloadSize = LittleEndianWord(bytes + 12);
  footer.checksum = LittleEndianWord(bytes + 16);
  if (footer.version != kVersion) {
    error = "its description is in format version " + std::to_string(footer.version) +
            "; this template reads version " + std::to_string(kVersion);
    return false;
  }
  if (footer.payloadSize > kMaximumPayload) {
    error = "its description claims " + std::to_string(footer.payloadSize) + " bytes";
    return false;
  }
  return true;
}

bool ReadPayload(const unsigned char* data, std::size_t size, PluginDescription& description,
                 std::string& error) {
  std::string what;
  PayloadReader reader(data, size, what);
  if (!DescriptionFields(reader, description)) {
    error = "its description is malformed (" + what + ")";
    return false;
  }
  if (reader.Left() != 0) {
    error = "its description has " + std::to_string(reader.Left()) + " stray bytes at the end";
    return false;
  }
  return true;
}

}  // namespace description_format
