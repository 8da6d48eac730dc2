#include "tools/pack/DescriptionWriter.h"

#include <cstring>

#include "effect/DescriptionFormat.h"

namespace df = description_format;

namespace {

class PayloadWriter {
 public:
  PayloadWriter(std::vector<unsigned char>& out, std::string& error) : out_(out), error_(error) {}

  bool Word(std::uint32_t& value) {
    for (int shift = 0; shift < 32; shift += 8) {
      out_.push_back(static_cast<unsigned char>(value >> shift));
    }
    return true;
  }
  bool Float(float& value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return Word(bits);
  }
  bool Fixed(const char* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) out_.push_back(static_cast<unsigned char>(bytes[i]));
    return true;
  }
  bool Text(std::string& text, std::uint32_t maximum, const char* what) {
    if (text.size() > maximum || text.find('\0') != std::string::npos) return Fail(what);
    auto length = static_cast<std::uint32_t>(text.size());
    Word(length);
    return Fixed(text.data(), text.size());
  }
  bool Bytes(std::vector<unsigned char>& bytes, std::uint32_t size, const char* what) {
    if (bytes.size() != size) return Fail(what);
    out_.insert(out_.end(), bytes.begin(), bytes.end());
    return true;
  }
  bool Fail(const char* what) {
    if (error_.empty()) error_ = std::string("the ") + what + " is out of bounds";
    return false;
  }

 private:
  std::vector<unsigned char>& out_;
  std::string& error_;
};

}  // namespace

bool PackDescription(const PluginDescription& description, std::vector<unsigned char>& packed,
                     std::string& error) {
  PluginDescription fields = description;
  std::vector<unsigned char> payload;
  PayloadWriter writer(payload, error);
  if (!df::DescriptionFields(writer, fields)) return false;
  if (payload.size() > df::kMaximumPayload) {
    error = "the description is larger than a plugin may carry";
    return false;
  }
  std::uint32_t footer[3] = {df::kVersion, static_cast<std::uint32_t>(payload.size()),
                             df::Crc32(payload.data(), payload.size())};
  packed = std::move(payload);
  PayloadWriter tail(packed, error);
  tail.Fixed(df::kMagic, sizeof df::kMagic);
  for (std::uint32_t& word : footer) tail.Word(word);
  return true;
}
