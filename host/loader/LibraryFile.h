// A plugin file checked before the loader maps it: a library caught half
// written (a rebuild in progress) would otherwise be mapped with pages past
// the file's end, and the loader dies touching them (SIGBUS) instead of
// failing. Per platform (LibraryFile_posix.cpp: ELF; LibraryFile_win32.cpp:
// the Windows loader checks this itself).
#pragma once

#include <string>

namespace host {

// False with a reason ("the file is truncated: ...") when the file's own
// headers place what must be mapped beyond its end. A file that is not a
// library at all passes, for the loader to refuse with its own words.
bool LibraryFileIsWhole(const std::string& path, std::string& reason);

}  // namespace host
