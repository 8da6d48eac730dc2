// One run of `play`: the window, the plugin drawn each frame into the host's
// framebuffer as `render` draws it, the picture scaled beside the panel,
// keys, dropped pictures, reloading on a rebuild, and saved frames.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "host/gl/HostFramebuffer.h"
#include "host/gl/HostGL.h"
#include "host/gl/InputTexture.h"
#include "host/play/LivePlugin.h"
#include "host/play/PlayPanel.h"
#include "host/play/PlayWindow.h"

namespace play {

struct PlayView {
  std::string plugin;
  int width = 640;
  int height = 360;
  int frames = 0;          // > 0: a scripted run, ended by a screenshot
  std::string screenshot;  // with `frames`: the whole window as a PNG
};

class Player {
 public:
  explicit Player(PlayView view);
  ~Player();
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  // The window, its OpenGL and the plugin; false with the reason, and
  // `noDisplay` true when there is no display to open the window on.
  bool Open(std::string& error, bool& noDisplay);
  LivePlugin& Plugin() { return *plugin_; }
  // The input pictures, in order.
  bool ReadInputs(const std::vector<std::string>& paths, std::string& error);
  // Frames until the window closes; false with the reason when the plugin's
  // framebuffer cannot be made or the screenshot cannot be written.
  bool Run(std::string& error);

 private:
  using Moment = std::chrono::steady_clock::time_point;
  bool Scripted() const { return view_.frames > 0; }
  bool ReadKeys();
  void TakeDroppedPictures();
  void LookForRebuild(int frame, Moment start);
  void AdvanceClock(int frame, Moment start);
  void DrawPlugin();
  void ShowPicture();
  bool DrawPanelAndSave(int frame, bool saveKey, std::string& error);
  bool FinishScriptedRun(const std::vector<std::string>& labels, std::string& error);

  PlayView view_;
  std::unique_ptr<PlayWindow> window_;
  host::HostGL gl_;
  PFNGLBLITFRAMEBUFFERPROC blit_ = nullptr;
  std::string renderer_;
  std::unique_ptr<LivePlugin> plugin_;
  std::vector<std::unique_ptr<host::InputTexture>> textures_;
  std::vector<FFGLTextureStruct*> inputs_;
  std::unique_ptr<host::HostFramebuffer> target_;
  PlayClock clock_;
  FrameTimes times_;
  std::string status_;
  std::string rebuildSource_;
  int rebuildFrame_ = 0;
  Moment last_;
  Moment lastLook_;
};

}  // namespace play
