// validate's frames under a known host state, and instance lifetimes.
#include <cstdio>
#include <set>

#include "host/gl/GLStateSnapshot.h"
#include "host/cli/ValidateChecks.h"

namespace cli {
namespace {

void ClearGLErrors() {
  for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
  }
}

}  // namespace

void RunFrames(const HeadlessHost& host, const host::HostFramebuffer& target,
               const host::PluginInstance& instance,
               const std::vector<FFGLTextureStruct*>& inputs, const std::string& label,
               bool expectDrawing, bool mayRefuse, FrameRun& run) {
  for (int frame = 0; frame < 3; ++frame) {
    host.PrepareFrameState(target);
    // An unusual colour, so a frame that draws nothing shows.
    target.Clear(0.2f, 0.4f, 0.6f, 0.8f);
    ClearGLErrors();
    const host::GLStateSnapshot before = host::GLStateSnapshot::Capture(host.gl);
    const FFWord result = instance.ProcessFrame(target, inputs);
    const GLenum glError = glGetError();
    const host::GLStateSnapshot after = host::GLStateSnapshot::Capture(host.gl);
    const std::string where = label + ", frame " + std::to_string(frame + 1);
    if (result != FF_SUCCESS && !(mayRefuse && host::IsFail(result))) {
      run.results.Note(where + " answered " + std::to_string(result));
    }
    const std::string changed = after.DifferencesFrom(before);
    if (!changed.empty()) run.state.Note(where + ": " + changed);
    if (glError != GL_NO_ERROR) {
      char code[16];
      std::snprintf(code, sizeof code, "0x%04X", glError);
      run.glErrors.Note(where + " left OpenGL error " + code);
    }
    if (expectDrawing && frame == 0) {
      const auto pixels = target.ReadPixels();
      bool drew = false;
      for (std::size_t i = 0; i + 3 < pixels.size() && !drew; i += 4) {
        drew = pixels[i] != 51 || pixels[i + 1] != 102 || pixels[i + 2] != 153 ||
               pixels[i + 3] != 204;
      }
      if (!drew) run.drawing.Note(where + " left the framebuffer untouched");
    }
  }
}

std::string CheckCycles(const HeadlessHost& host, const host::HostFramebuffer& target,
                        int cycles) {
  const host::PluginLibrary& plugin = host.session->Library();
  Finding finding;
  std::string error;
  for (int i = 0; i < cycles; ++i) {
    auto instance = host::PluginInstance::Create(plugin, target.Width(), target.Height(), error);
    if (instance == nullptr) {
      finding.Note("cycle " + std::to_string(i + 1) + ": " + error);
      break;
    }
    host.PrepareFrameState(target);
    // Without inputs: a plugin that needs some may refuse the frame.
    const FFWord result = instance->ProcessFrame(target, {});
    if (result != FF_SUCCESS &&
        !(host.session->Description().minimumInputs > 0 && host::IsFail(result))) {
      finding.Note("cycle " + std::to_string(i + 1) + ": the frame failed");
    }
  }
  // Several live at once must be told apart.
  std::vector<std::unique_ptr<host::PluginInstance>> together;
  std::set<FFWord> ids;
  for (int i = 0; i < 4; ++i) {
    together.push_back(
        host::PluginInstance::Create(plugin, target.Width(), target.Height(), error));
    if (together.back() == nullptr) {
      finding.Note("instance " + std::to_string(i + 1) + " of 4 alive together: " + error);
      together.pop_back();
      break;
    }
    if (!ids.insert(together.back()->Id()).second) {
      finding.Note("two live instances share the id " + std::to_string(together.back()->Id()));
    }
  }
  return finding.Text();
}

}  // namespace cli
