#include "host/play/ShaderBuild.h"

#include <cstring>
#include <filesystem>
#include <fstream>

#include "tools/pack/Packer.h"
#include "tools/pack/PluginWriter.h"

namespace play {

namespace {

// The template the running host loads.
#if defined(_WIN32) && defined(_WIN64)
constexpr char kHostTarget[] = "win64";
#elif defined(_WIN32)
constexpr char kHostTarget[] = "win32";
#else
constexpr char kHostTarget[] = "linux-x86_64";
#endif

std::string Lines(const std::vector<std::string>& messages) {
  std::string text;
  for (const std::string& message : messages) text += (text.empty() ? "" : "\n") + message;
  return text;
}

}  // namespace

bool IsPluginLibrary(const std::string& path) {
  // Named as a library, it is one, or the loader says why it is not.
  const std::string extension = std::filesystem::path(path).extension().string();
  if (extension == ".so" || extension == ".dll" || extension == ".DLL") return true;
  std::ifstream file(path, std::ios::binary);
  char magic[4] = {};
  file.read(magic, sizeof magic);
  return (file.gcount() == 4 && std::memcmp(magic,
                                            "\x7f"
                                            "ELF",
                                            4) == 0) ||
         (file.gcount() >= 2 && std::memcmp(magic, "MZ", 2) == 0);
}

bool PackForPlay(const std::string& shader, const std::string& destination,
                 std::vector<std::string>& sources, std::string& error) {
  PackOptions options;
  options.timePasses = true;  // for the panel's plots
  const PackedShader packed = PackInMemory(shader, options);
  sources = packed.sources;
  if (!packed.result.ok) {
    error = Lines(packed.result.messages);
    return false;
  }
  const std::string templatePath = FindTemplate(kHostTarget, options.templateDirs, error);
  return !templatePath.empty() &&
         WritePlugin(templatePath, packed.packed, destination, true, error);
}

std::string WritePlugins(const std::string& shader) {
  PackOptions options;
  std::string missing;
  for (const char* target : kPackTargets) {
    std::string error;
    if (!FindTemplate(target, options.templateDirs, error).empty()) {
      options.targets.push_back(target);
    } else {
      missing += std::string(missing.empty() ? "" : ", ") + target;
    }
  }
  if (options.targets.empty()) return "no templates found beside ffgl-host: nothing written";
  const PackResult result = PackShader(shader, options);
  if (!result.ok) return "not written: " + Lines(result.messages);
  std::string text = "wrote";
  for (const std::string& file : result.written) text += " " + file;
  if (!missing.empty()) text += " (no template here for " + missing + ")";
  return text;
}

}  // namespace play
