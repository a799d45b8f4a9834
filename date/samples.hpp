// The samples file of karven-date: a CSV file with a header row naming its
// columns, one measurement per row.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "curve/reference_curve.hpp"
#include "date/radiocarbon_rows.hpp"
#include "dating/dating.hpp"

namespace date {

/// The columns a samples file may have, in any order: the sample's name,
/// declination, inclination and alpha95 (degrees), intensity and its
/// standard deviation (microtesla), the site where it was measured
/// (geodetic latitude and longitude, degrees north and east), the
/// event it belongs to (samples of one event are dated together), and in
/// place of a measurement a radiocarbon age: its 14C age and sigma (14C
/// years BP), its calibration curve (a bundled curve's name or a .14c
/// file's path) and a reservoir offset Delta R with its sigma.
inline constexpr std::array<std::string_view, 14> SAMPLE_COLUMNS = {
    "name", "dec",   "inc",     "a95",       "int",       "sigma_int", "lat",
    "lon",  "event", "c14_age", "c14_sigma", "c14_curve", "delta_r",   "delta_r_sigma"};

/// The column names as messages list them: "name, dec, ..., event".
std::string sample_columns_text();

/// The file cannot be read, or its header is not one of a samples file;
/// the message names the file and the line.
class SamplesFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// Longest line of a samples file that is read: a row of six values and a
/// long name takes a few dozen bytes. A longer line is refused, and only
/// this much of it is ever held.
inline constexpr std::size_t MAX_SAMPLES_LINE_BYTES = 1024;

/// One data row of a samples file: the measurement it holds, or why it
/// holds none.
struct SampleRow {
  int line = 0;                     // in the file, the header being line 1
  dating::Measurement measurement;  // the name "line N" where the row gives none;
                                    // the name as the file holds it, any bytes
  std::optional<curve::Site> site;  // the lat and lon columns, when the row gives both
  std::string event;                // the event column as the file holds it; empty: none
  std::optional<C14Input> c14;      // when a radiocarbon column is given, in place of a
                                    // measurement
  std::string error;                // empty when the row was read; else
                                    // "line 4, column inc: ...", or "line 4: ..."
};

/// A samples file read row by row: the header when the reader is made,
/// then one row at each call, so that a file of any length is read in
/// bounded memory.
///
/// The first line that is not blank is the header: column names from
/// SAMPLE_COLUMNS, each at most once, in any order. Each later line that is
/// not blank is a row with as many fields as the header. Fields are
/// separated by commas; blanks around a field are dropped; a field in
/// double quotes may hold commas and line feeds (a row then runs over
/// several lines, and is named by its first), and "" stands for a quote
/// inside it. An
/// empty field is a missing value; a number is written as a decimal
/// number ("64.5", "-3", "6.1e1"). A carriage return before a line end and
/// a UTF-8 byte order mark at the start are ignored. A line longer than
/// MAX_SAMPLES_LINE_BYTES (counting every byte before its line feed), blank
/// or not, is a bad row, or a bad header.
///
/// A row with the wrong number of fields, a field that is not a number, a
/// latitude outside -90 to 90, a longitude outside -180 to 360, or one of
/// lat and lon without the other, or both a measured value and a
/// radiocarbon value, is returned with its error, and the rows after it
/// are still read.
/// Whether the values make a measurement that can be dated is not checked
/// here (dating::measured_components).
class SamplesReader {
 public:
  /// Reads the lines up to the header.
  ///
  /// @param[in,out] in    the file's bytes, read while the reader lives
  ///                      (a curve::InputFileBuffer, or a std::stringbuf)
  /// @param[in]     name  the file's name as messages show it
  /// @throws SamplesFileError when the text has no header row, or its
  ///         header names an unknown column, a column twice or an empty
  ///         one, or is too long
  /// @throws curve::FileReadError when the file cannot be read
  SamplesReader(std::streambuf& in, std::string name);

  /// Whether the header names a column ("event").
  bool has_column(std::string_view column) const;

  /// The next row, or nothing at the end of the file.
  ///
  /// @throws curve::FileReadError when the file cannot be read
  std::optional<SampleRow> next();

 private:
  // The next line that is not blank, or a line too long; false at the end.
  bool next_line();

  std::streambuf& in_;
  std::string name_;
  std::vector<std::size_t> columns_;  // index into SAMPLE_COLUMNS, by field
  std::string line_;
  bool too_long_ = false;
  int line_number_ = 0;
  int first_line_ = 0;  // of the row last read
  bool empty_ = true;   // the file holds no byte but a byte order mark
};

/// Reads a measured value written as text: a decimal number, blanks around
/// it allowed.
///
/// @return the value, or the reason why the text is none ("expected a
///         number, read \"6x\"", "NaN is not a measured value", ...)
struct ValueReading {
  double value = 0.0;
  std::string error;  // empty when the value was read
};
ValueReading read_value(std::string_view text);

}  // namespace date
