#include "driver/coefficients.hpp"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "console/fields.hpp"
#include "console/numbers.hpp"

namespace driver {

namespace {

CoefficientTable& table() {
  static CoefficientTable record;
  return record;
}

std::size_t position(int i, int column) {
  return static_cast<std::size_t>(i - 1) * COEFFICIENT_COLUMNS +
         static_cast<std::size_t>(column - 1);
}

// A message names the file as read_coefficient_file shows it.
[[noreturn]] void fail(const std::string& file_name, const std::string& what) {
  throw CoefficientFileError("the coefficient file " + file_name + " " + what);
}

struct FileCloser {
  // Opened for reading only: nothing is lost if closing fails.
  void operator()(std::FILE* file) const { (void)std::fclose(file); }
};

// Splits the file into number tokens as it is read, chunk by chunk, and
// stops at the end of the last number needed.
class TokenReader {
 public:
  TokenReader(std::FILE* file, std::string file_name)
      : file_(file), file_name_(std::move(file_name)) {}

  // The next token, or false at the end of the file. A comma that follows
  // another comma, or starts the file, stands for an empty field: the
  // start of the file counts as a comma.
  bool next(std::string& token, bool& cut) {
    token.clear();
    cut = false;
    const bool after_digit_and_comma = ended_by_comma_after_digit_;
    ended_by_comma_after_digit_ = false;
    int c = get();
    if (after_digit_and_comma && c >= '0' && c <= '9') digit_comma_digit_ = true;
    for (;; c = get()) {
      if (c == ',') {
        if (comma_pending_ && !lenient_) {
          fail(file_name_, (first_token_ ? "has an empty field before its first comma at line "
                                         : "has an empty field between two commas at line ") +
                               line_text());
        }
        comma_pending_ = true;
      } else if (!is_blank(c)) {
        break;
      }
    }
    if (c == EOF) return false;
    comma_pending_ = false;
    first_token_ = false;
    token_line_ = line_;
    for (; c != EOF && c != ',' && !is_blank(c); c = get()) {
      if (token.size() < MAX_TOKEN) {
        token += static_cast<char>(c);
      } else {
        cut = true;  // an absurdly long token: only its start is kept
      }
    }
    if (c == ',') {
      comma_pending_ = true;
      ended_by_comma_after_digit_ = token.back() >= '0' && token.back() <= '9';
    }
    return true;
  }

  long token_line() const { return token_line_; }

  // A comma has stood between two digits, as a decimal comma does.
  bool digit_comma_digit_seen() const { return digit_comma_digit_; }

  // From now on nothing is an error: what follows the numbers of the
  // model is only looked at, and a read error ends it like the file's end.
  void tolerate_anything() { lenient_ = true; }

 private:
  static constexpr std::size_t MAX_TOKEN = 64;
  static constexpr std::size_t CHUNK = 1 << 16;

  static bool is_blank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

  std::string line_text() const { return std::to_string(line_); }

  int get() {
    if (next_ == end_) {
      const std::size_t n = std::fread(buffer_.get(), 1, CHUNK, file_);
      if (n == 0) {
        if (std::ferror(file_) && !lenient_) {
          fail(file_name_, std::string("cannot be read: ") + std::strerror(errno));
        }
        return EOF;
      }
      next_ = buffer_.get();
      end_ = next_ + n;
      if (at_start_) {
        at_start_ = false;
        // A byte order mark, as editors on Windows write it, is no text.
        if (n >= 3 && std::memcmp(next_, "\xEF\xBB\xBF", 3) == 0) next_ += 3;
        if (next_ == end_) return get();
      }
    }
    const int c = static_cast<unsigned char>(*next_++);
    if (c == '\n') ++line_;
    return c;
  }

  std::FILE* file_;
  std::string file_name_;
  std::unique_ptr<char[]> buffer_{new char[CHUNK]};
  char* next_ = nullptr;
  char* end_ = nullptr;
  long line_ = 1;
  long token_line_ = 1;
  bool comma_pending_ = true;
  bool first_token_ = true;
  bool at_start_ = true;
  bool lenient_ = false;
  bool ended_by_comma_after_digit_ = false;
  bool digit_comma_digit_ = false;
};

// A number of the file (k from 0) as written, and its line, read again
// from the start: only a report on a broken row needs them, so a complete
// read keeps neither.
std::pair<std::string, long> number_text_and_line(std::FILE* file, const std::string& name,
                                                  std::size_t k) {
  std::rewind(file);
  TokenReader again(file, name);
  std::string token;
  bool cut = false;
  for (std::size_t n = 0; n <= k; ++n) (void)again.next(token, cut);
  return {token, again.token_line()};
}

// The first column (1 to 20) of a row that breaks the model's structure,
// or 0: the intensity scale within the range of a geomagnetic field, its
// error not negative and not above the scale, the errors of the relative
// coefficients from 0 to MAX_COEFFICIENT_ERROR. Any number moved by one
// place into another column breaks it: an intensity scale that takes the
// place of an error is far above MAX_COEFFICIENT_ERROR, and a relative
// coefficient or an error that takes the scale's place is far below
// MIN_SCALE.
int broken_column(const double* row) {
  if (!(row[0] >= MIN_SCALE && row[0] <= MAX_SCALE)) return 1;
  if (!(row[10] >= 0.0 && row[10] <= row[0])) return 11;
  for (int p = 12; p <= COEFFICIENT_COLUMNS; ++p) {
    if (!(row[p - 1] >= 0.0 && row[p - 1] <= MAX_COEFFICIENT_ERROR)) return p;
  }
  return 0;
}

// What an error column (11 to 20) holds, for a report.
std::string column_name(int column) {
  if (column == 11) return "the error of the intensity scale";
  return "the error of c" + std::to_string(column - 11);
}

// How a value breaks the structure in its column, as broken_column found.
std::string what_breaks(int column, double value) {
  if (column == 1) {
    return value > 0.0 ? "an intensity scale outside the range of a geomagnetic field (" +
                             console::fixed_text(MIN_SCALE, 0) + " to " +
                             console::fixed_text(MAX_SCALE, 0) + " microtesla)"
                       : std::string("an intensity scale that is not positive");
  }
  if (value < 0.0) return "a negative error";
  if (column == 11) return "an error of the intensity scale above the scale itself";
  return "an error of a relative coefficient above " +
         console::fixed_text(MAX_COEFFICIENT_ERROR, 1);
}

// Whether the rows from row i to the last keep the structure when read
// `shift` numbers later (earlier when negative). Numbers too many leave
// as many after the 7620th, which the last rows then take. Only shifts by
// one number are tried: larger ones the checks cannot tell apart.
bool rows_fit(const std::vector<double>& numbers, int i, long shift) {
  const long first = static_cast<long>(position(i, 1)) + shift;
  if (first < 0 || static_cast<std::size_t>(COEFFICIENT_COUNT + shift) > numbers.size()) {
    return false;
  }
  for (int row = i; row <= N_EPOCHS; ++row) {
    const auto start = static_cast<std::size_t>(first) + position(row, 1) - position(i, 1);
    if (broken_column(&numbers[start]) != 0) return false;
  }
  return true;
}

// What most likely moved the numbers of a file whose row i breaks the
// structure: a year before each row, decimal commas, or one number too
// many or missing, where reading the rows from i on one number later or
// earlier makes them fit; otherwise every cause that moves numbers.
std::string likely_shift(const std::vector<double>& numbers, int i, bool decimal_commas) {
  const auto at = [&](int k) { return numbers[static_cast<std::size_t>(k)]; };
  if (at(0) == 0.0 && at(COEFFICIENT_COLUMNS + 1) == 5.0 &&
      at(2 * (COEFFICIENT_COLUMNS + 1)) == 10.0) {
    return "seem shifted by a year before each row: write each row as its " +
           std::to_string(COEFFICIENT_COLUMNS) + " numbers alone";
  }
  if (decimal_commas) {
    return "seem shifted by decimal commas, each of which splits a number in two: write the "
           "numbers with decimal points";
  }
  // One number too many before one missing: a missing one shortens the
  // file, unless it carries a trailer.
  // A number missing in row i moves the next row's scale into its last
  // column: the rows after it fit, read one number earlier.
  for (const long shift : {1L, -1L}) {
    if (rows_fit(numbers, i, shift) || (i < N_EPOCHS && rows_fit(numbers, i + 1, shift))) {
      return std::string("seem shifted by one number ") + (shift > 0 ? "too many" : "missing") +
             " at or before this row";
    }
  }
  return "may be shifted (a missing or extra number, a year column, decimal commas)";
}

// A file to be read must be a regular file: a pipe would wait for a
// writer and a device such as /dev/zero would never end.
void refuse_other_than_regular_file(const std::filesystem::path& path, const std::string& name) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_type type = fs::status(path, error).type();
  switch (type) {
    case fs::file_type::directory:
      fail(name, std::string("cannot be read: ") + std::strerror(EISDIR));
    case fs::file_type::fifo:
      fail(name, "is a pipe, not a regular file");
    case fs::file_type::character:
    case fs::file_type::block:
      fail(name, "is a device, not a regular file");
    case fs::file_type::socket:
    case fs::file_type::unknown:
      fail(name, "is not a regular file");
    default:
      break;  // a regular file, or none: opening it says what is wrong
  }
}

}  // namespace

const CoefficientTable& coefficient_table() { return table(); }

void reset_coefficient_table() { table() = {}; }

void set_coefficient_table(const CoefficientTable& loaded) { table() = loaded; }

double scale(int i) { return table().values[position(i, 1)]; }
double coef(int i, int j) { return table().values[position(i, 1 + j)]; }
double scale_error(int i) { return table().values[position(i, 11)]; }
double coef_error(int i, int j) { return table().values[position(i, 11 + j)]; }

void load_coefficients() { table() = read_coefficient_file(COEFFICIENT_FILE_NAME); }

CoefficientTable read_coefficient_file(const std::filesystem::path& path) {
  // Any path may be given: shown escaped, so that no byte of it acts on a
  // terminal (the model's fixed name reads as it stands).
  const std::string name = console::shown_text(path.string());
  refuse_other_than_regular_file(path, name);
  CoefficientTable read;
  errno = 0;
  // Binary: the reader takes CR LF line ends itself, and reads the same
  // bytes on every system.
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.string().c_str(), "rb"));
  if (!file) fail(name, std::string("cannot be opened: ") + std::strerror(errno));

  TokenReader reader(file.get(), name);
  std::string token;
  bool cut = false;
  bool any_point = false;
  for (int count = 0; count < COEFFICIENT_COUNT; ++count) {
    if (!reader.next(token, cut)) {
      fail(name, "ends after " + std::to_string(count) + " numbers; it must hold " +
                     std::to_string(COEFFICIENT_COUNT) + " (" + std::to_string(N_EPOCHS) +
                     " rows of " + std::to_string(COEFFICIENT_COLUMNS) + ")");
    }
    const auto value =
        cut ? std::nullopt : console::parse_real(token, console::NumberForm::decimal);
    if (!value) {
      fail(name, "holds something that is not a number at line " +
                     std::to_string(reader.token_line()) + ": " +
                     console::quoted_token(token, cut));
    }
    if (!std::isfinite(*value)) {
      fail(name, "holds a number beyond the range of double precision at line " +
                     std::to_string(reader.token_line()) + ": " +
                     console::quoted_token(token, cut));
    }
    read.values[static_cast<std::size_t>(count)] = *value;
    any_point = any_point || token.find('.') != std::string::npos;
  }

  // Whatever follows is a trailer: its numbers are counted, and the first
  // kept to tell a shift of the numbers by one.
  reader.tolerate_anything();
  std::optional<double> next_number;
  bool next_is_number = true;
  while (reader.next(token, cut)) {
    const auto value =
        cut ? std::nullopt : console::parse_real(token, console::NumberForm::decimal);
    if (value) {
      ++read.ignored_numbers;
      if (next_is_number && !next_number && std::isfinite(*value)) next_number = value;
    }
    next_is_number = false;
  }

  for (int i = 1; i <= N_EPOCHS; ++i) {
    const int column = broken_column(&read.values[position(i, 1)]);
    if (column == 0) continue;
    const std::size_t k = position(i, column);
    const auto [text, line] = number_text_and_line(file.get(), name, k);
    const std::string where =
        "at line " + std::to_string(line) + ": " + console::quoted_token(text, false);
    const std::string row =
        "the row of " + std::to_string(5 * (i - 1)) + " AD, row " + std::to_string(i);
    const std::string broken = "holds " + what_breaks(column, read.values[k]) + " " + where +
                               (column == 1 ? " (column 1 of " + row + ")"
                                            : " (column " + std::to_string(column) + ", " +
                                                  column_name(column) + ", in " + row + ")");
    const bool decimal_commas = reader.digit_comma_digit_seen() && !any_point;
    std::vector<double> numbers(read.values.begin(), read.values.end());
    if (next_number) numbers.push_back(*next_number);
    fail(name, broken + "; the file's numbers " + likely_shift(numbers, i, decimal_commas));
  }
  return read;
}

}  // namespace driver
