// The plugin `play` runs: one loaded library, its instance and its clock,
// reloaded when its file changes. Each load is from a private copy of the
// file, so a rebuild that overwrites the file in place cannot disturb the
// running code, and a new build that fails to load leaves the old one
// running. Given a shader file instead of a library, each load packs it in
// memory as ffgl-pack would, and any file it is made from (its vertex
// text, its pictures) changing reloads it too.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/loader/PluginSession.h"
#include "host/loader/PluginTime.h"

namespace play {

struct ParameterValue {
  float number = 0.0f;
  std::string text;
};

class LivePlugin {
 public:
  LivePlugin(std::string path, int width, int height);
  ~LivePlugin();

  // The first load; false with a one-line reason.
  bool Start(std::string& error);
  const host::PluginSession& Session() const { return *session_; }
  // Null after a reload whose new instance was refused.
  const host::PluginInstance* Instance() const { return instance_.get(); }
  // "host time", "steered clock" or "real clock": how time reaches it.
  const char* TimeSource() const;

  // The values the host keeps per parameter, carried across reloads.
  const std::vector<ParameterValue>& Values() const { return values_; }
  void SetNumber(std::size_t parameter, float value);
  void SetText(std::size_t parameter, const std::string& value);
  // Reads the instance's values back (after --set was applied to it).
  void ReadValues();

  // Puts the plugin's clock at `seconds` for the next frame.
  void SetTime(double seconds);

  // When the file has changed and stayed unchanged since the last look,
  // reloads it: true with what happened in `message` (success or error).
  bool ReloadIfChanged(std::string& message);

  bool FromShader() const { return fromShader_; }
  // The latest GPU time of each pass in milliseconds, as a shader's plugin
  // packed for play reports it; empty where it reports none.
  std::vector<float> PassTimes() const;
  // A shader's plugins written as ffgl-pack writes them; what happened.
  std::string WritePlugins() const;

 private:
  // Size and time of each watched file, -1 for one that is absent.
  using Signature = std::vector<std::int64_t>;
  Signature Look() const;
  std::unique_ptr<host::PluginSession> OpenCopy(std::string& error);
  bool Instantiate(std::string& error);
  // Deletes the private copies whose libraries have been unloaded.
  void RemoveUnloadedCopies();

  std::string path_;
  bool fromShader_ = false;
  std::vector<std::string> watched_;  // the file, and what a shader was made from
  int width_;
  int height_;
  int copies_ = 0;
  Signature loaded_;
  Signature seen_;
  std::unique_ptr<host::PluginSession> session_;
  std::unique_ptr<host::PluginTime> time_;
  std::unique_ptr<host::PluginInstance> instance_;
  std::vector<ParameterValue> values_;
  // Private copies still on disk because their library is loaded (Windows).
  std::vector<std::filesystem::path> loadedCopies_;
  double seconds_ = 0.0;
  int passTimesIndex_ = -1;  // the hidden parameter that shows the pass times
};

}  // namespace play
