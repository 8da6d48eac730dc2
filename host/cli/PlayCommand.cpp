// play: the plugin live in a window, drawn each frame into the host's
// framebuffer exactly as `render` draws it, with a panel for its parameters
// and its time, reloaded when its file is rebuilt.
#include <GLFW/glfw3.h>
#include <backends/imgui_impl_glfw.h>
#include <backends/imgui_impl_opengl2.h>
#include <imgui.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/gl/HostFramebuffer.h"
#include "host/gl/HostGL.h"
#include "host/gl/InputTexture.h"
#include "host/cli/Arguments.h"
#include "host/cli/Commands.h"
#include "host/cli/HeadlessHost.h"
#include "host/output/OutputFile.h"
#include "host/cli/ParameterSettings.h"
#include "host/play/LivePlugin.h"
#include "host/play/PlayPanel.h"
#include "host/play/PlayWindow.h"

namespace cli {

const char kPlayUsage[] =
    "Usage: ffgl-host play PLUGIN [OPTIONS]\n"
    "Shows the plugin live in a window (needs a display), drawn each frame into the\n"
    "host's framebuffer as 'render' draws it, with a panel: the plugin's name, ID, type\n"
    "and the GL renderer; a control per parameter; play/pause, speed, a time slider and\n"
    "one-frame steps on the same clock 'render' uses; the plugin's and the whole frame's\n"
    "times; and 'save frame' (ffgl-play-NNNNNN.png in the current folder).\n"
    "When the plugin file changes (a rebuild), it is reloaded with the same parameter\n"
    "values and time; a build that fails to load leaves the previous one running.\n"
    "Keys: space pause/play, right arrow step, S save frame, Q or Escape quit.\n"
    "Dropping a PNG onto the window makes it input 0.\n"
    "  --size WxH          the plugin's frame size (default 640x360)\n"
    "  --set NAME=VALUE    set a parameter before the first frame (repeatable)\n"
    "  --input FILE.png    an input picture (repeatable), as for 'render'\n"
    "  --frames N          with --screenshot: run N frames, save the window, exit\n"
    "  --screenshot FILE   the whole window as a PNG after N frames\n"
    "Exit status: 0 closed, 1 the plugin failed, 2 a usage mistake, 5 no display.\n";

namespace {

constexpr float kPanelWidth = 320.0f;

struct PlayOptions {
  std::string plugin;
  int width = 640;
  int height = 360;
  int frames = 0;
  std::string screenshot;
  std::vector<Setting> settings;
  std::vector<std::string> inputs;
};

bool ParsePlayOptions(const std::vector<std::string>& words, PlayOptions& options,
                      std::string& error) {
  Arguments arguments(words);
  std::string value;
  if (arguments.TakeValue("--size", value) &&
      !ParseSize("--size", value, options.width, options.height, error)) {
    return false;
  }
  if (arguments.TakeValue("--frames", value) &&
      !ParseCount("--frames", value, 1, 1000000, options.frames, error)) {
    return false;
  }
  arguments.TakeValue("--screenshot", options.screenshot);
  if (!ParseSettings(arguments.TakeValues("--set"), options.settings, error)) return false;
  options.inputs = arguments.TakeValues("--input");
  if (!arguments.TakePlugin(options.plugin, error)) return false;
  if ((options.frames > 0) != !options.screenshot.empty()) {
    error = "--frames and --screenshot go together";
    return false;
  }
  return true;
}

// Writes `image` through a temporary beside `path`, as render does.
bool SavePicture(const std::string& path, const host::RgbaImage& image, std::string& error) {
  OutputFile file(path);
  return host::WritePng(file.TemporaryPath(), image, error) && file.Commit(error);
}

std::string NextFramePath() {
  for (int n = 1;; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "ffgl-play-%06d.png", n);
    if (!std::filesystem::exists(name)) return name;
  }
}

// For the tests only: FFGL_HOST_TEST_REBUILD="K:FILE" puts FILE in place of
// the plugin at frame K, as a linker does (new file, renamed over).
int TestRebuild(std::string& source) {
  const char* value = std::getenv("FFGL_HOST_TEST_REBUILD");
  const char* colon = value != nullptr ? std::strchr(value, ':') : nullptr;
  if (colon == nullptr) return 0;
  source = colon + 1;
  return std::atoi(value);
}

void ReplaceFile(const std::string& source, const std::string& path) {
  std::error_code failure;
  std::filesystem::copy_file(source, path + ".new",
                             std::filesystem::copy_options::overwrite_existing, failure);
  std::filesystem::rename(path + ".new", path, failure);
}

double Milliseconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int RunPlay(const std::vector<std::string>& words) {
  PlayOptions options;
  std::string error;
  if (!ParsePlayOptions(words, options, error)) return UsageError("play", error);
  const bool scripted = options.frames > 0;
  auto window =
      play::PlayWindow::Open(options.width + static_cast<int>(kPanelWidth),
                             std::max(options.height, 480), "ffgl-host play", !scripted, error);
  if (window == nullptr) return Fail(error, kExitNoDisplay);
  host::HostGL gl;
  if (!gl.Load(*window, error)) return Fail("no usable OpenGL: " + error);
  auto blit =
      reinterpret_cast<PFNGLBLITFRAMEBUFFERPROC>(window->GetProcAddress("glBlitFramebuffer"));
  if (blit == nullptr) return Fail("no usable OpenGL: the context lacks glBlitFramebuffer");
  const std::string renderer = window->Description();

  play::LivePlugin plugin(options.plugin, options.width, options.height);
  if (!plugin.Start(error)) return Fail(error);
  const host::PluginDescription& description = plugin.Session().Description();
  if (!CheckSettings(plugin.Session(), options.settings, error)) return UsageError("play", error);
  bool usage = false;
  if (!ApplySettings(plugin.Session(), *plugin.Instance(), options.settings, error, usage)) {
    return usage ? UsageError("play", error) : Fail(error);
  }
  plugin.ReadValues();
  if (options.inputs.size() > description.maximumInputs) {
    return UsageError("play", "the plugin takes at most " +
                                  std::to_string(description.maximumInputs) + " input(s)");
  }
  std::vector<std::unique_ptr<host::InputTexture>> textures;
  std::vector<FFGLTextureStruct*> inputs;
  for (const auto& path : options.inputs) {
    host::RgbaImage picture;
    if (!host::ReadPng(path, picture, error)) return Fail(error);
    textures.push_back(std::make_unique<host::InputTexture>(picture));
    inputs.push_back(textures.back()->Record());
  }
  host::HostFramebuffer target(gl, options.width, options.height);
  if (!target.IsComplete()) return Fail("OpenGL cannot make the plugin's framebuffer");

  IMGUI_CHECKVERSION();
  ImGui::CreateContext();
  ImGui::GetIO().IniFilename = nullptr;  // no imgui.ini left in the user's folder
  ImGui_ImplGlfw_InitForOpenGL(window->Handle(), true);
  ImGui_ImplOpenGL2_Init();

  HeadlessHost frameState;  // only its PrepareFrameState, with this window's entry points
  frameState.gl = gl;
  play::PlayClock clock;
  play::FrameTimes times;
  std::string status;
  int exitStatus = 0;
  std::string rebuildSource;
  const int rebuildFrame = TestRebuild(rebuildSource);
  auto last = std::chrono::steady_clock::now();
  auto lastLook = last;
  for (int frame = 1; !window->ShouldClose(); ++frame) {
    glfwPollEvents();
    bool saveKey = false;
    const auto start = std::chrono::steady_clock::now();
    if (!ImGui::GetIO().WantCaptureKeyboard) {
      if (window->KeyPressed(GLFW_KEY_SPACE)) clock.playing = !clock.playing;
      if (window->KeyPressed(GLFW_KEY_RIGHT)) clock.Step();
      saveKey = window->KeyPressed(GLFW_KEY_S);
      if (window->KeyPressed(GLFW_KEY_Q) || window->KeyPressed(GLFW_KEY_ESCAPE)) {
        window->RequestClose();
      }
    }
    for (const auto& path : window->TakeDroppedFiles()) {
      host::RgbaImage picture;
      if (!host::ReadPng(path, picture, error)) {
        status = error;
        continue;
      }
      auto texture = std::make_unique<host::InputTexture>(picture);
      if (inputs.empty()) inputs.push_back(nullptr);
      if (textures.empty()) textures.push_back(nullptr);
      inputs[0] = texture->Record();
      textures[0] = std::move(texture);
      status = "input 0: " + path;
    }
    if (frame == rebuildFrame) ReplaceFile(rebuildSource, options.plugin);
    // A scripted run looks every frame, so what it sees does not depend on speed.
    if (scripted || start - lastLook > std::chrono::milliseconds(100)) {
      lastLook = start;
      std::string message;
      if (plugin.ReloadIfChanged(message)) {
        status = message;
        std::printf("ffgl-host play: %s\n", message.c_str());
        std::fflush(stdout);
      }
    }
    // A scripted run steps 1/60 s a frame, so its picture does not depend on speed.
    const double elapsed =
        scripted ? (frame > 1 ? 1.0 / 60.0 : 0.0) : Milliseconds(start - last) / 1000.0;
    if (clock.playing) clock.seconds += elapsed * clock.speed;
    last = start;

    plugin.SetTime(clock.seconds);
    frameState.PrepareFrameState(target);
    target.Clear(0.0f, 0.0f, 0.0f, 0.0f);
    if (plugin.Instance() != nullptr &&
        host::IsFail(plugin.Instance()->ProcessFrame(target, inputs))) {
      status = "the plugin failed to render a frame";
    }
    glFinish();
    const double drawMs = Milliseconds(std::chrono::steady_clock::now() - start);

    int width = 0;
    int height = 0;
    window->FramebufferSize(width, height);
    gl.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glViewport(0, 0, width, height);
    glClearColor(0.1f, 0.1f, 0.1f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    // The picture scaled to fit left of the panel, its shape kept, at the top.
    const int areaWidth = std::max(1, width - static_cast<int>(kPanelWidth));
    const double scale = std::min(static_cast<double>(areaWidth) / options.width,
                                  static_cast<double>(height) / options.height);
    const int shownWidth = static_cast<int>(options.width * scale);
    const int shownHeight = static_cast<int>(options.height * scale);
    gl.glBindFramebuffer(GL_READ_FRAMEBUFFER, target.Framebuffer());
    blit(0, 0, options.width, options.height, 0, height - shownHeight, shownWidth, height,
         GL_COLOR_BUFFER_BIT, scale == 1.0 ? GL_NEAREST : GL_LINEAR);
    gl.glBindFramebuffer(GL_FRAMEBUFFER, 0);

    ImGui_ImplOpenGL2_NewFrame();
    ImGui_ImplGlfw_NewFrame();
    ImGui::NewFrame();
    play::PanelRequests requests;
    requests.save = saveKey;
    std::vector<std::string> labels;
    play::DrawPanel(plugin, renderer, status, clock, times, static_cast<float>(width) - kPanelWidth,
                    kPanelWidth, static_cast<float>(height), requests, labels);
    ImGui::Render();
    ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
    if (requests.save) {
      host::RgbaImage picture{options.width, options.height, target.ReadPixels()};
      const std::string path = NextFramePath();
      status = SavePicture(path, picture, error) ? "saved " + path : error;
    }
    if (scripted && frame >= options.frames) {
      for (const auto& label : labels) std::printf("panel: %s\n", label.c_str());
      if (!SavePicture(options.screenshot, window->ReadBackBuffer(), error)) {
        exitStatus = Fail(error);
      } else {
        std::printf("wrote %s\nframe times: %s\n", options.screenshot.c_str(),
                    times.Summary().c_str());
      }
      window->RequestClose();
    }
    glfwSwapBuffers(window->Handle());
    times.Add(static_cast<float>(drawMs),
              static_cast<float>(Milliseconds(std::chrono::steady_clock::now() - start)));
  }
  ImGui_ImplOpenGL2_Shutdown();
  ImGui_ImplGlfw_Shutdown();
  ImGui::DestroyContext();
  return exitStatus;
}

}  // namespace cli
