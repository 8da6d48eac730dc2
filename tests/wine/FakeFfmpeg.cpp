// A stand-in ffmpeg for the Windows host under Wine: copies the raw frames
// it is fed to its last argument, the output file.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  _setmode(_fileno(stdin), _O_BINARY);
  std::FILE* out = std::fopen(argv[argc - 1], "wb");
  if (out == nullptr) return 1;
  char buffer[65536];
  std::size_t read = 0;
  while ((read = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
    if (std::fwrite(buffer, 1, read, out) != read) return 1;
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
