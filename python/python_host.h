// Python's side of the modules: NumPy and SciPy arrays as the host-free
// checks see them (argument_checks.h).
//
// Every input is converted once, before any check, into an Argument: the
// facts the checks ask about and, for numbers, the values as float64 in
// column-major order, so that a 7-by-7 array means what the same matrix
// means in Octave whatever its memory order, and a flat 49-vector is read
// as Octave's W(:). What cannot be read as numbers (text, None, objects
// that float() refuses) holds no numbers, and meets the very check that a
// cell or struct meets in Octave.
//
// Each input also has the class Octave would give it, so that both hosts
// refuse the same inputs: a NumPy array or scalar has its dtype's (float64
// and complex128 are double, bool is logical, other floats and integers are
// numeric but not double); Python's own float and int, and lists of them,
// are double, as a literal is in Octave; True and False are logical.
//
// A SciPy sparse input is checked for a consistent structure before any of
// its indices is used; one that is not records the fault and holds no
// numbers, and the call refuses it by name (refuse_broken_sparse).
#ifndef MEX_SUITE_PYTHON_HOST_H
#define MEX_SUITE_PYTHON_HOST_H

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace python_host {

namespace py = pybind11;

// The class of an input's values, as the hosts' checks ask about it.
enum class Holds {
    nothing,        // no numbers: text, None, objects
    double_values,  // double (real or complex)
    other_numbers,  // numeric, not double: single, integers
    logical,        // bool
};

struct Argument {
    Holds holds = Holds::nothing;  // values read as doubles unless nothing
    bool complex = false;
    bool sparse = false;
    std::size_t count = 0;    // elements, stored or not (rows times columns if sparse)
    std::size_t columns = 0;  // the product of every dimension after the first
    double first = 0.0;       // what a scalar read gives: the first element (sparse: element 0, 0)
    const double *data = nullptr;   // count values, column-major (dense only)
    const void *rows = nullptr;     // sparse: the row of each stored entry
    const void *starts = nullptr;   // sparse: where each column's entries start
    bool wide_indices = false;      // sparse: rows and starts are int64, else int32
    std::string fault;              // sparse: what is wrong with its structure, empty if nothing
    std::vector<py::ssize_t> shape; // as given, for outputs shaped like it
    py::object owner;               // keeps the converted values alive
    py::object index_owners[2];

    Argument() = default;
    Argument(const Argument &) = delete;  // data may point at first
    Argument &operator=(const Argument &) = delete;
};

// Fills a from any Python object.
void convert(py::handle object, Argument &a);

template <class Index>
struct PythonHostOf {
    using Array = const Argument *;
    static bool holds_numbers(Array a) { return a->holds != Holds::nothing; }
    static bool numeric(Array a)
    {
        return a->holds == Holds::double_values || a->holds == Holds::other_numbers;
    }
    static bool complex(Array a) { return a->complex; }
    static std::size_t count(Array a) { return a->count; }
    static bool sparse(Array a) { return a->sparse; }
    static double scalar(Array a) { return a->first; }
    static bool is_double(Array a) { return a->holds == Holds::double_values; }
    static const double *real_data(Array a) { return a->data; }
    static std::size_t columns(Array a) { return a->columns; }
    static std::size_t rows(Array a)
    {
        return a->shape.empty() ? 1 : static_cast<std::size_t>(a->shape[0]);
    }
    static const Index *row_indices(Array a) { return static_cast<const Index *>(a->rows); }
    static const Index *column_starts(Array a) { return static_cast<const Index *>(a->starts); }
};

// Dense inputs never ask for indices; a sparse column says which of the two
// its indices are.
using PythonHost = PythonHostOf<std::int64_t>;
using PythonHost32 = PythonHostOf<std::int32_t>;

}  // namespace python_host

#endif
