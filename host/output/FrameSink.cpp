#include "host/output/FrameSink.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "host/output/FolderLock.h"
#include "host/output/OutputFile.h"
#include "host/output/System.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

// A sheet is for looking at; one this large would only exhaust memory.
constexpr long long kMaximumSheetSide = 16384;

// ffmpeg's name for each container it writes, by extension.
struct VideoFormat {
  const char* extension;
  const char* muxer;
};
constexpr VideoFormat kVideoFormats[] = {
    {".mp4", "mp4"}, {".gif", "gif"}, {".webm", "webm"}, {".mov", "mov"}, {".mkv", "matroska"}};

const char kAccepted[] =
    "a .png file, a folder (a path ending in '/' or an existing folder), or a "
    ".mp4/.gif/.webm/.mov/.mkv video";

std::string LowerExtension(const std::string& path) {
  std::string extension = fs::u8path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

const char* Muxer(const std::string& extension) {
  for (const auto& format : kVideoFormats) {
    if (extension == format.extension) return format.muxer;
  }
  return nullptr;
}

bool WritePngFile(const std::string& path, const host::RgbaImage& picture, std::string& error) {
  OutputFile file(path);
  // The error names the final file, not the temporary.
  if (!host::WritePng(file.TemporaryPath(), picture, error)) {
    const auto at = error.find("': ");
    error = "cannot write '" + path + (at == std::string::npos ? "'" : error.substr(at));
    return false;
  }
  return file.Commit(error);
}

class PngFileSink final : public FrameSink {
 public:
  explicit PngFileSink(std::string path) : path_(std::move(path)) {}
  bool Write(const host::RgbaImage& frame, int, std::string& error) override {
    return WritePngFile(path_, frame, error);
  }
  bool Finish(std::string&) override { return true; }
  std::string Description() const override { return path_; }

 private:
  std::string path_;
};

// frame-NNNNNN.png, the names this sink writes.
bool IsFrameName(const std::string& name) {
  if (name.size() != 16 || name.compare(0, 6, "frame-") != 0 || name.compare(12, 4, ".png") != 0) {
    return false;
  }
  return std::all_of(name.begin() + 6, name.begin() + 12,
                     [](unsigned char c) { return std::isdigit(c); });
}

// The folder ends up holding this render's frames only: earlier frames
// (files named as this sink names them) go before the first new one is
// written; nothing else in the folder is touched.
class FolderSink final : public FrameSink {
 public:
  FolderSink(fs::path folder, std::unique_ptr<FolderLock> lock)
      : folder_(std::move(folder)), lock_(std::move(lock)) {}
  bool Write(const host::RgbaImage& frame, int index, std::string& error) override {
    if (index == 0 && !RemoveEarlierFrames(error)) return false;
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06d.png", index + 1);
    return WritePngFile((folder_ / name).u8string(), frame, error);
  }
  bool Finish(std::string&) override { return true; }
  bool WritesIndependently() const override { return true; }
  std::string Description() const override {
    return (folder_ / "frame-NNNNNN.png").u8string();
  }

 private:
  bool RemoveEarlierFrames(std::string& error) {
    std::error_code failed;
    for (const auto& entry : fs::directory_iterator(folder_, failed)) {
      if (!IsFrameName(entry.path().filename().u8string())) continue;
      if (!fs::remove(entry.path(), failed)) break;
    }
    if (failed) {
      error = "cannot replace the earlier frames in '" + folder_.u8string() + "': " +
              failed.message();
      return false;
    }
    return true;
  }

  fs::path folder_;
  std::unique_ptr<FolderLock> lock_;  // held until the render ends
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
  bool Finish(std::string& error) override { return WritePngFile(path_, sheet_, error); }
  std::string Description() const override { return path_; }

 private:
  static constexpr int kGutter = 2;
  std::string path_;
  int columns_;
  host::RgbaImage sheet_;
};

// Raw RGBA frames piped into ffmpeg, which encodes them as they come into
// a temporary file; renamed when ffmpeg has finished it.
class VideoSink final : public FrameSink {
 public:
  VideoSink(std::unique_ptr<OutputFile> file, std::FILE* pipe)
      : file_(std::move(file)), pipe_(pipe) {}
  ~VideoSink() override {
    if (pipe_ != nullptr) CloseWritePipe(pipe_);
  }
  bool Write(const host::RgbaImage& frame, int, std::string& error) override {
    if (std::fwrite(frame.pixels.data(), 1, frame.pixels.size(), pipe_) != frame.pixels.size()) {
      error = "ffmpeg stopped taking frames for '" + file_->Path() + "'";
      return false;
    }
    return true;
  }
  bool Finish(std::string& error) override {
    const int status = CloseWritePipe(pipe_);
    pipe_ = nullptr;
    if (status != 0) {
      error = "ffmpeg could not write '" + file_->Path() + "' (exit status " +
              std::to_string(status) + ")";
      return false;
    }
    return file_->Commit(error);
  }
  std::string Description() const override { return file_->Path(); }

 private:
  std::unique_ptr<OutputFile> file_;
  std::FILE* pipe_;
};

std::unique_ptr<FrameSink> MakeVideoSink(const OutputRequest& request, std::string& error) {
  const std::string ffmpeg = FindProgram("ffmpeg");
  if (ffmpeg.empty()) {
    error = "writing '" + request.path +
            "' needs ffmpeg, which is not installed; write PNGs instead (-o FOLDER/ or -o FILE.png)";
    return nullptr;
  }
  const std::string extension = LowerExtension(request.path);
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
  auto file = std::make_unique<OutputFile>(request.path);
  // The temporary name has no video extension, so the container is named.
  const std::string command = ShellQuote(ffmpeg) + " -hide_banner -loglevel error -y" +
                              " -f rawvideo -pix_fmt rgba -s " + std::to_string(request.width) +
                              "x" + std::to_string(request.height) + " -r " + rate + " -i -" +
                              filters + " -f " + Muxer(extension) + " " +
                              ShellQuote(file->TemporaryPath());
  std::FILE* pipe = OpenWritePipe(command);
  if (pipe == nullptr) {
    error = "cannot start ffmpeg for '" + request.path + "'";
    return nullptr;
  }
  return std::make_unique<VideoSink>(std::move(file), pipe);
}

}  // namespace

bool ClassifyOutput(OutputRequest& request, std::string& error) {
  const std::string& path = request.path;
  std::error_code ignored;
  const std::string extension = LowerExtension(path);
  if (path == "-") {
    error = "-o - (standard output) is not supported; -o takes " + std::string(kAccepted);
    return false;
  }
  if (IsSeparator(path.back()) || fs::is_directory(fs::u8path(path), ignored)) {
    request.kind = OutputKind::kFolder;
  } else if (extension == ".png") {
    request.kind = request.sheetColumns > 0 ? OutputKind::kSheet : OutputKind::kPng;
  } else if (Muxer(extension) != nullptr) {
    request.kind = OutputKind::kVideo;
  } else {
    error = "-o takes " + std::string(kAccepted) + ", not '" + path + "'";
    return false;
  }
  if (request.sheetColumns > 0 && request.kind != OutputKind::kSheet) {
    error = "a contact sheet is written as one .png file, not '" + path + "'";
    return false;
  }
  if (request.kind == OutputKind::kPng && request.frames != 1) {
    error = "'" + path + "' holds one frame; for " + std::to_string(request.frames) +
            " frames name a folder (ending in '/') or add --sheet COLUMNS";
    return false;
  }
  if (request.kind == OutputKind::kSheet) {
    const long long columns = std::min(request.sheetColumns, request.frames);
    const long long rows = (request.frames + columns - 1) / columns;
    // The 2-pixel gutters between frames count too.
    if (columns * request.width + (columns - 1) * 2 > kMaximumSheetSide ||
        rows * request.height + (rows - 1) * 2 > kMaximumSheetSide) {
      error = "the contact sheet would be larger than " + std::to_string(kMaximumSheetSide) +
              " pixels on a side; use fewer frames, a smaller --size or other --sheet columns";
      return false;
    }
  }
  return true;
}

std::unique_ptr<FrameSink> MakeFrameSink(const OutputRequest& request, std::string& error) {
  std::error_code ignored;
  if (request.kind == OutputKind::kFolder) {
    const fs::path folder = fs::u8path(request.path);
    std::error_code made;
    fs::create_directories(folder, made);
    if (made || !fs::is_directory(folder, ignored)) {
      error = "cannot create output folder '" + request.path + "'" +
              (made ? ": " + made.message() : std::string());
      return nullptr;
    }
    auto lock = FolderLock::Take(request.path, error);
    if (lock == nullptr) return nullptr;
    return std::make_unique<FolderSink>(folder, std::move(lock));
  }
  const fs::path parent = fs::u8path(request.path).parent_path();
  if (!parent.empty() && !fs::is_directory(parent, ignored)) {
    error = "cannot write '" + request.path + "': folder '" + parent.u8string() +
            "' does not exist";
    return nullptr;
  }
  switch (request.kind) {
    case OutputKind::kSheet: return std::make_unique<ContactSheetSink>(request.path, request);
    case OutputKind::kVideo: return MakeVideoSink(request, error);
    default: return std::make_unique<PngFileSink>(request.path);
  }
}

}  // namespace cli
