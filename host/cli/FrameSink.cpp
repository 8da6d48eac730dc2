#include "host/cli/FrameSink.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "host/cli/System.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

// A sheet is for looking at; one this large would only exhaust memory.
constexpr long long kMaximumSheetSide = 16384;

std::string LowerExtension(const std::string& path) {
  std::string extension = fs::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

class PngFileSink final : public FrameSink {
 public:
  explicit PngFileSink(std::string path) : path_(std::move(path)) {}
  bool Write(const host::RgbaImage& frame, int, std::string& error) override {
    return host::WritePng(path_, frame, error);
  }
  bool Finish(std::string&) override { return true; }
  std::string Description() const override { return path_; }

 private:
  std::string path_;
};

class FolderSink final : public FrameSink {
 public:
  explicit FolderSink(fs::path folder) : folder_(std::move(folder)) {}
  bool Write(const host::RgbaImage& frame, int index, std::string& error) override {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06d.png", index + 1);
    return host::WritePng((folder_ / name).string(), frame, error);
  }
  bool Finish(std::string&) override { return true; }
  std::string Description() const override {
    return (folder_ / "frame-NNNNNN.png").string();
  }

 private:
  fs::path folder_;
};

// Frames left to right, top to bottom, with a 2-pixel black gutter.
class ContactSheetSink final : public FrameSink {
 public:
  ContactSheetSink(std::string path, const OutputRequest& request)
      : path_(std::move(path)), columns_(std::min(request.sheetColumns, request.frames)) {
    const int rows = (request.frames + columns_ - 1) / columns_;
    sheet_.width = columns_ * request.width + (columns_ - 1) * kGutter;
    sheet_.height = rows * request.height + (rows - 1) * kGutter;
    sheet_.pixels.assign(static_cast<std::size_t>(sheet_.width) *
                             static_cast<std::size_t>(sheet_.height) * 4, 0);
    for (std::size_t i = 3; i < sheet_.pixels.size(); i += 4) sheet_.pixels[i] = 255;
  }
  bool Write(const host::RgbaImage& frame, int index, std::string&) override {
    const int left = (index % columns_) * (frame.width + kGutter);
    const int top = (index / columns_) * (frame.height + kGutter);
    const std::size_t row = static_cast<std::size_t>(frame.width) * 4;
    for (int y = 0; y < frame.height; ++y) {
      std::memcpy(&sheet_.pixels[(static_cast<std::size_t>(top + y) * sheet_.width + left) * 4],
                  &frame.pixels[static_cast<std::size_t>(y) * row], row);
    }
    return true;
  }
  bool Finish(std::string& error) override { return host::WritePng(path_, sheet_, error); }
  std::string Description() const override { return path_; }

 private:
  static constexpr int kGutter = 2;
  std::string path_;
  int columns_;
  host::RgbaImage sheet_;
};

// Raw RGBA frames piped into ffmpeg, which encodes them as they come.
class VideoSink final : public FrameSink {
 public:
  VideoSink(std::string path, std::FILE* pipe) : path_(std::move(path)), pipe_(pipe) {}
  ~VideoSink() override {
    if (pipe_ != nullptr) CloseWritePipe(pipe_);
  }
  bool Write(const host::RgbaImage& frame, int, std::string& error) override {
    if (std::fwrite(frame.pixels.data(), 1, frame.pixels.size(), pipe_) != frame.pixels.size()) {
      error = "ffmpeg stopped taking frames for '" + path_ + "'";
      return false;
    }
    return true;
  }
  bool Finish(std::string& error) override {
    const int status = CloseWritePipe(pipe_);
    pipe_ = nullptr;
    if (status != 0) {
      error = "ffmpeg could not write '" + path_ + "' (exit status " + std::to_string(status) +
              ")";
      return false;
    }
    return true;
  }
  std::string Description() const override { return path_; }

 private:
  std::string path_;
  std::FILE* pipe_;
};

std::unique_ptr<FrameSink> MakeVideoSink(const OutputRequest& request,
                                         const std::string& extension, std::string& error) {
  const std::string ffmpeg = FindProgram("ffmpeg");
  if (ffmpeg.empty()) {
    error = "writing '" + request.path +
            "' needs ffmpeg, which is not installed; write PNGs instead (-o FOLDER or -o FILE.png)";
    return nullptr;
  }
  char rate[32];
  std::snprintf(rate, sizeof rate, "%g", request.fps);
  // OpenGL's rows run bottom-up but the frames arrive top row first already.
  std::string filters;
  if (extension == ".gif") {
    filters = " -vf \"split[a][b];[a]palettegen[p];[b][p]paletteuse\"";
  } else {
    // Most players need 4:2:0 chroma, which needs even sides.
    filters = " -vf \"pad=ceil(iw/2)*2:ceil(ih/2)*2\" -pix_fmt yuv420p";
  }
  const std::string command = ShellQuote(ffmpeg) + " -hide_banner -loglevel error -y" +
                              " -f rawvideo -pix_fmt rgba -s " + std::to_string(request.width) +
                              "x" + std::to_string(request.height) + " -r " + rate + " -i -" +
                              filters + " " + ShellQuote(request.path);
  std::FILE* pipe = OpenWritePipe(command);
  if (pipe == nullptr) {
    error = "cannot start ffmpeg for '" + request.path + "'";
    return nullptr;
  }
  return std::make_unique<VideoSink>(request.path, pipe);
}

}  // namespace

std::unique_ptr<FrameSink> MakeFrameSink(const OutputRequest& request, std::string& error) {
  const std::string extension = LowerExtension(request.path);
  const bool video = extension == ".mp4" || extension == ".gif" || extension == ".webm" ||
                     extension == ".mov" || extension == ".mkv";
  std::error_code ignored;
  const fs::path parent = fs::path(request.path).parent_path();
  if (extension == ".png" || video) {
    if (!parent.empty() && !fs::is_directory(parent, ignored)) {
      error = "cannot write '" + request.path + "': folder '" + parent.string() +
              "' does not exist";
      return nullptr;
    }
  }
  if (request.sheetColumns > 0) {
    if (extension != ".png") {
      error = "a contact sheet is written as one .png file, not '" + request.path + "'";
      return nullptr;
    }
    const long long columns = std::min(request.sheetColumns, request.frames);
    const long long rows = (request.frames + columns - 1) / columns;
    if (columns * request.width > kMaximumSheetSide || rows * request.height > kMaximumSheetSide) {
      error = "the contact sheet would be larger than " + std::to_string(kMaximumSheetSide) +
              " pixels on a side; use fewer frames, a smaller --size or other --sheet columns";
      return nullptr;
    }
    return std::make_unique<ContactSheetSink>(request.path, request);
  }
  if (extension == ".png") {
    if (request.frames != 1) {
      error = "'" + request.path + "' holds one frame; for " + std::to_string(request.frames) +
              " frames name a folder or add --sheet COLUMNS";
      return nullptr;
    }
    return std::make_unique<PngFileSink>(request.path);
  }
  if (video) return MakeVideoSink(request, extension, error);

  const fs::path folder(request.path);
  std::error_code made;
  fs::create_directories(folder, made);
  if (made || !fs::is_directory(folder, ignored)) {
    error = "cannot create output folder '" + request.path + "'";
    return nullptr;
  }
  return std::make_unique<FolderSink>(folder);
}

}  // namespace cli
