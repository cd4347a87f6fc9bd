// SPDX-License-Identifier: MIT
// The pieces of the vexal._vexal extension, written on CPython's documented
// C API: each file defines its types and functions and adds them to the
// module in the order module.cpp calls them. The types are heap types made
// with PyType_FromSpec, kept in globals for the life of the process.
//
// Inside the extension a failed CPython call throws `python_error` (the
// Python error is then set) and the library throws its own exceptions; every
// entry point turns both into a Python error with `set_error`.
#ifndef VEXAL_PYTHON_BINDINGS_HPP
#define VEXAL_PYTHON_BINDINGS_HPP

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "vexal/limits.hpp"
#include "vexal/payload.hpp"

namespace vexal_python {

/// Thrown where a CPython call failed and the Python error is set.
struct python_error {};

/// An owned reference, released when it goes out of scope.
class owned {
 public:
  owned() = default;
  /// Takes `object` over; throws python_error for null (a failed call).
  explicit owned(PyObject* object) : object_(object) {
    if (!object_) throw python_error();
  }
  ~owned() { Py_XDECREF(object_); }
  owned(owned&& other) noexcept : object_(other.release()) {}
  owned& operator=(owned&& other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  owned(const owned&) = delete;
  owned& operator=(const owned&) = delete;

  PyObject* get() const { return object_; }
  PyObject* release() { return std::exchange(object_, nullptr); }

 private:
  PyObject* object_ = nullptr;
};

/// Sets the Python error for the C++ exception being handled: std::bad_alloc
/// becomes MemoryError, a python_error keeps the error already set (the
/// library's refusals are raised from their error codes, errors.hpp), and
/// anything else is a SystemError.
void set_error() noexcept;

/// Runs `body` and returns what it returns, or `failed` with the Python
/// error set when it throws (see set_error).
template <typename Body, typename Result>
Result guarded(Body&& body, Result failed) noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    set_error();
    return failed;
  }
}

/// A heap type made from `definition` and added to `module` under its
/// short name.
PyTypeObject* add_type(PyObject* module, PyType_Spec& definition);

/// Binds a METH_FASTCALL | METH_KEYWORDS call's arguments to `names`, the
/// first `positional` of which may come by position and the rest by
/// keyword only; absent ones are left null. Throws python_error (TypeError)
/// for anything else.
void bind_arguments(const char* function, PyObject* const* args,
                    Py_ssize_t nargsf, PyObject* keywords,
                    std::initializer_list<const char*> names,
                    Py_ssize_t positional, PyObject** out);

/// The arguments of parse() and parse_view(): (source, offset=0, *,
/// limits=None), unlimited when no limits are given.
struct parse_arguments {
  PyObject* source = nullptr;
  size_t offset = 0;
  kelvo::vexal_limits limits = kelvo::vexal_limits::unlimited();
};
/// Binds them as bind_arguments does, `source` named `source_name`.
parse_arguments bind_parse_arguments(const char* function,
                                     const char* source_name,
                                     PyObject* const* args, Py_ssize_t nargsf,
                                     PyObject* keywords);

/// What parse() and parse_view() return: (`parsed`, `end`), or (None, end)
/// for a null `parsed`; takes `parsed` over.
PyObject* parse_result(PyObject* parsed, size_t end);

/// `object` as a size_t (OverflowError for a negative or too large int).
size_t to_size(PyObject* object);

// error.cpp: vexal.Error, LimitError, TruncatedError and ErrorCode.
void define_errors(PyObject* module);

// enums.cpp: vexal.Format and vexal.Compression.
void define_enums(PyObject* module);
/// Adds the enum.IntEnum `name` with `members` (name, value) to `module`
/// and returns a dict of its members by value, kept for the process.
PyObject* add_int_enum(PyObject* module, const char* name, const char* doc,
                       const std::vector<std::pair<const char*, int>>& members);
/// The member of Format / Compression for `value`, or a plain int.
PyObject* format_object(kelvo::vexal_part_payload::format value);
PyObject* compression_object(kelvo::vexal_part_payload::compression value);
/// Any int that fits 32 bits, stored unchecked as the library does.
int32_t to_code(PyObject* object);

// limits.cpp: vexal.Limits.
void define_limits(PyObject* module);
/// The limits of a vexal.Limits or None (`otherwise`); TypeError else.
kelvo::vexal_limits limits_of(PyObject* object, kelvo::vexal_limits otherwise);

// part.cpp: vexal.Part.
void define_part(PyObject* module);

// message.cpp: vexal.Message and vexal.parse.
void define_message(PyObject* module);

// view.cpp: vexal.parse_view, MessageView and PartView.
void define_view(PyObject* module);

// reader.cpp: vexal.Reader, WireMessage and WirePart.
void define_reader(PyObject* module);

}  // namespace vexal_python

#endif  // VEXAL_PYTHON_BINDINGS_HPP
