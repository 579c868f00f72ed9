// A stand-in for the programs the shell starts in the shell's tests: appends its command line to
// the file named by TAVREL_SHELL_PROBE_OUT and ends.
#include "platform/win32/Win32Api.h"

#include <cstdio>

int main() {
  char out[MAX_PATH];
  const DWORD n = ::GetEnvironmentVariableA("TAVREL_SHELL_PROBE_OUT", out, sizeof out);
  if (n == 0 || n >= sizeof out) return 1;
  std::FILE* f = std::fopen(out, "ab");
  if (!f) return 1;
  std::fprintf(f, "%s\n", ::GetCommandLineA());
  std::fclose(f);
  return 0;
}
