// Files by UTF-8 path, and the operating system's reasons when they fail,
// the same way on every platform the host builds for (OpenFile_posix.cpp,
// OpenFile_win32.cpp).
#pragma once

#include <cstdio>
#include <string>

namespace host {

// A FILE* opened from a UTF-8 path, or null with the system's reason in
// `reason` when given. On Windows a file open for writing can still be
// deleted, so an interrupted write can be removed at once.
std::FILE* OpenFile(const std::string& path, const char* mode, std::string* reason = nullptr);
// Renames `from` to `to`, replacing any file there; false with the reason.
bool RenameOver(const std::string& from, const std::string& to, std::string& reason);
// The system's words for an error code (errno, GetLastError).
std::string SystemErrorText(unsigned long code);

}  // namespace host
