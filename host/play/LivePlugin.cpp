#include "host/play/LivePlugin.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <system_error>

#include "host/play/PlayPlatform.h"

namespace play {

namespace fs = std::filesystem;

namespace {

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
    : path_(std::move(path)), width_(width), height_(height) {}

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
  std::error_code failure;
  Signature signature;
  const auto size = fs::file_size(path_, failure);
  if (failure) return signature;
  const auto modified = fs::last_write_time(path_, failure);
  if (failure) return signature;
  signature.size = static_cast<std::int64_t>(size);
  signature.modified =
      std::chrono::duration_cast<std::chrono::nanoseconds>(modified.time_since_epoch()).count();
  return signature;
}

std::unique_ptr<host::PluginSession> LivePlugin::OpenCopy(std::string& error) {
  const fs::path copy = fs::temp_directory_path() /
                        ("ffgl-play-" + std::to_string(ProcessId()) + "-" +
                         std::to_string(++copies_) + "-" + fs::path(path_).filename().string());
  std::error_code failure;
  fs::copy_file(path_, copy, fs::copy_options::overwrite_existing, failure);
  if (failure) {
    error = "cannot read '" + path_ + "': " + failure.message();
    return nullptr;
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
  loaded_ = seen_ = Look();
  session_ = OpenCopy(error);
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
  if (now == loaded_ || !settled || now.size < 0) return false;
  loaded_ = now;
  std::string error;
  auto fresh = OpenCopy(error);
  if (fresh == nullptr) {
    RemoveUnloadedCopies();
    message = "reload failed, the previous build keeps running: " + error;
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

}  // namespace play
