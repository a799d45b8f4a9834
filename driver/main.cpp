#include <span>
#include <string_view>
#include <vector>

#include "console/standard_streams.hpp"
#include "driver/arguments.hpp"
#include "driver/run.hpp"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#endif

int main(int argc, char** argv) {
  // Before any file is opened: a closed standard descriptor would
  // otherwise become the curve file's, and console text would land in it.
  if (!console::open_standard_streams()) return 1;
#ifdef _WIN32
  // The console's bytes are those of every other system: no CR is added
  // before a line end, and none is taken from the answers, which accept
  // CR LF by themselves.
  (void)_setmode(_fileno(stdin), _O_BINARY);
  (void)_setmode(_fileno(stdout), _O_BINARY);
  (void)_setmode(_fileno(stderr), _O_BINARY);
#endif
  const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (const auto answered = driver::answer_arguments(arguments)) return *answered;
  return driver::run_program();
}
