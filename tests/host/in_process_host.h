// The in-process host: a small stand-in for MATLAB's array and MEX libraries
// so that tests, benchmarks and fuzzers can call a gateway directly.
//
// Arrays are column-major, created zero-filled, and carry a class tag so that
// callers can hand a gateway single, integer, logical, char or cell inputs.
// A gateway call runs through call_gateway(), which plays the host's part:
// it provides the output slots (the first one even when nlhs is 0), catches
// the error call, frees every array the failed call created, and reports
// anything a real host would punish (reading a non-double array as doubles,
// writing an input, leaving a created array unowned: neither in an output
// slot nor in a field of a struct that is).
#ifndef MEX_SUITE_IN_PROCESS_HOST_H
#define MEX_SUITE_IN_PROCESS_HOST_H

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "mex_api_subset.h"

namespace in_process_host {

enum class ArrayClass { Double, Single, Int8, UInt8, Int32, UInt32, Int64, Logical, Char, Cell, Struct };

struct ArrayDeleter {
    void operator()(mxArray *array) const;
};
using ArrayPtr = std::unique_ptr<mxArray, ArrayDeleter>;

// Zero-filled dense array of any class; complex only for numeric classes.
// A struct made here has no fields (make_struct gives it some).
ArrayPtr make_dense(ArrayClass array_class, std::size_t rows, std::size_t columns,
                    bool complex = false);
// Double matrix with the given values in storage order (rows * columns of
// them); complex when an imaginary part of the same length is given.
ArrayPtr make_double(std::size_t rows, std::size_t columns, const std::vector<double> &values,
                     const std::vector<double> &imaginary = {});
// Dense array of any class but cell holding the given values (rows * columns
// of them) in its own class, converted as the host converts on assignment:
// integers round to nearest and saturate, NaN becomes 0; logical is true for
// nonzero; single overflows to infinity. A complex array of a class other
// than double keeps only its real part (and the complex flag).
ArrayPtr make_filled(ArrayClass array_class, std::size_t rows, std::size_t columns,
                     const std::vector<double> &values, bool complex = false);
ArrayPtr make_column(const std::vector<double> &values);
ArrayPtr make_row(const std::vector<double> &values);
ArrayPtr make_scalar(double value);

// Sparse array in compressed-column form: column_starts has columns + 1
// entries, row_indices one per stored entry (ascending within a column).
// The stored entries hold stored_values, or 1 (true) when none are given.
ArrayPtr make_sparse(std::size_t rows, std::size_t columns,
                     const std::vector<mwIndex> &row_indices,
                     const std::vector<mwIndex> &column_starts,
                     ArrayClass array_class = ArrayClass::Double, bool complex = false,
                     const std::vector<double> &stored_values = {});
// A sparse column of ones whose row indices stay in the given order, ascending
// or not: the hosts never store a column out of order, but a module that
// builds its own sparse arrays can hand one over.
ArrayPtr make_unordered_sparse_column(std::size_t rows, const std::vector<mwIndex> &row_indices);

// A 1-by-1 struct with the given fields, in order; it takes over their
// arrays. A null array leaves its field unset, as a new struct's fields are.
using Field = std::pair<std::string, ArrayPtr>;
ArrayPtr make_struct(std::vector<Field> fields);

// The real data of a double array as a vector, for comparisons in tests.
std::vector<double> values(const mxArray *array);

// What the host saw of one gateway call.
struct CallResult {
    bool ok = false;                // the gateway returned normally
    std::string identifier;         // of the error call, empty for mexErrMsgTxt
    std::string message;            // of the error call
    std::string misuse;             // a broken host contract, empty when none
    std::size_t unowned_arrays = 0; // created but left in no output slot
    std::vector<ArrayPtr> outputs;  // the output slots after the call (max(nlhs, 1) of them)
};

using Gateway = void (*)(int, mxArray *[], int, const mxArray *[]);

// check_inputs compares every input before and after the call; benchmarks
// turn it off so that they time the gateway and not the copy.
CallResult call_gateway(Gateway gateway, int nlhs, const std::vector<const mxArray *> &inputs,
                        bool check_inputs = true);

// Arrays currently alive in the host, for leak checks.
std::size_t live_array_count();

// Largest array, in elements, that the host creates; a larger request ends
// the call with "Out of memory." (MATLAB:nomem) as a real host's would.
// Fuzzers lower it so that huge but valid requests stay cheap.
void set_memory_limit(std::size_t elements);

}  // namespace in_process_host

#endif
