// The window `play` shows a plugin in: a GLFW window with a desktop OpenGL
// compatibility-profile context (fixed-function drawing, as plugins expect),
// made current, standing in as the host's OpenGL context.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/gl/GLContext.h"
#include "host/image/PngImage.h"

struct GLFWwindow;

namespace play {

class PlayWindow final : public host::GLContext {
 public:
  // Null with a one-line reason when there is no display or no context.
  static std::unique_ptr<PlayWindow> Open(int width, int height, const std::string& title,
                                          bool vsync, std::string& error);
  ~PlayWindow() override;
  PlayWindow(const PlayWindow&) = delete;
  PlayWindow& operator=(const PlayWindow&) = delete;

  void* GetProcAddress(const char* name) const override;
  bool MakeCurrent() override;

  GLFWwindow* Handle() const { return window_; }
  bool ShouldClose() const;
  void RequestClose();
  void FramebufferSize(int& width, int& height) const;
  // True once per press of `key` (a GLFW key code).
  bool KeyPressed(int key);
  // The picture about to be shown, top row first.
  host::RgbaImage ReadBackBuffer() const;
  // Files dropped onto the window since the last call.
  std::vector<std::string> TakeDroppedFiles();

 private:
  explicit PlayWindow(GLFWwindow* window) : window_(window) {}
  GLFWwindow* window_;
  std::vector<std::string> dropped_;
  std::vector<bool> down_;
};

}  // namespace play
