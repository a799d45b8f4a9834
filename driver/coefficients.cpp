#include "driver/coefficients.hpp"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

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

// A message names the file as it was given.
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
    int c = get();
    for (;; c = get()) {
      if (c == ',') {
        if (comma_pending_) {
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
    if (c == ',') comma_pending_ = true;
    return true;
  }

  long token_line() const { return token_line_; }

 private:
  static constexpr std::size_t MAX_TOKEN = 64;
  static constexpr std::size_t CHUNK = 1 << 16;

  static bool is_blank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

  std::string line_text() const { return std::to_string(line_); }

  int get() {
    if (next_ == end_) {
      const std::size_t n = std::fread(buffer_.get(), 1, CHUNK, file_);
      if (n == 0) {
        if (std::ferror(file_)) {
          fail(file_name_, std::string("cannot be read: ") + std::strerror(errno));
        }
        return EOF;
      }
      next_ = buffer_.get();
      end_ = next_ + n;
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
};

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
  const std::string name = path.string();
  CoefficientTable read;
  errno = 0;
  // Binary: the reader takes CR LF line ends itself, and reads the same
  // bytes on every system.
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.string().c_str(), "rb"));
  if (!file) fail(name, std::string("cannot be opened: ") + std::strerror(errno));

  TokenReader reader(file.get(), name);
  std::string token;
  bool cut = false;
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
  }
  return read;
}

}  // namespace driver
