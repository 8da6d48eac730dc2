#include "tools/pack/FolderPacking.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "tools/pack/DefaultNames.h"
#include "tools/pack/Packer.h"
#include "tools/pack/System.h"
#include "tools/pack/Utf8Path.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> ShaderFiles(const std::string& folder) {
  std::vector<std::string> files;
  std::error_code code;
  for (const auto& entry : fs::directory_iterator(Utf8Path(folder), code)) {
    const std::string extension = PathText(entry.path().extension());
    if (entry.is_regular_file(code) &&
        (extension == ".glsl" || extension == ".frag" || extension == ".fs")) {
      files.push_back(PathText(entry.path()));
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

void ShowProgress(std::size_t done, std::size_t total, const std::string& file) {
  constexpr std::size_t kWidth = 30;
  const std::size_t filled = total == 0 ? kWidth : done * kWidth / total;
  std::fprintf(stderr, "\r[%s%s] %zu/%zu %-40.40s", std::string(filled, '#').c_str(),
               std::string(kWidth - filled, ' ').c_str(), done, total, file.c_str());
  std::fflush(stderr);
}

}  // namespace

int PackFolder(const PackOptions& options) {
  const std::vector<std::string> files = ShaderFiles(options.input);
  if (files.empty()) {
    std::fprintf(stderr, "ffgl-pack: no .glsl, .frag or .fs file in %s\n", options.input.c_str());
    return 1;
  }
  const bool bar = !options.quiet && ErrorsGoToTerminal();
  std::set<std::string> ids = {"HLXM"};
  std::vector<PackResult> results;
  std::size_t failed = 0;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::string shown = PathText(Utf8Path(files[i]).filename());
    if (bar) ShowProgress(i, files.size(), shown);
    // Identifiers stay unique within the folder.
    const std::string name = DefaultPluginName(files[i]);
    std::string id = DefaultPluginId(name);
    for (unsigned salt = 1; ids.count(id) != 0; ++salt) id = DefaultPluginId(name, salt);
    ids.insert(id);
    results.push_back(PackShader(files[i], options, id));
    if (!results.back().ok) ++failed;
    if (!bar && !options.quiet) {
      std::fprintf(stderr, "[%zu/%zu] %s: %s\n", i + 1, files.size(), shown.c_str(),
                   results.back().ok ? "ok" : "failed");
    }
  }
  if (bar) {
    ShowProgress(files.size(), files.size(), "");
    std::fputs("\n", stderr);
  }
  std::printf("%-24s %-16s %-4s %-7s %s\n", "FILE", "NAME", "ID", "TARGETS", "RESULT");
  for (std::size_t i = 0; i < files.size(); ++i) {
    const PackResult& r = results[i];
    const std::string result = r.ok ? (r.messages.empty() ? "ok" : "ok, " + r.messages.front())
                                    : (r.messages.empty() ? "failed" : r.messages.front());
    std::printf("%-24s %-16s %-4s %-7zu %s\n", PathText(Utf8Path(files[i]).filename()).c_str(),
                r.name.c_str(), r.id.c_str(), r.written.size(), result.c_str());
  }
  std::printf("%zu of %zu shaders became plugins\n", files.size() - failed, files.size());
  return failed == 0 ? 0 : 1;
}
