// Builds without libpng (the Windows cross builds, where Debian has no
// libpng for mingw): every PNG request fails with a clear reason.
#include "host/PngImage.h"

namespace host {

bool ReadPng(const std::string& path, RgbaImage&, std::string& error) {
  error = "cannot read image '" + path + "': this build has no PNG support";
  return false;
}

bool WritePng(const std::string& path, const RgbaImage&, std::string& error) {
  error = "cannot write '" + path + "': this build has no PNG support";
  return false;
}

}  // namespace host
