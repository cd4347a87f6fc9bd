// SPDX-License-Identifier: MIT
// vexal.Error and how the library's failures reach Python. Every refusal of
// the library (malformed input, an exceeded limit, a value outside its
// enumeration) becomes a vexal.Error, a ValueError, with the library's exact
// text, its code as a member of vexal.ErrorCode (`.code`), the offset of
// the refused message in the buffer or stream (`.offset`; None where there
// is none, as for composing) and that of the field at fault
// (`.field_offset`). LimitError, the subclass for an exceeded limit, is
// chosen from the reader's coarse status of the code. TruncatedError is raised
// by iter_messages for a stream that ends inside a message. std::bad_alloc
// becomes MemoryError. The codes are the library's vexal_errc.
#include <cstring>
#include <exception>
#include <iterator>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "errors.hpp"

namespace vexal_python {
namespace {

PyObject* error_type;
PyObject* limit_error_type;
PyObject* error_codes;  // ErrorCode's members by value

struct code_name {
  error_code code;
  const char* name;
};

constexpr code_name code_names[] = {
    {error_code::input_too_short, "INPUT_TOO_SHORT"},
    {error_code::position_out_of_range, "POSITION_OUT_OF_RANGE"},
    {error_code::unknown_type, "UNKNOWN_TYPE"},
    {error_code::unknown_format, "UNKNOWN_FORMAT"},
    {error_code::unknown_compression, "UNKNOWN_COMPRESSION"},
    {error_code::unknown_type_code, "UNKNOWN_TYPE_CODE"},
    {error_code::unknown_format_code, "UNKNOWN_FORMAT_CODE"},
    {error_code::unknown_compression_code, "UNKNOWN_COMPRESSION_CODE"},
    {error_code::parts_payload_too_long, "PARTS_PAYLOAD_TOO_LONG"},
    {error_code::zlib_failed, "ZLIB_FAILED"},
    {error_code::message_too_long, "MESSAGE_TOO_LONG"},
    {error_code::payload_too_long, "PAYLOAD_TOO_LONG"},
    {error_code::out_of_memory, "OUT_OF_MEMORY"},
    {error_code::compressed_part, "COMPRESSED_PART"},
};
static_assert(std::size(code_names) ==
                  static_cast<size_t>(error_code::compressed_part),
              "one name for every code, in order");

PyObject* new_error_type(PyObject* module, const char* name, const char* doc,
                         PyObject* base) {
  owned attributes(Py_BuildValue("{sOsOsO}", "offset", Py_None, "code", Py_None,
                                 "field_offset", Py_None));
  PyObject* type = PyErr_NewExceptionWithDoc(name, doc, base, attributes.get());
  if (!type ||
      PyModule_AddObject(module, std::strchr(name, '.') + 1, type) != 0) {
    Py_XDECREF(type);
    throw python_error();
  }
  return type;  // the module's reference keeps it for the process
}

}  // namespace

PyObject* make_error(const kelvo::vexal_failure& failure,
                     std::optional<uint64_t> offset, uint64_t field_base) {
  using status = kelvo::vexal_reader::status;
  const status coarse = kelvo::vexal_reader::status_of(failure.code());
  const bool limit =
      coarse == status::message_too_long || coarse == status::payload_too_long;
  // The text as the library gives it, from the failure itself: no second
  // run of a throwing twin.
  owned error(PyObject_CallFunction(limit ? limit_error_type : error_type, "s",
                                    failure.message().c_str()));
  const auto number_or_none = [](std::optional<uint64_t> value) {
    return value ? PyLong_FromUnsignedLongLong(*value)
                 : (Py_INCREF(Py_None), Py_None);
  };
  owned where(number_or_none(offset));
  owned field(number_or_none(
      offset ? std::optional<uint64_t>(field_base + failure.offset())
             : std::nullopt));
  PyObject* member = PyDict_GetItemWithError(
      error_codes,
      owned(PyLong_FromLong(static_cast<long>(failure.code()))).get());
  if (!member) throw python_error();
  if (PyObject_SetAttrString(error.get(), "offset", where.get()) != 0 ||
      PyObject_SetAttrString(error.get(), "field_offset", field.get()) != 0 ||
      PyObject_SetAttrString(error.get(), "code", member) != 0) {
    throw python_error();
  }
  return error.release();
}

void raise_failure(const kelvo::vexal_failure& failure,
                   std::optional<uint64_t> offset, uint64_t field_base) {
  if (failure.code() == error_code::out_of_memory) throw std::bad_alloc();
  owned error(make_error(failure, offset, field_base));
  PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.get())),
                  error.get());
  throw python_error();
}

void set_error() noexcept {
  try {
    throw;
  } catch (const python_error&) {
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::exception& error) {
    // Refusals arrive as failures (raise_failure); any other exception is
    // a fault of the extension.
    PyErr_SetString(PyExc_SystemError, error.what());
  } catch (...) {
    PyErr_SetString(PyExc_SystemError, "unknown C++ exception");
  }
}

void define_errors(PyObject* module) {
  error_type = new_error_type(
      module, "vexal.Error",
      "Malformed input, an exceeded limit or a value outside its "
      "enumeration; the text is the library's own. `code` is its "
      "ErrorCode, `offset` the buffer or stream offset of the refused "
      "message (None where there is none, as for composing), "
      "`field_offset` that of the field at fault.",
      PyExc_ValueError);
  limit_error_type = new_error_type(
      module, "vexal.LimitError",
      "A message or payload over the Limits in force: \"vexal message too "
      "long\" or \"vexal payload too long\".",
      error_type);
  new_error_type(module, "vexal.TruncatedError",
                 "The stream ended inside a message: `offset` is where that "
                 "message starts, `needed` how many more bytes it would take "
                 "at least.",
                 error_type);

  std::vector<std::pair<const char*, int>> members;
  for (const auto& [code, name] : code_names) {
    members.emplace_back(name, static_cast<int>(code));
  }
  error_codes = add_int_enum(module, "ErrorCode",
                             "Why the library refused: the codes of its "
                             "errors, by the same names.",
                             members);
}

}  // namespace vexal_python
