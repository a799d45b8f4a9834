// The CSV files that users hand to the companions (the samples file of
// karven-date, the sites files of karven-export and karven-map): the
// fields of a row, and the sites file read row by row.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

namespace curve {

/// The fields of one line of a CSV file, or why the line cannot be split.
struct CsvFields {
  std::vector<std::string> fields;
  std::string error;  // empty when the line was split; else "field 2 opens a quote ..."
};

/// Splits one line, without its line end, into its fields. Fields are
/// separated by commas; blanks (spaces and tabs) around a field are
/// dropped; a field in double quotes may hold commas and blanks, and ""
/// stands for a quote inside it. An empty line is one empty field.
///
/// @param[in] line  the line's bytes
/// @return the fields, or the error "field N opens a quote that the line
///         does not close" or "field N has text after its closing quote"
CsvFields split_csv_fields(std::string_view line);

/// Whether a line ends within a quoted field, a quote it opens not being
/// closed: the record then goes on to the next line, the line feed being
/// part of the field, as CSV files write a field of several lines.
bool ends_in_quote(std::string_view line);

/// Joins to a record the lines that its open quote takes in: while the
/// record ends within a quoted field, the next line is read (without a
/// carriage return before its line feed) and added after a line feed.
///
/// @param[in,out] in           the buffer, at the start of the next line
/// @param[in]     max_bytes    the longest record kept whole
/// @param[in,out] record       the record so far, ending within a quote or not
/// @param[out]    too_long     set when the record grows beyond max_bytes
/// @param[in,out] line_number  counts the lines read
void join_quoted_lines(std::streambuf& in, std::size_t max_bytes, std::string& record,
                       bool& too_long, int& line_number);

/// The columns of a sites file, in any order: the site's name, its
/// geodetic latitude and longitude (degrees, north and east positive).
inline constexpr std::array<std::string_view, 3> SITE_COLUMNS = {"name", "lat", "lon"};

/// Longest line of a sites file that is read: a name and two numbers take
/// a few dozen bytes. A longer line is a bad row (a bad header), and only
/// this much of it is ever held.
inline constexpr std::size_t MAX_SITES_LINE_BYTES = 1024;

/// The sites file cannot be used at all: it holds no header, or its
/// header is not one of a sites file. The message names the file and the
/// line.
class SitesFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// One data row of a sites file: the site it holds, or why it holds none.
struct SiteRow {
  int line = 0;            // in the file, the header being line 1
  std::string name;        // as the file holds it, any bytes; may be empty
  double latitude = 0.0;   // geodetic, degrees north; finite
  double longitude = 0.0;  // geodetic, degrees east; finite
  std::string error;       // empty when the row was read; else "line 4, column lat: ..."
                           // or "line 4: ...", without the file's name
};

/// A sites file read row by row, in bounded memory, as the samples file
/// of karven-date is read: the first line that is not blank is the header,
/// naming the columns of SITE_COLUMNS, each once, in any order; each later
/// line that is not blank is a site, its fields split by split_csv_fields;
/// a quoted field may run over several lines (join_quoted_lines), and the
/// row is named by its first.
/// A carriage return before a line end and a UTF-8 byte order mark at the
/// start are ignored. The latitude and longitude are decimal numbers
/// ("48.85", "-3.7", "4.885e1"); whether they lie in a region is the
/// caller's to judge.
///
/// A row that cannot be split, has another number of fields than the
/// header, a coordinate that is not a finite number, or is longer than
/// MAX_SITES_LINE_BYTES is returned with its error, and the rows after it
/// are still read.
class SitesReader {
 public:
  /// Reads the lines up to the header.
  ///
  /// @param[in,out] in    the file's bytes, read while the reader lives (a
  ///                      curve::InputFileBuffer, or a std::stringbuf)
  /// @param[in]     name  the file's name as messages show it
  /// @throws SitesFileError when the text has no header row, or its header
  ///         names an unknown column or one twice, lacks one, or is too long
  /// @throws curve::FileReadError when the file cannot be read
  SitesReader(std::streambuf& in, std::string name);

  /// The next row, or nothing at the end of the file.
  ///
  /// @throws curve::FileReadError when the file cannot be read
  std::optional<SiteRow> next();

 private:
  // The next line that is not blank, or a line too long; false at the end.
  bool next_line();

  std::streambuf& in_;
  std::string name_;
  std::array<std::size_t, SITE_COLUMNS.size()> position_{};  // of each column among the fields
  std::size_t field_count_ = 0;
  std::string line_;
  bool too_long_ = false;
  int line_number_ = 0;
  int first_line_ = 0;  // of the row last read
  bool empty_ = true;   // the file holds no byte but a byte order mark
};

}  // namespace curve
