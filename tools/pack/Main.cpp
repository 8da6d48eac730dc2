// ffgl-pack: turns fragment shaders into FreeFrame GL plugins for every
// target without a compiler, by appending each shader's description to a
// copy of the target's template library.
#include <cstdio>
#include <filesystem>

#include "tools/pack/FolderPacking.h"
#include "tools/pack/Packer.h"
#include "tools/pack/System.h"
#include "tools/pack/Utf8Path.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int PackOne(const PackOptions& options) {
  const PackResult result = PackShader(options.input, options);
  for (const std::string& message : result.messages) std::fprintf(stderr, "%s\n", message.c_str());
  if (!result.ok) {
    std::fprintf(stderr, "ffgl-pack: %s does not become a plugin; nothing more was written\n",
                 options.input.c_str());
    return kExitFailure;
  }
  if (!options.quiet) {
    std::printf("%s: \"%s\", ID %s, %s\n", options.input.c_str(), result.name.c_str(),
                result.id.c_str(), result.type.c_str());
    for (const std::string& file : result.written) std::printf("  wrote %s\n", file.c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments = Utf8Arguments(argc, argv);
  PackOptions options;
  std::string action;
  std::string error;
  if (!ParsePackOptions(arguments, options, action, error)) {
    std::fprintf(stderr, "ffgl-pack: %s\n%s", error.c_str(), kPackUsage);
    return kExitUsage;
  }
  if (action == "help") {
    std::fputs(kPackUsage, stdout);
    return 0;
  }
  if (action == "version") {
    std::puts("ffgl-pack 1.0 (description format 1)");
    return 0;
  }
  std::error_code code;
  const bool folder = std::filesystem::is_directory(Utf8Path(options.input), code);
  if (folder && (!options.name.empty() || !options.id.empty() || !options.fileStem.empty())) {
    std::fprintf(stderr, "ffgl-pack: --name, --id and --file-name are for one shader, not a folder\n");
    return kExitUsage;
  }
  const int status = folder ? PackFolder(options) : PackOne(options);
  if (status != 0 && options.dropped) HoldConsoleOpen();
  return status;
}
