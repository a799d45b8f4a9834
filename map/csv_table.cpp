#include "map/csv_table.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <vector>

#include "console/number_chars.hpp"

namespace field_map {

namespace {

// Longest shortest form of a double, "-2.2250738585072014e-308", with room.
constexpr std::size_t NUMBER_BYTES = 32;

// Writes a number's shortest form at `at`; nothing for a value that is
// not finite. Returns the end.
char* put_number(char* at, double value) {
  if (!std::isfinite(value)) return at;
  return console::to_chars(at, at + NUMBER_BYTES, value).ptr;
}

// The lines of a row of nodes, the years as given and the first
// `quantities` quantities.
void append_rows(std::string& text, const GridAxes& grid, std::size_t row,
                 std::span<const int> years, std::size_t quantities, const CubeRow& values) {
  const std::span<const Quantity> shown = std::span(QUANTITIES).first(quantities);
  const std::span<const int> epochs = years;
  // The node's coordinates are the same for all its epochs: written once.
  std::array<char, NUMBER_BYTES * 2 + 2> node{};
  std::array<char, (NUMBER_BYTES + 1) * (QUANTITIES.size() + 1) + 1> line{};
  const std::size_t longest = node.size() + line.size();
  text.reserve(text.size() + values.column_count * epochs.size() * longest / 3);
  for (std::size_t j = 0; j < values.column_count; ++j) {
    char* end = put_number(node.data(), grid.latitudes[row]);
    *end++ = ',';
    end = put_number(end, grid.longitudes[j]);
    *end++ = ',';
    const std::string_view coordinates(node.data(), static_cast<std::size_t>(end - node.data()));
    for (std::size_t k = 0; k < epochs.size(); ++k) {
      char* at = std::to_chars(line.data(), line.data() + NUMBER_BYTES, years[k]).ptr;
      for (const Quantity quantity : shown) {
        *at++ = ',';
        at = put_number(at, values.at(quantity, k, j));
      }
      *at++ = '\n';
      text += coordinates;
      text.append(line.data(), static_cast<std::size_t>(at - line.data()));
    }
  }
}

}  // namespace

void append_csv_rows(std::string& text, const GridAxes& grid, std::size_t row,
                     std::span<const int> epochs, const CubeRow& values) {
  std::vector<int> years;
  years.reserve(epochs.size());
  for (const int k : epochs) years.push_back(static_cast<int>(model::epoch_year(k)));
  append_rows(text, grid, row, years, QUANTITIES.size(), values);
}

void append_global_csv_rows(std::string& text, const GridAxes& grid, std::size_t row, int year,
                            const CubeRow& values) {
  const std::array<int, 1> years = {year};
  append_rows(text, grid, row, years, GLOBAL_QUANTITIES, values);
}

std::string global_csv_heading(std::string_view source) {
  return "# " + std::string(source) +
         "\n# declination empty at the geographic poles, where north has no direction\n" +
         std::string(GLOBAL_CSV_HEADER);
}

}  // namespace field_map
