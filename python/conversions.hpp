// What every part of the Python module shares: the refusal of objects made
// without the module, the errors it raises, read-only numpy arrays, and
// the reading of Python's numbers as the libraries' arguments.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace py = pybind11;
using namespace pybind11::literals;

// An object of the module's classes that Python made without the module
// (by Curve.__new__(Curve) without a constructor) holds no value: pybind11
// would hand out uninitialised storage for it. Each class of the module
// (marked by a member made_by_module) refuses such an object with
// TypeError wherever it is taken: as self, as an argument, as a base.
namespace pybind11::detail {
template <class T>
class type_caster<T, std::void_t<typename T::made_by_module>> : public type_caster_base<T> {
 public:
  bool load(handle source, bool convert) {
    if (this->typeinfo && source && PyObject_TypeCheck(source.ptr(), this->typeinfo->type) &&
        !reinterpret_cast<instance*>(source.ptr())->get_value_and_holder().holder_constructed()) {
      throw type_error(std::string("this ") + Py_TYPE(source.ptr())->tp_name +
                       " was made without the module (by __new__ alone) and holds nothing");
    }
    return type_caster_base<T>::load(source, convert);
  }
};
}  // namespace pybind11::detail

namespace karven_python {

// A bad argument: raised as ValueError with the message as it stands.
class InputError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

[[noreturn]] void raise(PyObject* type, const std::string& message);
[[noreturn]] void raise_file_error(const std::string& message);

// Results are read-only: a curve's arrays are not what dating takes (it
// keeps the reader's own values), so writing into them must not seem to
// change the curve.
template <class T>
py::array_t<T> frozen(py::array_t<T> array) {
  array.attr("setflags")("write"_a = py::bool_(false));
  return array;
}

// Made empty, then filled: pybind11's copying constructor leaves the array
// null when numpy cannot copy (out of memory), where this raises
// MemoryError.
template <class T>
py::array_t<T> frozen(const std::vector<T>& values) {
  py::array_t<T> array(static_cast<py::ssize_t>(values.size()));
  std::copy(values.begin(), values.end(), array.mutable_data());
  return frozen(std::move(array));
}

py::array_t<std::int64_t> year_grid(int first_year, std::size_t count);
void check_signals();
std::optional<double> optional_number(py::handle value, const char* name);
double number(py::handle value, const char* name);
std::vector<double> hpd_levels(py::handle levels);
py::object optional_value(const std::optional<double>& value);

}  // namespace karven_python
