#include "python/conversions.hpp"

#include "console/fields.hpp"
#include "dating_rows/rows.hpp"

namespace karven_python {

// --- Errors ----------------------------------------------------------------

[[noreturn]] void raise(PyObject* type, const std::string& message) {
  PyErr_SetString(type, message.c_str());
  throw py::error_already_set();
}

// The readers tell a file that cannot be read (an OSError) from one that is
// not of its kind (a ValueError) only by their messages: the companions'
// readers start "cannot read NAME: reason", the coefficient file's reader
// says "the coefficient file NAME cannot be opened: reason" (or read).
[[noreturn]] void raise_file_error(const std::string& message) {
  const bool unreadable = message.starts_with("cannot read ") ||
                          message.find(" cannot be opened: ") != std::string::npos ||
                          message.find(" cannot be read: ") != std::string::npos ||
                          message.ends_with(" cannot be read") ||
                          message.ends_with("not a regular file") ||
                          message.ends_with(" is not in the toolkit's data folders") ||
                          message.find(" is not found; ") != std::string::npos;
  raise(unreadable ? PyExc_OSError : PyExc_ValueError, message);
}

// --- numpy arrays ----------------------------------------------------------

// The years first_year, first_year + 1, ... as an integer array.
py::array_t<std::int64_t> year_grid(int first_year, std::size_t count) {
  std::vector<std::int64_t> years(count);
  for (std::size_t k = 0; k < count; ++k) years[k] = first_year + static_cast<std::int64_t>(k);
  return frozen(years);
}

// Lets Ctrl-C stop a long loop over sites, years or events: the handler
// Python installed runs here, and its KeyboardInterrupt is raised.
void check_signals() {
  if (PyErr_CheckSignals() != 0) throw py::error_already_set();
}

// --- Arguments ---------------------------------------------------------------

std::optional<double> optional_number(py::handle value, const char* name) {
  if (value.is_none()) return std::nullopt;
  // True is no measured value, though Python counts it as 1.
  if (py::isinstance<py::bool_>(value)) {
    throw py::type_error(std::string(name) + ": expected a number or None, got bool");
  }
  try {
    return value.cast<double>();
  } catch (const py::cast_error&) {
    throw py::type_error(std::string(name) + ": expected a number or None, got " +
                         std::string(py::str(value.get_type().attr("__name__"))));
  }
}

double number(py::handle value, const char* name) {
  const std::optional<double> result = optional_number(value, name);
  if (!result) throw py::type_error(std::string(name) + ": expected a number, got None");
  return *result;
}

// HPD levels: numbers, or one number. Checked by the dating library's own
// rule, so that a bad level is named before anything is dated.
std::vector<double> hpd_levels(py::handle levels) {
  std::vector<double> result;
  if (py::isinstance<py::iterable>(levels) && !py::isinstance<py::str>(levels)) {
    for (py::handle level : levels) result.push_back(number(level, "levels"));
  } else {
    result.push_back(number(levels, "levels"));
  }
  dating_rows::check_levels(result);
  return result;
}

py::object optional_value(const std::optional<double>& value) {
  return value ? py::object(py::float_(*value)) : py::object(py::none());
}

}  // namespace karven_python
