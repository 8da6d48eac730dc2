#include "effect/PackedDescription.h"

#include <new>
#include <vector>

#include "effect/DescriptionFormat.h"
#include "platform/OwnLibraryFile.h"

namespace df = description_format;

namespace {

bool Load(const platform::OwnLibraryFile& file, PluginDescription& description,
          std::string& error) {
  if (!file.IsOpen()) {
    error = "its own library file cannot be read";
    return false;
  }
  unsigned char footerBytes[df::kFooterSize];
  df::Footer footer;
  if (file.Size() < sizeof footerBytes ||
      !file.Read(file.Size() - sizeof footerBytes, footerBytes, sizeof footerBytes)) {
    error = "no plugin description is packed into it";
    return false;
  }
  if (!df::ReadFooter(footerBytes, footer, error)) return false;
  const std::uint64_t end = file.Size() - sizeof footerBytes;
  if (footer.payloadSize > end) {
    error = "it is cut short (its description claims more bytes than the file holds)";
    return false;
  }
  std::vector<unsigned char> payload;
  try {
    payload.resize(footer.payloadSize);
  } catch (const std::bad_alloc&) {
    error = "there is no memory for its description";
    return false;
  }
  if (!file.Read(end - footer.payloadSize, payload.data(), payload.size())) {
    error = "its description cannot be read";
    return false;
  }
  if (df::Crc32(payload.data(), payload.size()) != footer.checksum) {
    error = "its description is damaged (checksum mismatch)";
    return false;
  }
  return df::ReadPayload(payload.data(), payload.size(), description, error);
}

}  // namespace

bool LoadPackedDescription(PluginDescription& description, std::string& error) {
  const platform::OwnLibraryFile file;
  if (Load(file, description, error)) return true;
  error = (file.Path().empty() ? std::string("this library") : file.Path()) + ": " + error;
  return false;
}
