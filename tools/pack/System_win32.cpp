#include <windows.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "tools/pack/System.h"

namespace {

std::string Utf8(const wchar_t* text) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 1) return "";
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], bytes, nullptr, nullptr);
  out.resize(static_cast<std::size_t>(bytes - 1));
  return out;
}

std::wstring Wide(const std::string& text) {
  const int count = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  if (count <= 1) return L"";
  std::wstring out(static_cast<std::size_t>(count), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &out[0], count);
  out.resize(static_cast<std::size_t>(count - 1));
  return out;
}

}  // namespace

std::vector<std::string> Utf8Arguments(int, char**) {
  std::vector<std::string> arguments;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; wide != nullptr && i < count; ++i) arguments.push_back(Utf8(wide[i]));
  LocalFree(wide);
  // Messages hold UTF-8 paths.
  SetConsoleOutputCP(CP_UTF8);
  return arguments;
}

std::string ProgramFolder() {
  wchar_t path[32768];
  const DWORD length = GetModuleFileNameW(nullptr, path, 32768);
  if (length == 0 || length >= 32768) return ".";
  std::string folder = Utf8(path);
  const std::size_t slash = folder.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : folder.substr(0, slash);
}

bool RenameOver(const std::string& from, const std::string& to) {
  return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool ErrorsGoToTerminal() { return _isatty(2) != 0; }

void HoldConsoleOpen() {
  DWORD processes[2];
  // Only this process on the console: Explorer opened it for us, and it
  // closes when we exit.
  if (GetConsoleProcessList(processes, 2) != 1) return;
  std::fputs("Press Enter to close this window.", stderr);
  std::getchar();
}
