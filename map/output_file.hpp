// The outputs of karven-map (figure, grid, table): refused where they
// would replace what is not a regular file, one of the run's inputs or a
// file the toolkit's runs read by its fixed name; written under a
// temporary name beside the destination and renamed onto it only once
// complete, so that a failed or interrupted run leaves an earlier file as
// it was and no partial one.
#pragma once

#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace field_map {

/// An output cannot be written where it is asked to go; the message names
/// it and says why.
class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// Refuses an output that exists and is not a regular file (a directory, a
/// FIFO, a device), that is one of the inputs (compared by file identity,
/// so that a link or another spelling of an input is refused too), or that
/// is named KARVEN_coeff.inp or psvc_karven.eu.26.dat, the files that
/// karven reads and writes by those names.
///
/// @param[in] what    the output as messages name it, e.g. "the grid"
/// @param[in] output  the destination
/// @param[in] inputs  the run's input files
/// @throws OutputError "the grid cube.nc ...: reason"
void check_output(std::string_view what, const std::filesystem::path& output,
                  std::span<const std::filesystem::path> inputs);

/// A new file beside its destination, under a hidden temporary name
/// (".NAME.XXXXXX"), renamed onto the destination by commit() and removed
/// if the object goes without it.
class PendingFile {
 public:
  /// @param[in] what         the output as messages name it, e.g. "the table"
  /// @param[in] destination  where the file goes
  /// @throws OutputError when the file cannot be made in that directory
  PendingFile(std::string_view what, std::filesystem::path destination);
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  /// The temporary file, for a writer that opens it by name (netCDF).
  const std::filesystem::path& path() const { return temporary_; }

  /// Appends bytes to the temporary file.
  ///
  /// @throws OutputError "cannot write the table out.csv: No space left on device"
  void write(std::string_view bytes);

  /// Makes the file readable as a new file would be, flushes it to the
  /// disk and renames it onto the destination.
  ///
  /// @throws OutputError when that fails; the temporary file is then removed
  void commit();

  /// The message for a failure while writing: "cannot write WHAT DESTINATION: reason".
  std::string failure(std::string_view reason) const;

 private:
  std::string what_;
  std::filesystem::path destination_;
  std::filesystem::path temporary_;
  int descriptor_ = -1;
  bool committed_ = false;
};

}  // namespace field_map
