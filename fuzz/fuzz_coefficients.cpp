// Fuzz target: whatever KARVEN_coeff.inp holds, load_coefficients either
// fills the table with the file's first 7620 numbers, counting the numbers
// after them, or throws a CoefficientFileError that names the file and says
// what is wrong: a malformed file, or a row whose intensity scale or one
// of whose ten errors lies outside its bounds.
//
// Each input is written as the coefficient file into a scratch directory
// of this process, made once and left current. The outcome is held against
// a reading of the same bytes made here: the file split into fields at
// blanks and commas after a byte order mark, and each field's value by the
// C library's conversion.

#include <unistd.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "driver/coefficients.hpp"
#include "fuzz/fuzz_support.hpp"

namespace {

using driver::COEFFICIENT_COUNT;

const std::string PREFIX =
    std::string("the coefficient file ") + driver::COEFFICIENT_FILE_NAME + " ";

std::string& scratch_directory() {
  static std::string path;
  return path;
}

void remove_scratch_directory() {
  std::remove(driver::COEFFICIENT_FILE_NAME);
  if (!scratch_directory().empty()) rmdir(scratch_directory().c_str());
}

bool is_blank(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string quoted(std::string_view token, bool cut) { return fuzz::quoted_token(token, cut); }

// What loading the text should give: the values and the count of the
// numbers after them, or the error's text. A row that breaks the model's
// structure is reported with a cause that only the reader judges: its
// report is held against the part that names the row, and against the
// causes it may give.
struct Expected {
  bool loaded = false;
  std::string message;
  bool row_broken = false;  // message holds the report up to the cause
  std::size_t ignored_numbers = 0;
};

// The causes a report on a broken row may give.
bool is_shift_cause(std::string_view cause) {
  return cause ==
             "seem shifted by a year before each row: write each row as its 20 numbers alone" ||
         cause ==
             "seem shifted by decimal commas, each of which splits a number in two: write the "
             "numbers with decimal points" ||
         cause == "seem shifted by one number too many at or before this row" ||
         cause == "seem shifted by one number missing at or before this row" ||
         cause == "may be shifted (a missing or extra number, a year column, decimal commas)";
}

Expected expected_load(std::string_view text, std::array<double, COEFFICIENT_COUNT>& values) {
  Expected e;
  std::size_t at = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  long line = 1;
  static std::array<long, COEFFICIENT_COUNT> lines;
  static std::array<std::string, COEFFICIENT_COUNT> texts;
  // The start of the file counts as a comma: a comma before the first
  // number, like one after another comma, stands for an empty field.
  bool after_comma = true;
  bool at_start = true;
  for (int count = 0; count < COEFFICIENT_COUNT; ++count) {
    for (; at < text.size(); ++at) {
      const auto c = static_cast<unsigned char>(text[at]);
      if (c == ',') {
        if (after_comma) {
          e.message = PREFIX +
                      (at_start ? "has an empty field before its first comma at line "
                                : "has an empty field between two commas at line ") +
                      std::to_string(line);
          return e;
        }
        after_comma = true;
      } else if (is_blank(c)) {
        if (c == '\n') ++line;
      } else {
        break;
      }
    }
    if (at == text.size()) {
      e.message = PREFIX + "ends after " + std::to_string(count) +
                  " numbers; it must hold 7620 (381 rows of 20)";
      return e;
    }
    at_start = false;
    std::size_t end = at;
    while (end < text.size() && text[end] != ',' &&
           !is_blank(static_cast<unsigned char>(text[end]))) {
      ++end;
    }
    const std::string_view token = text.substr(at, end - at);
    const bool cut = token.size() > 64;
    const auto value = cut ? std::nullopt : fuzz::reference_number(token, /*console_form=*/false);
    if (!value) {
      e.message = PREFIX + "holds something that is not a number at line " + std::to_string(line) +
                  ": " + quoted(cut ? token.substr(0, 64) : token, cut);
      return e;
    }
    if (!std::isfinite(*value)) {
      e.message = PREFIX + "holds a number beyond the range of double precision at line " +
                  std::to_string(line) + ": " + quoted(token, false);
      return e;
    }
    values[static_cast<std::size_t>(count)] = *value;
    lines[static_cast<std::size_t>(count)] = line;
    texts[static_cast<std::size_t>(count)] = token;
    // The separator after the number is read with it.
    after_comma = end < text.size() && text[end] == ',';
    if (end < text.size() && text[end] == '\n') ++line;
    at = end < text.size() ? end + 1 : end;
  }

  // After the 7620th number: every field that is a number is counted,
  // whatever stands around it.
  while (at < text.size()) {
    std::size_t end = at;
    while (end < text.size() && text[end] != ',' &&
           !is_blank(static_cast<unsigned char>(text[end]))) {
      ++end;
    }
    const std::string_view field = text.substr(at, end - at);
    if (!field.empty() && field.size() <= 64 && fuzz::reference_number(field, false)) {
      ++e.ignored_numbers;
    }
    at = end + 1;
  }

  // Each row: the scale from 10 to 300 microtesla, its error from 0 to the
  // scale, the errors of the relative coefficients from 0 to 0.5.
  for (int row = 0; row < 381; ++row) {
    const double scale = values[static_cast<std::size_t>(20 * row)];
    for (const int column : {1, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}) {
      const std::size_t k = static_cast<std::size_t>(20 * row + column - 1);
      const double v = values[k];
      const double upper = column == 1 ? 300.0 : column == 11 ? scale : 0.5;
      const double lower = column == 1 ? 10.0 : 0.0;
      if (v >= lower && v <= upper) continue;
      const std::string where =
          "at line " + std::to_string(lines[k]) + ": " + quoted(texts[k], false);
      const std::string epoch =
          "the row of " + std::to_string(5 * row) + " AD, row " + std::to_string(row + 1);
      const std::string what =
          column == 11 ? std::string("the intensity scale") : "c" + std::to_string(column - 11);
      std::string broken;
      if (column == 1) {
        broken = v > 0.0 ? "holds an intensity scale outside the range of a geomagnetic field "
                           "(10 to 300 microtesla) "
                         : "holds an intensity scale that is not positive ";
      } else if (v < 0.0) {
        broken = "holds a negative error ";
      } else {
        broken = column == 11 ? "holds an error of the intensity scale above the scale itself "
                              : "holds an error of a relative coefficient above 0.5 ";
      }
      e.message = PREFIX + broken + where +
                  (column == 1 ? " (column 1 of " + epoch + ")"
                               : " (column " + std::to_string(column) + ", the error of " + what +
                                     ", in " + epoch + ")");
      e.row_broken = true;
      return e;
    }
  }
  e.loaded = true;
  return e;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/fuzz_coefficients-XXXXXX";
  fuzz::check(mkdtemp(pattern.data()) != nullptr, "a scratch directory can be made");
  fuzz::check(chdir(pattern.c_str()) == 0, "the scratch directory can be made current");
  scratch_directory() = pattern;
  std::atexit(remove_scratch_directory);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(driver::COEFFICIENT_FILE_NAME, "wb");
  fuzz::check(file != nullptr, "the coefficient file can be written");
  fuzz::check(std::fwrite(data, 1, size, file) == size && std::fclose(file) == 0,
              "the coefficient file can be written");

  static std::array<double, COEFFICIENT_COUNT> values;
  const Expected expected =
      expected_load(std::string_view(reinterpret_cast<const char*>(data), size), values);

  driver::reset_coefficient_table();
  std::string message;
  bool loaded = false;
  try {
    driver::load_coefficients();
    loaded = true;
  } catch (const driver::CoefficientFileError& e) {
    message = e.what();
  }

  if (loaded) {
    fuzz::check(expected.loaded, "a load succeeds only on a well-formed file");
    const auto& table = driver::coefficient_table().values;
    for (std::size_t k = 0; k < table.size(); ++k) {
      fuzz::check(std::isfinite(table[k]), "a loaded table holds 7620 finite values");
      fuzz::check(fuzz::same_number(table[k], values[k]),
                  "each number of the file lands in its place with its value");
    }
    fuzz::check(driver::coefficient_table().ignored_numbers == expected.ignored_numbers,
                "the numbers after the 7620th are counted");
  } else if (expected.row_broken) {
    const std::string head = expected.message + "; the file's numbers ";
    fuzz::check(message.starts_with(head), "the error names the first broken row and column");
    fuzz::check(message.size() > head.size() && is_shift_cause(message.substr(head.size())),
                "the error gives one of the causes that shift numbers");
  } else {
    fuzz::check(message.starts_with(PREFIX), "the error names the coefficient file");
    fuzz::check(message == expected.message, "the error says what is wrong and where");
  }
  return 0;
}
