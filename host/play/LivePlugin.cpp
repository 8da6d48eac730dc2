#include "host/play/LivePlugin.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "host/play/PlayPlatform.h"
#include "host/play/ShaderBuild.h"

namespace play {

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr char kLibraryExtension[] = ".dll";
#else
constexpr char kLibraryExtension[] = ".so";
#endif

// `text` with every `from` replaced by `to`: messages name the user's file,
// not the private copy.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

}  // namespace

LivePlugin::LivePlugin(std::string path, int width, int height)
    : path_(std::move(path)), watched_{path_}, width_(width), height_(height) {}

LivePlugin::~LivePlugin() {
  // Instance first, clock restored before the library unloads.
  instance_.reset();
  time_.reset();
  session_.reset();
  RemoveUnloadedCopies();
}

void LivePlugin::RemoveUnloadedCopies() {
  const auto removed = [](const fs::path& copy) {
    std::error_code failure;
    fs::remove(copy, failure);
    return !failure;
  };
  loadedCopies_.erase(std::remove_if(loadedCopies_.begin(), loadedCopies_.end(), removed),
                      loadedCopies_.end());
}

LivePlugin::Signature LivePlugin::Look() const {
  Signature signature;
  for (const std::string& file : watched_) {
    std::error_code failure;
    const auto size = fs::file_size(file, failure);
    const auto modified = fs::last_write_time(file, failure);
    signature.push_back(failure ? -1 : static_cast<std::int64_t>(size));
    signature.push_back(
        failure ? 0
                : std::chrono::duration_cast<std::chrono::nanoseconds>(modified.time_since_epoch())
                      .count());
  }
  return signature;
}

std::unique_ptr<host::PluginSession> LivePlugin::OpenCopy(std::string& error) {
  // A shader's plugin is named as a library, which Windows' loader wants.
  const fs::path file = fs::path(path_).filename();
  const fs::path copy =
      fs::temp_directory_path() /
      ("ffgl-play-" + std::to_string(ProcessId()) + "-" + std::to_string(++copies_) + "-" +
       (fromShader_ ? file.stem().string() + kLibraryExtension : file.string()));
  std::error_code failure;
  if (fromShader_) {
    std::vector<std::string> sources;
    const bool packed = PackForPlay(path_, copy.string(), sources, error);
    // A shader that fails still names what it is made from, to be watched.
    watched_ = {path_};
    for (const std::string& source : sources) {
      if (source != path_) watched_.push_back(source);
    }
    if (!packed) return nullptr;
  } else {
    fs::copy_file(path_, copy, fs::copy_options::overwrite_existing, failure);
    if (failure) {
      error = "cannot read '" + path_ + "': " + failure.message();
      return nullptr;
    }
  }
  auto session = host::PluginSession::Open(copy.string(), error);
  // The loaded library stays mapped; the name is no longer needed. Windows
  // keeps a loaded library's file: it goes once the library is unloaded.
  if (!fs::remove(copy, failure) && failure) loadedCopies_.push_back(copy);
  error = Replaced(error, copy.string(), path_);
  if (session != nullptr && !session->Description().processesOpenGL) {
    error = "'" + path_ + "' does not process OpenGL frames: not a FreeFrame GL plugin";
    return nullptr;
  }
  return session;
}

bool LivePlugin::Instantiate(std::string& error) {
  const host::PluginDescription& description = session_->Description();
  // Packed for play, an ISF shader's plugin shows its pass times as the
  // display of the index after its parameters.
  passTimesIndex_ = fromShader_ ? static_cast<int>(description.parameters.size()) : -1;
  time_ = std::make_unique<host::PluginTime>(*session_, false);
  instance_ = host::PluginInstance::Create(session_->Library(), width_, height_, error);
  if (instance_ == nullptr) return false;
  values_.resize(description.parameters.size());
  for (std::size_t i = 0; i < values_.size(); ++i) {
    const host::ParameterDescription& p = description.parameters[i];
    if (p.isText) {
      instance_->SetText(p.index, values_[i].text);
    } else {
      instance_->SetFloat(p.index, values_[i].number);
    }
  }
  SetTime(seconds_);
  return true;
}

bool LivePlugin::Start(std::string& error) {
  fromShader_ = !IsPluginLibrary(path_);
  session_ = OpenCopy(error);
  loaded_ = seen_ = Look();
  if (session_ == nullptr) return false;
  for (const host::ParameterDescription& p : session_->Description().parameters) {
    values_.push_back({p.defaultValue, p.defaultText});
  }
  return Instantiate(error);
}

const char* LivePlugin::TimeSource() const { return time_->Name(); }

void LivePlugin::SetNumber(std::size_t parameter, float value) {
  values_[parameter].number = value;
  if (instance_ != nullptr) {
    instance_->SetFloat(session_->Description().parameters[parameter].index, value);
  }
}

void LivePlugin::SetText(std::size_t parameter, const std::string& value) {
  values_[parameter].text = value;
  if (instance_ != nullptr) {
    instance_->SetText(session_->Description().parameters[parameter].index, value);
  }
}

void LivePlugin::ReadValues() {
  const auto& parameters = session_->Description().parameters;
  for (std::size_t i = 0; i < parameters.size() && instance_ != nullptr; ++i) {
    const FFWord word = instance_->Get(parameters[i].index);
    if (host::IsFail(word)) continue;  // refused: the value shown stays
    if (parameters[i].isText) {
      values_[i].text = host::PluginText(reinterpret_cast<const char*>(word));
    } else {
      values_[i].number = FFFloatFromWord(word);
    }
  }
}

void LivePlugin::SetTime(double seconds) {
  seconds_ = seconds;
  time_->MoveTo(instance_.get(), seconds);
}

bool LivePlugin::ReloadIfChanged(std::string& message) {
  const Signature now = Look();
  const bool settled = now == seen_;
  seen_ = now;
  // A file still being written changes between looks; an absent one waits.
  if (now == loaded_ || !settled || now.empty() || now[0] < 0) return false;
  std::string error;
  auto fresh = OpenCopy(error);
  // What was made from may have changed with the text.
  loaded_ = seen_ = Look();
  if (fresh == nullptr) {
    RemoveUnloadedCopies();
    message = std::string("reload failed, the previous ") + (fromShader_ ? "version" : "build") +
              " keeps running: " + error;
    return true;
  }
  // Parameter values are carried by name, so a rebuild may add or reorder.
  std::vector<ParameterValue> carried;
  for (const host::ParameterDescription& p : fresh->Description().parameters) {
    ParameterValue value{p.defaultValue, p.defaultText};
    const auto& old = session_->Description().parameters;
    for (std::size_t i = 0; i < old.size(); ++i) {
      if (old[i].name == p.name && old[i].isText == p.isText) value = values_[i];
    }
    carried.push_back(value);
  }
  instance_.reset();
  time_.reset();
  session_ = std::move(fresh);
  values_ = std::move(carried);
  RemoveUnloadedCopies();
  if (!Instantiate(error)) {
    message = "reloaded, but the new build refused an instance: " + error;
    return true;
  }
  message = "reloaded " + path_;
  return true;
}

std::vector<float> LivePlugin::PassTimes() const {
  std::vector<float> times;
  if (passTimesIndex_ < 0 || instance_ == nullptr) return times;
  const std::string text = instance_->Display(static_cast<FFUInt32>(passTimesIndex_));
  const char* at = text.c_str();
  for (char* end = nullptr;; at = end) {
    const float value = std::strtof(at, &end);
    if (end == at) break;
    times.push_back(value);
  }
  return times;
}

std::string LivePlugin::WritePlugins() const {
  return fromShader_ ? play::WritePlugins(path_) : "not a shader: nothing to write";
}

}  // namespace play
