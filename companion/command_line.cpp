#include "companion/command_line.hpp"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <iostream>
#include <vector>

#include "console/numbers.hpp"
#include "console/standard_streams.hpp"
#include "karven/version.hpp"

namespace companion {

namespace {

// CLI11's help with the companion's own usage line first, then the
// description, the options and the footer.
class CompanionFormatter : public CLI::Formatter {
 public:
  CompanionFormatter(std::string usage, std::string description)
      : usage_(std::move(usage)), description_(std::move(description)) {}
  std::string make_description(const CLI::App*) const override { return ""; }
  std::string make_usage(const CLI::App*, std::string) const override {
    return usage_ + "\n" + description_;
  }

 private:
  std::string usage_;
  std::string description_;
};

// The option a CLI11 message starts with ("--format: 1 required TEXT
// missing"), or the whole message.
std::string usage_message(const CLI::ParseError& error) {
  std::string text = error.what();
  const std::size_t colon = text.find(": ");
  const std::string option = colon == std::string::npos ? "" : text.substr(0, colon);
  if (option.starts_with('-')) {
    if (text.ends_with("missing")) return "option " + option + " needs a value";
    if (text.find("At Most") != std::string::npos) {
      return "option " + option + " is given more than once";
    }
  }
  return text;
}

}  // namespace

std::unique_ptr<CLI::App> make_app(const std::string& program, const std::string& usage,
                                   const std::string& description, const std::string& footer) {
  auto app = std::make_unique<CLI::App>("", program);
  app->formatter(
      std::make_shared<CompanionFormatter>("Usage: " + program + " " + usage, description));
  app->footer(footer);
  app->allow_extras();
  app->set_help_flag("-h,--help", "print this help and stop");
  app->set_version_flag("--version", program + " " + std::string(karven::VERSION),
                        "print the version and stop");
  app->get_formatter()->column_width(24);
  return app;
}

Parsed parse_command_line(CLI::App& app, std::span<const std::string_view> arguments) {
  // CLI11 takes the arguments last first.
  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    return {true, app.help()};
  } catch (const CLI::CallForVersion& e) {
    return {true, std::string(e.what()) + "\n"};
  } catch (const CLI::ParseError& e) {
    throw UsageError(usage_message(e));
  }
  // What no option took: an unknown option, or a positional too many. A
  // "--" that ended the options is no argument of its own.
  for (const std::string& extra : app.remaining()) {
    if (extra == "--") continue;
    if (extra.starts_with('-') && extra.size() > 1) {
      const std::size_t equals = extra.find('=');
      throw UsageError("unknown option \"" + console::shown_text(extra.substr(0, equals)) + "\"");
    }
    throw UsageError("unexpected argument \"" + console::shown_text(extra) + "\"");
  }
  return {};
}

void report(std::string_view program, std::string_view message) {
  // Line by line, so that a message of several lines (gnuplot's own words)
  // keeps its line breaks.
  std::string shown;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = std::min(message.find('\n', start), message.size());
    shown += console::escaped_text(message.substr(start, end - start), console::Kept::utf8);
    if (end == message.size()) break;
    shown += '\n';
    start = end + 1;
  }
  std::cerr << program << ": " << shown << '\n';
}

int wrong_usage(std::string_view program, std::string_view message) {
  report(program, message);
  std::cerr << "Try '" << program << " --help'.\n";
  return WRONG_USAGE;
}

bool open_standard_streams() {
  const bool output_closed = fcntl(1, F_GETFD) == -1 && errno == EBADF;
  if (!console::open_standard_streams()) return false;
  // What the run writes there reaches no one: a failed write, as to a
  // closed pipe.
  if (output_closed) std::cout.setstate(std::ios::badbit);
  return true;
}

void check_one_standard_output(std::span<const StandardOutputUse> outputs) {
  std::vector<std::string> names;
  for (const StandardOutputUse& output : outputs) {
    if (output.used) names.push_back(output.name);
  }
  if (names.size() < 2) return;
  std::string list = names.front();
  for (std::size_t k = 1; k < names.size(); ++k) {
    list += (k + 1 == names.size() ? " and " : ", ") + names[k];
  }
  throw UsageError(list + (names.size() == 2 ? " both" : " all") +
                   " write to standard output, which can carry only one of them");
}

int finish_output(std::string_view program, int status) {
  std::cout.flush();
  if (!std::cout) {
    report(program, "cannot write to standard output");
    return FAILED;
  }
  return status;
}

}  // namespace companion
