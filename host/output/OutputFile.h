// A file written under a temporary name in its final folder and renamed into
// place only when complete, so an output is whole or absent: a failure, a
// crash or Ctrl-C removes the temporary and leaves any earlier file alone.
#pragma once

#include <string>

namespace cli {

class OutputFile {
 public:
  explicit OutputFile(std::string path);
  ~OutputFile();  // removes the temporary unless committed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Where to write: ".NAME.PID.partial" beside the final name.
  const std::string& TemporaryPath() const { return temporary_; }
  const std::string& Path() const { return path_; }
  // Renames the finished temporary to the final name; false with the reason.
  bool Commit(std::string& error);

 private:
  std::string path_;
  std::string temporary_;
  int slot_ = -1;
  bool committed_ = false;
};

}  // namespace cli
