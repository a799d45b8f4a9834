// Coefficient files for the tests: the demonstration file shipped with
// the program, rows changed on purpose, the worked example's row.
#pragma once

#include <array>
#include <charconv>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/coefficients.hpp"
#include "testsupport/testsupport.hpp"

namespace driver_test {

using Row = std::array<double, 20>;

/// The rows of the demonstration coefficient file.
inline std::vector<Row> demo_rows() {
  std::ifstream in(KARVEN_DEMO_COEFFICIENTS);
  std::vector<Row> rows(driver::N_EPOCHS);
  for (Row& row : rows) {
    for (double& value : row) in >> value;
  }
  return rows;
}

/// The worked example's row: U = 50, its nine coefficients, sigma_U = 1,
/// s_1 = 0.01 and s_2..s_9 = 0.005.
inline Row worked_example_row() {
  return {50.0, -1.0, 0.4,   -0.05, -0.02, -0.03, -0.01, -0.005, -0.002, 0.003,
          1.0,  0.01, 0.005, 0.005, 0.005, 0.005, 0.005, 0.005,  0.005,  0.005};
}

/// The rows as a coefficient file, twenty numbers to a line, each written
/// so that it reads back to the same double.
inline std::string coefficient_text(const std::vector<Row>& rows) {
  std::string text;
  for (const Row& row : rows) {
    for (std::size_t p = 0; p < row.size(); ++p) {
      char buffer[32];
      const auto end = std::to_chars(buffer, buffer + sizeof buffer, row[p]).ptr;
      text.append(buffer, end);
      text += (p + 1 == row.size()) ? '\n' : ' ';
    }
  }
  return text;
}

inline void write_coefficients(const std::vector<Row>& rows) {
  testsupport::write_file(driver::COEFFICIENT_FILE_NAME, coefficient_text(rows));
}

}  // namespace driver_test
