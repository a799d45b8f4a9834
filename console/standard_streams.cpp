#include "console/standard_streams.hpp"

#include <fcntl.h>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cerrno>

namespace console {

namespace {

#ifdef _WIN32
bool is_open(int fd) { return _get_osfhandle(fd) != -1; }
int open_null(int flags) { return _open("NUL", flags | _O_BINARY); }
#else
bool is_open(int fd) { return fcntl(fd, F_GETFD) != -1 || errno != EBADF; }
int open_null(int flags) { return open("/dev/null", flags); }
#endif

}  // namespace

bool open_standard_streams() {
  // Descriptors are handed out lowest first, so opening the null device
  // while 0, 1 or 2 is closed fills exactly that number; done in order, each
  // closed one is filled by its own call.
  for (int fd = 0; fd <= 2; ++fd) {
    if (is_open(fd)) continue;
    const int opened = open_null(fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened != fd) return false;
  }
  return true;
}

}  // namespace console
