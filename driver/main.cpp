#include "driver/run.hpp"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#endif

int main() {
#ifdef _WIN32
  // The console's bytes are those of every other system: no CR is added
  // before a line end, and none is taken from the answers, which accept
  // CR LF by themselves.
  (void)_setmode(_fileno(stdin), _O_BINARY);
  (void)_setmode(_fileno(stdout), _O_BINARY);
  (void)_setmode(_fileno(stderr), _O_BINARY);
#endif
  return driver::run_program();
}
