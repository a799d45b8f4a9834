// A progress line for a long run of a companion, on standard error.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace companion {

/// A line on standard error that says how far a long run has come,
/// rewritten in place ("\r") as the run goes on. It is shown only when
/// standard error is a terminal (a pipe or a log gets nothing) and, for a
/// run that reports on standard output as it goes, only when standard
/// output is not (a report on the terminal shows its own progress); and
/// only once the run has taken more than a second; it is redrawn four
/// times a second at most, and cleared before a message and at the end.
class Progress {
 public:
  /// Whether the run writes its report on standard output as it goes.
  enum class Report { as_it_goes, at_the_end };

  /// @param[in] program  the command's name, which starts the line
  /// @param[in] report   when the run writes on standard output
  explicit Progress(std::string program, Report report = Report::as_it_goes);
  /// Clears the line.
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  /// Whether the line is to be shown or redrawn now; cheap enough to ask
  /// after every item of the run.
  bool due();

  /// Whether the line is shown at all: for a step of the run that takes
  /// seconds by itself, announced at once.
  bool enabled() const { return enabled_; }

  /// Shows the line, "program: text", in place of the one before.
  void show(std::string_view text);

  /// Blanks the line and puts the cursor at its start, so that a message
  /// can follow; does nothing when no line is shown.
  void clear();

 private:
  using Clock = std::chrono::steady_clock;
  std::string program_;
  bool enabled_ = false;
  Clock::time_point start_;
  Clock::time_point next_;
  std::size_t shown_length_ = 0;  // of the line on the terminal; 0: none
};

}  // namespace companion
