// Writing a plugin: a copy of the target's template library with the
// packed description appended, written under a temporary name beside the
// destination and renamed when complete.
#pragma once

#include <string>
#include <vector>

// The template library for `target` ("linux-x86_64", "win32", "win64"):
// the first DIR/TARGET/HelixShaderTemplate.{so,dll} of `templateDirs`, then
// templates/ beside the running program. Empty with `error` when none is.
std::string FindTemplate(const std::string& target, const std::vector<std::string>& templateDirs,
                         std::string& error);

// The file extension of a target's libraries.
const char* LibraryExtension(const std::string& target);

// Writes `destination` from the template and the packed description. A
// file there that ffgl-pack did not make is kept unless `force`.
bool WritePlugin(const std::string& templatePath, const std::vector<unsigned char>& packed,
                 const std::string& destination, bool force, std::string& error);
