#include "host/play/PlayWindow.h"

#include <GLFW/glfw3.h>

#include <algorithm>

#include "host/gl/KeepDriverLoaded.h"
#include "host/play/PlayPlatform.h"

namespace play {

namespace {

std::string glfwFailure;

void RememberError(int, const char* description) {
  glfwFailure = description != nullptr ? description : "unknown GLFW error";
}

void OnDrop(GLFWwindow* window, int count, const char** paths) {
  auto* self = static_cast<std::vector<std::string>*>(glfwGetWindowUserPointer(window));
  for (int i = 0; i < count; ++i) self->push_back(paths[i]);
}

}  // namespace

std::unique_ptr<PlayWindow> PlayWindow::Open(int width, int height, const std::string& title,
                                             bool vsync, std::string& error) {
  if (!DisplayAvailable(error)) return nullptr;
  glfwSetErrorCallback(RememberError);
  const host::LibrariesBefore loadedBefore = host::LoadedLibraries();
  if (glfwInit() != GLFW_TRUE) {
    error = "cannot open the display: " + glfwFailure;
    return nullptr;
  }
  // No version or profile asked for: the driver's compatibility context.
  glfwWindowHint(GLFW_CLIENT_API, GLFW_OPENGL_API);
  GLFWwindow* window = glfwCreateWindow(width, height, title.c_str(), nullptr, nullptr);
  if (window == nullptr) {
    error = "cannot open a window with OpenGL: " + glfwFailure;
    glfwTerminate();
    return nullptr;
  }
  glfwMakeContextCurrent(window);
  host::KeepLoadedUntilExit(loadedBefore);
  glfwSwapInterval(vsync ? 1 : 0);
  std::unique_ptr<PlayWindow> self(new PlayWindow(window));
  glfwSetWindowUserPointer(window, &self->dropped_);
  glfwSetDropCallback(window, OnDrop);
  return self;
}

PlayWindow::~PlayWindow() {
  glfwDestroyWindow(window_);
  glfwTerminate();
}

void* PlayWindow::GetProcAddress(const char* name) const {
  return reinterpret_cast<void*>(glfwGetProcAddress(name));
}

bool PlayWindow::MakeCurrent() {
  glfwMakeContextCurrent(window_);
  return true;
}

bool PlayWindow::ShouldClose() const { return glfwWindowShouldClose(window_) != 0; }

void PlayWindow::RequestClose() { glfwSetWindowShouldClose(window_, GLFW_TRUE); }

void PlayWindow::FramebufferSize(int& width, int& height) const {
  glfwGetFramebufferSize(window_, &width, &height);
}

bool PlayWindow::KeyPressed(int key) {
  if (down_.empty()) down_.resize(GLFW_KEY_LAST + 1);
  const bool now = glfwGetKey(window_, key) == GLFW_PRESS;
  const bool pressed = now && !down_[static_cast<std::size_t>(key)];
  down_[static_cast<std::size_t>(key)] = now;
  return pressed;
}

host::RgbaImage PlayWindow::ReadBackBuffer() const {
  host::RgbaImage image;
  FramebufferSize(image.width, image.height);
  const std::size_t stride = static_cast<std::size_t>(image.width) * 4;
  std::vector<std::uint8_t> rows(stride * static_cast<std::size_t>(image.height));
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, image.width, image.height, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
  image.pixels.resize(rows.size());
  for (int y = 0; y < image.height; ++y) {
    std::copy_n(rows.data() + static_cast<std::size_t>(image.height - 1 - y) * stride, stride,
                image.pixels.data() + static_cast<std::size_t>(y) * stride);
  }
  return image;
}

std::vector<std::string> PlayWindow::TakeDroppedFiles() {
  std::vector<std::string> files;
  files.swap(dropped_);
  return files;
}

}  // namespace play
