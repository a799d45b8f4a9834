#include "map/output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "driver/coefficients.hpp"
#include "driver/curve_file.hpp"

namespace field_map {

void check_output(std::string_view what, const std::filesystem::path& output,
                  std::span<const std::filesystem::path> inputs) {
  const std::string shown = std::string(what) + " " + output.string();
  const std::string name = output.filename().string();
  if (name == driver::COEFFICIENT_FILE_NAME || name == driver::CURVE_FILE_NAME) {
    throw OutputError(shown + " would replace a file that karven reads or writes by that name; " +
                      "give another name");
  }
  struct stat status {};
  if (stat(output.c_str(), &status) != 0) return;  // a new file
  if (!S_ISREG(status.st_mode)) {
    throw OutputError(shown + " exists and is not a regular file; give the name of a new file " +
                      "or of a file to replace");
  }
  for (const std::filesystem::path& input : inputs) {
    std::error_code ec;
    if (std::filesystem::equivalent(output, input, ec)) {
      throw OutputError(shown + " is the input " + input.string() + "; give another name");
    }
  }
}

PendingFile::PendingFile(std::string_view what, std::filesystem::path destination)
    : what_(what), destination_(std::move(destination)) {
  const std::filesystem::path folder =
      destination_.has_parent_path() ? destination_.parent_path() : std::filesystem::path(".");
  std::string pattern = (folder / ("." + destination_.filename().string() + ".XXXXXX")).string();
  descriptor_ = mkostemp(pattern.data(), O_CLOEXEC);
  if (descriptor_ < 0) throw OutputError(failure(std::strerror(errno)));
  temporary_ = pattern;
}

PendingFile::~PendingFile() {
  if (descriptor_ >= 0) close(descriptor_);
  if (!committed_) {
    std::error_code ignored;
    std::filesystem::remove(temporary_, ignored);
  }
}

std::string PendingFile::failure(std::string_view reason) const {
  return "cannot write " + what_ + " " + destination_.string() + ": " + std::string(reason);
}

void PendingFile::write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) throw OutputError(failure(std::strerror(errno)));
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

void PendingFile::commit() {
  // mkstemp makes the file private; an output is read like any new file.
  const mode_t mask = umask(0);
  umask(mask);
  const int descriptor = descriptor_;
  descriptor_ = -1;
  if (fchmod(descriptor, 0666 & ~mask) != 0 || fsync(descriptor) != 0) {
    const int error = errno;
    close(descriptor);
    throw OutputError(failure(std::strerror(error)));
  }
  if (close(descriptor) != 0) throw OutputError(failure(std::strerror(errno)));
  if (std::rename(temporary_.c_str(), destination_.c_str()) != 0) {
    throw OutputError(failure(std::strerror(errno)));
  }
  committed_ = true;
}

}  // namespace field_map
