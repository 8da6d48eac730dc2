#include "host/loader/PackedInputs.h"

#include <cstdio>
#include <memory>

#include "effect/DescriptionFormat.h"
#include "host/files/OpenFile.h"

namespace host {

namespace df = description_format;

namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// The description packed at the end of the file, checked as the template
// checks it; false for any file that has none.
bool ReadDescription(const std::string& path, ::PluginDescription& description) {
  File file(OpenFile(path, "rb"), std::fclose);
  unsigned char footerBytes[df::kFooterSize];
  if (file == nullptr || std::fseek(file.get(), 0, SEEK_END) != 0) return false;
  const long size = std::ftell(file.get());
  if (size < static_cast<long>(sizeof footerBytes) ||
      std::fseek(file.get(), size - static_cast<long>(sizeof footerBytes), SEEK_SET) != 0 ||
      std::fread(footerBytes, 1, sizeof footerBytes, file.get()) != sizeof footerBytes) {
    return false;
  }
  df::Footer footer;
  std::string error;
  const unsigned long end = static_cast<unsigned long>(size) - sizeof footerBytes;
  if (!df::ReadFooter(footerBytes, footer, error) || footer.payloadSize > end) return false;
  std::vector<unsigned char> payload(footer.payloadSize);
  return std::fseek(file.get(), static_cast<long>(end - footer.payloadSize), SEEK_SET) == 0 &&
         std::fread(payload.data(), 1, payload.size(), file.get()) == payload.size() &&
         df::Crc32(payload.data(), payload.size()) == footer.checksum &&
         df::ReadPayload(payload.data(), payload.size(), description, error);
}

}  // namespace

std::vector<NamedInput> ReadPackedInputs(const std::string& path) {
  ::PluginDescription description;
  std::vector<NamedInput> inputs;
  if (!ReadDescription(path, description)) return inputs;
  const auto parameters = static_cast<FFUInt32>(description.parameters.size());
  for (const UniformDescription& u : description.uniforms) {
    NamedInput input;
    input.name = u.name;
    input.parameter = u.parameter;
    input.components = 1;
    switch (u.feed) {
      case UniformFeed::kParameters:
        input.components = u.components;
        for (int c = 0; c < 4; ++c) {
          input.minimum[c] = u.minimum[c];
          input.maximum[c] = u.maximum[c];
        }
        break;
      case UniformFeed::kParametersOfSize:
        input.kind = NamedInput::Kind::kFrameFraction;
        input.components = u.components;
        break;
      case UniformFeed::kValueStep:
        input.kind = NamedInput::Kind::kSteps;
        input.values = u.values;
        if (u.parameter < parameters) input.labels = description.parameters[u.parameter].labels;
        break;
      case UniformFeed::kBool:
      case UniformFeed::kEvent:
        input.kind = NamedInput::Kind::kSwitch;
        break;
      default:
        continue;  // fed by the plugin itself, not by a parameter
    }
    if (input.components < 1 || input.components > 4 || input.parameter >= parameters ||
        input.components > parameters - input.parameter) {
      continue;
    }
    inputs.push_back(std::move(input));
  }
  return inputs;
}

}  // namespace host
