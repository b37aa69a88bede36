#include "python_host.h"

#include <cstring>

namespace python_host {

namespace {

bool holds_numbers_kind(char kind)
{
    return kind == 'b' || kind == 'i' || kind == 'u' || kind == 'f' || kind == 'c';
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
bool read_values(py::array array, Argument &a)
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
    a.numbers = true;
    a.data = values.data();
    a.first = a.count > 0 ? a.data[0] : 0.0;
    a.owner = std::move(values);
    return true;
}

void read_dense(py::handle object, Argument &a)
{
    py::array array = py::array::ensure(object);
    if (!array)
        return;  // not even an array of objects: holds no numbers
    a.shape.assign(array.shape(), array.shape() + array.ndim());
    a.count = static_cast<std::size_t>(array.size());
    a.columns = trailing_product(a.shape);
    read_values(array, a);
}

// Any SciPy sparse matrix or array, through its CSC form (a CSC input is
// used as it is). Its stored entries are its pattern, explicit zeros
// included, as scipy's nnz counts them.
void read_sparse(py::handle object, Argument &a)
{
    py::object csc = object.attr("tocsc")();
    csc.attr("check_format")(py::arg("full_check") = false);
    py::tuple shape = csc.attr("shape");
    a.sparse = true;
    a.shape = {shape[0].cast<py::ssize_t>(), shape[1].cast<py::ssize_t>()};
    a.count = static_cast<std::size_t>(a.shape[0]) * static_cast<std::size_t>(a.shape[1]);
    a.columns = static_cast<std::size_t>(a.shape[1]);

    py::array data = csc.attr("data");
    const char kind = data.dtype().kind();
    if (holds_numbers_kind(kind)) {
        py::object source = data;
        if (kind == 'c') {
            a.complex = true;
            source = data.attr("real");
        }
        auto values = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(source);
        if (values) {
            a.numbers = true;
            // A 1-by-1 sparse array reads as its one element, 0 when none is stored.
            a.first = values.size() > 0 ? values.data()[0] : 0.0;
            a.owner = std::move(values);
        }
    }

    py::array indices = csc.attr("indices");
    py::array indptr = csc.attr("indptr");
    a.wide_indices = !(indices.dtype().is(py::dtype::of<std::int32_t>()) &&
                       indptr.dtype().is(py::dtype::of<std::int32_t>()));
    if (a.wide_indices) {
        auto rows = py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>::ensure(indices);
        auto starts = py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>::ensure(indptr);
        a.rows = rows.data();
        a.starts = starts.data();
        a.index_owners[0] = std::move(rows);
        a.index_owners[1] = std::move(starts);
    } else {
        auto rows = py::array_t<std::int32_t, py::array::c_style>::ensure(indices);
        auto starts = py::array_t<std::int32_t, py::array::c_style>::ensure(indptr);
        a.rows = rows.data();
        a.starts = starts.data();
        a.index_owners[0] = std::move(rows);
        a.index_owners[1] = std::move(starts);
    }
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
    // without making an array.
    if (PyFloat_Check(o)) {
        a.numbers = true;
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
        a.numbers = true;
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
