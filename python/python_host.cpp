#include "python_host.h"

#include <cstdio>
#include <cstring>

namespace python_host {

namespace {

bool holds_numbers_kind(char kind)
{
    return kind == 'b' || kind == 'i' || kind == 'u' || kind == 'f' || kind == 'c';
}

// The class Octave would give values of this dtype. Integers are double
// unless they come from NumPy, an array or a NumPy scalar: Python's own int
// is what a literal is in Octave. Objects are Python numbers (the caller
// checks), read through float().
Holds class_of(const py::dtype &dtype, bool from_numpy)
{
    switch (dtype.kind()) {
    case 'b': return Holds::logical;
    case 'i':
    case 'u': return from_numpy ? Holds::other_numbers : Holds::double_values;
    case 'f': return dtype.itemsize() == 8 ? Holds::double_values : Holds::other_numbers;
    case 'c': return dtype.itemsize() == 16 ? Holds::double_values : Holds::other_numbers;
    case 'O': return Holds::double_values;
    default: return Holds::nothing;
    }
}

bool numpy_scalar(py::handle object)
{
    // numpy.generic, looked up once and held for the interpreter's lifetime.
    static PyObject *generic =
        py::object(py::module_::import("numpy").attr("generic")).release().ptr();
    return PyObject_TypeCheck(object.ptr(), reinterpret_cast<PyTypeObject *>(generic));
}

std::size_t trailing_product(const std::vector<py::ssize_t> &shape)
{
    std::size_t product = 1;
    for (std::size_t d = 1; d < shape.size(); ++d)
        product *= static_cast<std::size_t>(shape[d]);
    return product;
}

// An array of Python objects holds numbers when each element is one (int,
// float, Fraction, Decimal, a NumPy scalar). NumPy itself would read None
// as NaN, and a missing value must not pass for a number.
bool objects_are_numbers(py::array array)
{
    for (py::handle element : py::iter(array.attr("flat")))
        if (!PyNumber_Check(element.ptr()))
            return false;
    return true;
}

// Values as float64, column-major; a complex array gives its real part, as
// a complex double gives mxGetPr's real part in MATLAB and Octave. Text
// never holds numbers.
bool read_values(py::array array, bool from_numpy, Argument &a)
{
    const char kind = array.dtype().kind();
    if (!holds_numbers_kind(kind) && !(kind == 'O' && objects_are_numbers(array)))
        return false;
    py::object source = array;
    if (kind == 'c') {
        a.complex = true;
        source = array.attr("real");
    }
    auto values = py::array_t<double, py::array::f_style | py::array::forcecast>::ensure(source);
    if (!values)
        return false;
    a.holds = class_of(array.dtype(), from_numpy);
    a.data = values.data();
    a.first = a.count > 0 ? a.data[0] : 0.0;
    a.owner = std::move(values);
    return true;
}

void read_dense(py::handle object, Argument &a)
{
    const bool from_numpy = py::isinstance<py::array>(object) || numpy_scalar(object);
    py::array array = py::array::ensure(object);
    if (!array)
        return;  // not even an array of objects: holds no numbers
    a.shape.assign(array.shape(), array.shape() + array.ndim());
    a.count = static_cast<std::size_t>(array.size());
    a.columns = trailing_product(a.shape);
    read_values(array, from_numpy, a);
}

template <class... Values>
std::string text(const char *format, Values... values)
{
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format, values...);
    return buffer;
}

// A sparse matrix's index array, 1-D and contiguous, as Index; false when it
// is not a 1-D array of integers (a float index would be truncated).
template <class Index>
bool index_array(py::handle indices, py::object &owner)
{
    py::array array = py::array::ensure(indices);
    if (!array || array.ndim() != 1 || (array.dtype().kind() != 'i' && array.dtype().kind() != 'u'))
        return false;
    owner = py::array_t<Index, py::array::c_style | py::array::forcecast>::ensure(array);
    return static_cast<bool>(owner);
}

template <class Index>
const Index *index_data(const py::object &owner)
{
    return static_cast<const Index *>(py::array(owner).data());
}

std::size_t length(const py::object &owner)
{
    return static_cast<std::size_t>(py::array(owner).size());
}

// What is wrong with a compressed sparse matrix, or "": one pointer per
// major index (columns in CSC, rows in CSR) and one more, rising from 0 to
// at most the stored entries, as many indices as values, and each stored
// entry's minor index inside the matrix.
template <class Index>
std::string compressed_fault(const Index *pointers, std::size_t pointer_count,
                             const Index *indices, std::size_t index_count,
                             std::size_t value_count, std::size_t major, std::size_t minor,
                             const char *major_name, const char *minor_name)
{
    if (pointer_count != major + 1)
        return text("has %zu %s pointers; its %zu %ss need %zu", pointer_count, major_name, major,
                    major_name, major + 1);
    if (pointers[0] != 0)
        return text("has %s pointer 0 equal to %lld, not 0", major_name,
                    static_cast<long long>(pointers[0]));
    for (std::size_t k = 1; k <= major; ++k)
        if (pointers[k] < pointers[k - 1])
            return text("has %s pointer %zu (%lld) below the one before it (%lld)", major_name, k,
                        static_cast<long long>(pointers[k]),
                        static_cast<long long>(pointers[k - 1]));
    if (index_count != value_count)
        return text("has %zu %s indices but %zu values", index_count, minor_name, value_count);
    const std::size_t stored = static_cast<std::size_t>(pointers[major]);
    if (stored > index_count)
        return text("has a last %s pointer (%zu) beyond its %zu %s indices", major_name, stored,
                    index_count, minor_name);
    for (std::size_t i = 0; i < stored; ++i)
        if (indices[i] < 0 || static_cast<std::size_t>(indices[i]) >= minor)
            return text("has %s index %lld at stored entry %zu, outside [0, %zu)", minor_name,
                        static_cast<long long>(indices[i]), i, minor);
    return {};
}

// The same for a compressed matrix's attributes, before SciPy converts it.
std::string compressed_attributes_fault(py::handle matrix, std::size_t major, std::size_t minor,
                                        const char *major_name, const char *minor_name)
{
    py::object pointers, indices;
    if (!index_array<std::int64_t>(matrix.attr("indptr"), pointers) ||
        !index_array<std::int64_t>(matrix.attr("indices"), indices))
        return "has index arrays that are not 1-D arrays of integers";
    return compressed_fault(index_data<std::int64_t>(pointers), length(pointers),
                            index_data<std::int64_t>(indices), length(indices),
                            static_cast<std::size_t>(py::len(matrix.attr("data"))), major, minor,
                            major_name, minor_name);
}

// What is wrong with a COO matrix, or "": a row and a column inside the
// matrix for each value.
std::string coordinate_fault(py::handle matrix, std::size_t rows, std::size_t columns)
{
    py::object row, column;
    if (!index_array<std::int64_t>(matrix.attr("row"), row) ||
        !index_array<std::int64_t>(matrix.attr("col"), column))
        return "has index arrays that are not 1-D arrays of integers";
    const std::size_t values = static_cast<std::size_t>(py::len(matrix.attr("data")));
    if (length(row) != values || length(column) != values)
        return text("has %zu row indices, %zu column indices and %zu values", length(row),
                    length(column), values);
    const std::int64_t *r = index_data<std::int64_t>(row);
    const std::int64_t *c = index_data<std::int64_t>(column);
    for (std::size_t i = 0; i < values; ++i) {
        if (r[i] < 0 || static_cast<std::size_t>(r[i]) >= rows)
            return text("has row index %lld at stored entry %zu, outside [0, %zu)",
                        static_cast<long long>(r[i]), i, rows);
        if (c[i] < 0 || static_cast<std::size_t>(c[i]) >= columns)
            return text("has column index %lld at stored entry %zu, outside [0, %zu)",
                        static_cast<long long>(c[i]), i, columns);
    }
    return {};
}

// The CSC form's index arrays as Index, kept in a.index_owners, and their
// structure checked: the number of stored entries, or 0 with a.fault set.
template <class Index>
std::size_t checked_csc_indices(Argument &a, const py::array &indices, const py::array &indptr,
                                const py::array &data, std::size_t rows, std::size_t columns)
{
    if (!index_array<Index>(indices, a.index_owners[0]) ||
        !index_array<Index>(indptr, a.index_owners[1])) {
        a.fault = "has index arrays that are not 1-D arrays of integers";
        return 0;
    }
    const auto *starts = index_data<Index>(a.index_owners[1]);
    a.fault = compressed_fault(starts, length(a.index_owners[1]),
                               index_data<Index>(a.index_owners[0]), length(a.index_owners[0]),
                               static_cast<std::size_t>(data.size()), columns, rows, "column",
                               "row");
    return a.fault.empty() ? static_cast<std::size_t>(starts[columns]) : 0;
}

// Any SciPy sparse matrix or array, through its CSC form (a CSC input is
// used as it is). Its stored entries are its pattern, explicit zeros
// included, as scipy's nnz counts them. Nothing reads an index before the
// structure is known to be consistent: a CSR or COO input's before SciPy
// converts it (its conversion trusts them), the CSC form's before the count.
// The input itself is never changed.
void read_sparse(py::handle object, Argument &a)
{
    a.sparse = true;
    const py::tuple shape = object.attr("shape");
    const py::ssize_t m = shape.size() == 2 ? shape[0].cast<py::ssize_t>() : -1;
    const py::ssize_t n = shape.size() == 2 ? shape[1].cast<py::ssize_t>() : -1;
    std::size_t count = 0;
    if (m < 0 || n < 0 ||
        __builtin_mul_overflow(static_cast<std::size_t>(m), static_cast<std::size_t>(n), &count)) {
        a.fault = "has no shape of two sizes whose product can be counted";
        return;
    }
    a.shape = {m, n};
    a.count = count;
    a.columns = static_cast<std::size_t>(n);
    const std::size_t rows = static_cast<std::size_t>(m), columns = a.columns;

    const std::string format = py::str(py::getattr(object, "format", py::str()));
    if (format == "csr")
        a.fault = compressed_attributes_fault(object, rows, columns, "row", "column");
    else if (format == "coo")
        a.fault = coordinate_fault(object, rows, columns);
    if (!a.fault.empty())
        return;

    py::object csc = object.attr("tocsc")();
    py::array data = py::array::ensure(csc.attr("data"));
    if (!data || data.ndim() != 1) {
        a.fault = "has values that are not a 1-D array";
        return;
    }
    const py::array indices = py::array::ensure(csc.attr("indices"));
    const py::array indptr = py::array::ensure(csc.attr("indptr"));
    const auto int32 = [](const py::array &array) {
        return array && array.dtype().kind() == 'i' && array.dtype().itemsize() == 4;
    };
    a.wide_indices = !(int32(indices) && int32(indptr));
    const std::size_t stored =
        a.wide_indices ? checked_csc_indices<std::int64_t>(a, indices, indptr, data, rows, columns)
                       : checked_csc_indices<std::int32_t>(a, indices, indptr, data, rows, columns);
    if (!a.fault.empty())
        return;
    a.rows = py::array(a.index_owners[0]).data();
    a.starts = py::array(a.index_owners[1]).data();

    const char kind = data.dtype().kind();
    if (!holds_numbers_kind(kind))
        return;
    a.holds = class_of(data.dtype(), true);
    a.complex = kind == 'c';
    if (count != 1)
        return;
    // A 1-by-1 sparse array reads as its one element: 0 when none is
    // stored, the sum of its entries when SciPy keeps duplicates, as its
    // value is.
    auto values = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(
        a.complex ? py::object(data.attr("real")) : py::object(data));
    if (!values) {
        a.holds = Holds::nothing;
        return;
    }
    for (std::size_t i = 0; i < stored; ++i)
        a.first += values.data()[i];
    a.owner = std::move(values);
}

bool scipy_sparse(py::handle object)
{
    py::handle type = reinterpret_cast<PyObject *>(Py_TYPE(object.ptr()));
    if (!py::hasattr(type, "__module__"))
        return false;
    const std::string module = py::str(type.attr("__module__"));
    return module.compare(0, 12, "scipy.sparse") == 0 && py::hasattr(object, "tocsc");
}

}  // namespace

void convert(py::handle object, Argument &a)
{
    PyObject *o = object.ptr();
    // Python's own numbers first: the common case of a scalar input, read
    // without making an array. numpy.float64 is a float, and double too.
    if (PyFloat_Check(o)) {
        a.holds = Holds::double_values;
        a.count = a.columns = 1;
        a.first = PyFloat_AS_DOUBLE(o);
        a.data = &a.first;
        return;
    }
    if (PyLong_Check(o)) {
        const double value = PyLong_AsDouble(o);
        if (value == -1.0 && PyErr_Occurred()) {
            PyErr_Clear();  // beyond any double: no number this host can read
            return;
        }
        a.holds = PyBool_Check(o) ? Holds::logical : Holds::double_values;
        a.count = a.columns = 1;
        a.first = value;
        a.data = &a.first;
        return;
    }
    if (py::isinstance<py::array>(object) || !scipy_sparse(object))
        read_dense(object, a);
    else
        read_sparse(object, a);
}

}  // namespace python_host
