#include "companion/progress.hpp"

#include <unistd.h>

#include <iostream>

#include "console/numbers.hpp"

namespace companion {

namespace {

constexpr std::chrono::milliseconds FIRST_SHOWN{1000};
constexpr std::chrono::milliseconds REDRAWN{250};

}  // namespace

Progress::Progress(std::string program, Report report)
    : program_(std::move(program)),
      enabled_(::isatty(STDERR_FILENO) == 1 &&
               (report == Report::at_the_end || ::isatty(STDOUT_FILENO) != 1)),
      start_(Clock::now()),
      next_(start_ + FIRST_SHOWN) {}

Progress::~Progress() { clear(); }

bool Progress::due() {
  if (!enabled_) return false;
  const Clock::time_point now = Clock::now();
  if (now < next_) return false;
  next_ = now + REDRAWN;
  return true;
}

void Progress::show(std::string_view text) {
  const std::string line = program_ + ": " + console::shown_text(text);
  std::cerr << '\r' << line;
  // Blanks over what a longer line before left.
  if (line.size() < shown_length_) std::cerr << std::string(shown_length_ - line.size(), ' ');
  std::cerr << std::flush;
  shown_length_ = line.size();
}

void Progress::clear() {
  if (shown_length_ == 0) return;
  std::cerr << '\r' << std::string(shown_length_, ' ') << '\r' << std::flush;
  shown_length_ = 0;
}

}  // namespace companion
