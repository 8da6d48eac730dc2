#include "host/play/Player.h"

#include <GLFW/glfw3.h>
#include <backends/imgui_impl_glfw.h>
#include <backends/imgui_impl_opengl2.h>
#include <imgui.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "host/gl/FrameState.h"
#include "host/image/PngImage.h"
#include "host/output/OutputFile.h"

namespace play {
namespace {

constexpr float kPanelWidth = 320.0f;

// Writes `image` through a temporary beside `path`, as render does.
bool SavePicture(const std::string& path, const host::RgbaImage& image, std::string& error) {
  cli::OutputFile file(path);
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

Player::Player(PlayView view) : view_(std::move(view)) {}

Player::~Player() {
  // GL objects and the plugin go while the window's context is current.
  target_.reset();
  textures_.clear();
  plugin_.reset();
}

bool Player::Open(std::string& error, bool& noDisplay) {
  noDisplay = false;
  window_ = PlayWindow::Open(view_.width + static_cast<int>(kPanelWidth),
                             std::max(view_.height, 480), "ffgl-host play", !Scripted(), error);
  if (window_ == nullptr) {
    noDisplay = true;
    return false;
  }
  if (!gl_.Load(*window_, error)) {
    error = "no usable OpenGL: " + error;
    return false;
  }
  blit_ = reinterpret_cast<PFNGLBLITFRAMEBUFFERPROC>(window_->GetProcAddress("glBlitFramebuffer"));
  if (blit_ == nullptr) {
    error = "no usable OpenGL: the context lacks glBlitFramebuffer";
    return false;
  }
  renderer_ = window_->Description();
  plugin_ = std::make_unique<LivePlugin>(view_.plugin, view_.width, view_.height);
  return plugin_->Start(error);
}

bool Player::ReadInputs(const std::vector<std::string>& paths, std::string& error) {
  for (const auto& path : paths) {
    host::RgbaImage picture;
    if (!host::ReadPng(path, picture, error)) return false;
    textures_.push_back(std::make_unique<host::InputTexture>(picture));
    inputs_.push_back(textures_.back()->Record());
  }
  return true;
}

bool Player::Run(std::string& error) {
  target_ = std::make_unique<host::HostFramebuffer>(gl_, view_.width, view_.height);
  if (!target_->IsComplete()) {
    error = "OpenGL cannot make the plugin's framebuffer";
    return false;
  }
  IMGUI_CHECKVERSION();
  ImGui::CreateContext();
  ImGui::GetIO().IniFilename = nullptr;  // no imgui.ini left in the user's folder
  // A scripted run's picture does not depend on where the pointer rests.
  if (Scripted()) ImGui::GetIO().ConfigFlags |= ImGuiConfigFlags_NoMouse;
  ImGui_ImplGlfw_InitForOpenGL(window_->Handle(), true);
  ImGui_ImplOpenGL2_Init();
  rebuildFrame_ = TestRebuild(rebuildSource_);
  last_ = lastLook_ = std::chrono::steady_clock::now();
  bool written = true;
  for (int frame = 1; !window_->ShouldClose(); ++frame) {
    glfwPollEvents();
    const Moment start = std::chrono::steady_clock::now();
    const bool saveKey = ReadKeys();
    TakeDroppedPictures();
    LookForRebuild(frame, start);
    AdvanceClock(frame, start);
    DrawPlugin();
    const double drawMs = Milliseconds(std::chrono::steady_clock::now() - start);
    ShowPicture();
    if (!DrawPanelAndSave(frame, saveKey, error)) written = false;
    glfwSwapBuffers(window_->Handle());
    times_.Add(static_cast<float>(drawMs),
               static_cast<float>(Milliseconds(std::chrono::steady_clock::now() - start)),
               plugin_->PassTimes());
  }
  ImGui_ImplOpenGL2_Shutdown();
  ImGui_ImplGlfw_Shutdown();
  ImGui::DestroyContext();
  return written;
}

// True when the save key was pressed.
bool Player::ReadKeys() {
  if (ImGui::GetIO().WantCaptureKeyboard) return false;
  if (window_->KeyPressed(GLFW_KEY_SPACE)) clock_.playing = !clock_.playing;
  if (window_->KeyPressed(GLFW_KEY_RIGHT)) clock_.Step();
  const bool save = window_->KeyPressed(GLFW_KEY_S);
  if (window_->KeyPressed(GLFW_KEY_Q) || window_->KeyPressed(GLFW_KEY_ESCAPE)) {
    window_->RequestClose();
  }
  return save;
}

void Player::TakeDroppedPictures() {
  for (const auto& path : window_->TakeDroppedFiles()) {
    host::RgbaImage picture;
    std::string error;
    if (!host::ReadPng(path, picture, error)) {
      status_ = error;
      continue;
    }
    auto texture = std::make_unique<host::InputTexture>(picture);
    if (inputs_.empty()) inputs_.push_back(nullptr);
    if (textures_.empty()) textures_.push_back(nullptr);
    inputs_[0] = texture->Record();
    textures_[0] = std::move(texture);
    status_ = "input 0: " + path;
  }
}

void Player::LookForRebuild(int frame, Moment start) {
  if (frame == rebuildFrame_) ReplaceFile(rebuildSource_, view_.plugin);
  // A scripted run looks every frame, so what it sees does not depend on speed.
  if (!Scripted() && start - lastLook_ <= std::chrono::milliseconds(100)) return;
  lastLook_ = start;
  std::string message;
  if (plugin_->ReloadIfChanged(message)) {
    status_ = message;
    std::printf("ffgl-host play: %s\n", message.c_str());
    std::fflush(stdout);
  }
}

void Player::AdvanceClock(int frame, Moment start) {
  // A scripted run steps 1/60 s a frame, so its picture does not depend on speed.
  const double elapsed =
      Scripted() ? (frame > 1 ? 1.0 / 60.0 : 0.0) : Milliseconds(start - last_) / 1000.0;
  if (clock_.playing) clock_.seconds += elapsed * clock_.speed;
  last_ = start;
}

void Player::DrawPlugin() {
  plugin_->SetTime(clock_.seconds);
  host::PrepareFrameState(gl_, *target_);
  target_->Clear(0.0f, 0.0f, 0.0f, 0.0f);
  if (plugin_->Instance() != nullptr &&
      host::IsFail(plugin_->Instance()->ProcessFrame(*target_, inputs_))) {
    status_ = "the plugin failed to render a frame";
  }
  glFinish();
}

// The picture scaled to fit left of the panel, its shape kept, at the top.
void Player::ShowPicture() {
  int width = 0;
  int height = 0;
  window_->FramebufferSize(width, height);
  gl_.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  glViewport(0, 0, width, height);
  glClearColor(0.1f, 0.1f, 0.1f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  const int areaWidth = std::max(1, width - static_cast<int>(kPanelWidth));
  const double scale = std::min(static_cast<double>(areaWidth) / view_.width,
                                static_cast<double>(height) / view_.height);
  const int shownWidth = static_cast<int>(view_.width * scale);
  const int shownHeight = static_cast<int>(view_.height * scale);
  gl_.glBindFramebuffer(GL_READ_FRAMEBUFFER, target_->Framebuffer());
  blit_(0, 0, view_.width, view_.height, 0, height - shownHeight, shownWidth, height,
        GL_COLOR_BUFFER_BIT, scale == 1.0 ? GL_NEAREST : GL_LINEAR);
  gl_.glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

// False with the reason when a scripted run's screenshot cannot be written.
bool Player::DrawPanelAndSave(int frame, bool saveKey, std::string& error) {
  int width = 0;
  int height = 0;
  window_->FramebufferSize(width, height);
  ImGui_ImplOpenGL2_NewFrame();
  ImGui_ImplGlfw_NewFrame();
  ImGui::NewFrame();
  PanelRequests requests;
  requests.save = saveKey;
  std::vector<std::string> labels;
  DrawPanel(*plugin_, renderer_, status_, clock_, times_, static_cast<float>(width) - kPanelWidth,
            kPanelWidth, static_cast<float>(height), requests, labels);
  ImGui::Render();
  ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
  if (requests.writePlugins) {
    status_ = plugin_->WritePlugins();
    std::printf("ffgl-host play: %s\n", status_.c_str());
    std::fflush(stdout);
  }
  if (requests.save) {
    host::RgbaImage picture{view_.width, view_.height, target_->ReadPixels()};
    const std::string path = NextFramePath();
    std::string failure;
    status_ = SavePicture(path, picture, failure) ? "saved " + path : failure;
  }
  if (!Scripted() || frame < view_.frames) return true;
  return FinishScriptedRun(labels, error);
}

bool Player::FinishScriptedRun(const std::vector<std::string>& labels, std::string& error) {
  window_->RequestClose();
  for (const auto& label : labels) std::printf("panel: %s\n", label.c_str());
  if (!SavePicture(view_.screenshot, window_->ReadBackBuffer(), error)) return false;
  std::printf("wrote %s\nframe times: %s\n", view_.screenshot.c_str(), times_.Summary().c_str());
  return true;
}

}  // namespace play
