#include "tools/pack/PluginWriter.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

#include "effect/DescriptionFormat.h"
#include "tools/pack/System.h"
#include "tools/pack/Utf8Path.h"

namespace fs = std::filesystem;

namespace {

// Whether the file ends in a packed description's footer, whatever its state.
bool EndsInPackedDescription(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  char magic[sizeof description_format::kMagic];
  return file.seekg(-static_cast<std::streamoff>(description_format::kFooterSize), std::ios::end) &&
         file.read(magic, sizeof magic) &&
         std::memcmp(magic, description_format::kMagic, sizeof magic) == 0;
}

bool ReadWhole(const fs::path& path, std::vector<char>& bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad();
}

}  // namespace

const char* LibraryExtension(const std::string& target) {
  return target == "linux-x86_64" ? ".so" : ".dll";
}

std::string FindTemplate(const std::string& target, const std::vector<std::string>& templateDirs,
                         std::string& error) {
  std::vector<std::string> folders = templateDirs;
  folders.push_back(PathText(Utf8Path(ProgramFolder()) / "templates"));
  const std::string file = std::string("HelixShaderTemplate") + LibraryExtension(target);
  std::string looked;
  for (const std::string& folder : folders) {
    const fs::path candidate = Utf8Path(folder) / target / file;
    std::error_code ignored;
    if (fs::is_regular_file(candidate, ignored)) return PathText(candidate);
    looked += (looked.empty() ? "" : ", ") + PathText(candidate);
  }
  error = "no template for " + target + " (looked for " + looked + ")";
  return "";
}

bool WritePlugin(const std::string& templatePath, const std::vector<unsigned char>& packed,
                 const std::string& destination, bool force, std::string& error) {
  const fs::path target = Utf8Path(destination);
  std::error_code code;
  if (fs::exists(target, code) && !force &&
      (!fs::is_regular_file(target, code) || !EndsInPackedDescription(target))) {
    error = destination + " exists and is not a plugin ffgl-pack made; kept (--force replaces it)";
    return false;
  }
  std::vector<char> image;
  if (!ReadWhole(Utf8Path(templatePath), image)) {
    error = "cannot read the template " + templatePath;
    return false;
  }
  if (EndsInPackedDescription(Utf8Path(templatePath))) {
    error = templatePath + " is a packed plugin, not a template";
    return false;
  }
  fs::create_directories(target.parent_path(), code);
  fs::path temporary = target;
  temporary += ".partial";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(image.data(), static_cast<std::streamsize>(image.size()));
    out.write(reinterpret_cast<const char*>(packed.data()),
              static_cast<std::streamsize>(packed.size()));
    out.close();
    if (!out) {
      fs::remove(temporary, code);
      error = "cannot write " + destination;
      return false;
    }
  }
  fs::permissions(temporary, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec,
                  code);
  if (!RenameOver(PathText(temporary), destination)) {
    fs::remove(temporary, code);
    error = "cannot write " + destination + " (is it in use by a host?)";
    return false;
  }
  return true;
}
