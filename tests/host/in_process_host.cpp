// Implementation of the in-process host (see in_process_host.h).
#include "in_process_host.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <set>
#include <stdexcept>
#include <utility>

using in_process_host::ArrayClass;

struct mxArray_tag {
    ArrayClass array_class = ArrayClass::Double;
    std::size_t rows = 0;
    std::size_t columns = 0;
    bool sparse = false;
    bool complex = false;
    // Double arrays: the real and imaginary parts (dense: rows * columns
    // values; sparse: one per stored entry). Allocated at their exact size so
    // that a read past the end is a read past the allocation.
    std::vector<double> real, imag;
    // Every other class keeps its elements as raw bytes; cells keep nothing.
    std::vector<unsigned char> bytes;
    std::vector<mwIndex> row_indices, column_starts;
    // Structs: the field names, and per element one owned value per field
    // (element e, field k at e * field_names.size() + k; null when unset).
    std::vector<std::string> field_names;
    std::vector<mxArray *> field_values;
    // The struct whose field holds this array, which frees it.
    mxArray *parent = nullptr;
};

namespace {

struct HostError {
    std::string identifier, message;
};

struct HostMisuse : std::logic_error {
    using std::logic_error::logic_error;
};

// Largest request the host treats as an allocation (2 GiB of doubles): above
// it a real host reports that it is out of memory. Far above it the request
// can only come from a negative count converted to an unsigned size.
constexpr std::size_t default_memory_limit_elements = std::size_t{1} << 28;
constexpr std::size_t nonsense_limit_elements = std::size_t{1} << 48;

struct HostState {
    std::size_t memory_limit_elements = default_memory_limit_elements;
    std::set<const mxArray *> live;
    bool in_call = false;
    std::vector<mxArray *> created_in_call;
};

HostState &host()
{
    static HostState state;
    return state;
}

[[noreturn]] void misuse(const char *what) { throw HostMisuse(what); }

std::size_t element_size(ArrayClass array_class)
{
    switch (array_class) {
    case ArrayClass::Double: case ArrayClass::Int64: return 8;
    case ArrayClass::Single: case ArrayClass::Int32: case ArrayClass::UInt32: return 4;
    case ArrayClass::Char: return 2;
    case ArrayClass::Int8: case ArrayClass::UInt8: case ArrayClass::Logical: return 1;
    case ArrayClass::Cell: case ArrayClass::Struct: return 0;
    }
    return 0;
}

bool is_numeric(ArrayClass array_class)
{
    return array_class != ArrayClass::Logical && array_class != ArrayClass::Char &&
           array_class != ArrayClass::Cell && array_class != ArrayClass::Struct;
}

std::size_t checked_count(std::size_t rows, std::size_t columns)
{
    if (columns != 0 && rows > nonsense_limit_elements / columns)
        misuse("array size request beyond any possible memory (a negative count?)");
    std::size_t count = rows * columns;
    if (count > nonsense_limit_elements)
        misuse("array size request beyond any possible memory (a negative count?)");
    if (count > host().memory_limit_elements)
        throw HostError{"MATLAB:nomem", "Out of memory."};
    return count;
}

mxArray *new_array()
{
    auto *array = new mxArray;
    HostState &state = host();
    state.live.insert(array);
    if (state.in_call)
        state.created_in_call.push_back(array);
    return array;
}

const mxArray &checked(const mxArray *array)
{
    if (array == nullptr || host().live.count(array) == 0)
        misuse("host call on a null or freed array");
    return *array;
}

std::size_t stored_count(const mxArray &array)
{
    return array.sparse ? array.row_indices.size() : array.rows * array.columns;
}

double first_element(const mxArray &array)
{
    switch (array.array_class) {
    case ArrayClass::Double: return array.real[0];
    case ArrayClass::Single: { float v; std::memcpy(&v, array.bytes.data(), 4); return v; }
    case ArrayClass::Int8: return static_cast<std::int8_t>(array.bytes[0]);
    case ArrayClass::UInt8: case ArrayClass::Logical: return array.bytes[0];
    case ArrayClass::Int32: { std::int32_t v; std::memcpy(&v, array.bytes.data(), 4); return v; }
    case ArrayClass::UInt32: { std::uint32_t v; std::memcpy(&v, array.bytes.data(), 4); return v; }
    case ArrayClass::Int64: { std::int64_t v; std::memcpy(&v, array.bytes.data(), 8); return static_cast<double>(v); }
    case ArrayClass::Char: { std::uint16_t v; std::memcpy(&v, array.bytes.data(), 2); return v; }
    case ArrayClass::Cell: case ArrayClass::Struct: break;
    }
    misuse("mxGetScalar of a cell or struct array");
}

// An integer class element from a double: rounded, saturated, NaN to 0.
// The range is decided on the double, so nothing out of range is converted.
template <typename Integer>
Integer integer_element(double value)
{
    if (std::isnan(value))
        return 0;
    const double rounded = std::round(value);
    if (rounded <= static_cast<double>(std::numeric_limits<Integer>::min()))
        return std::numeric_limits<Integer>::min();
    if (rounded >= static_cast<double>(std::numeric_limits<Integer>::max()))
        return std::numeric_limits<Integer>::max();
    return static_cast<Integer>(rounded);
}

float single_element(double value)
{
    if (value > FLT_MAX)
        return std::numeric_limits<float>::infinity();
    if (value < -FLT_MAX)
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

template <typename Element>
void store_element(std::vector<unsigned char> &bytes, std::size_t index, Element element)
{
    std::memcpy(bytes.data() + index * sizeof element, &element, sizeof element);
}

// A copy of everything a gateway may read, to prove afterwards that it wrote
// nothing; a struct's copy holds its fields' values and copies of them.
struct Snapshot {
    std::vector<double> real, imag;
    std::vector<unsigned char> bytes;
    std::vector<mwIndex> row_indices, column_starts;
    std::vector<const mxArray *> field_values;
    std::vector<Snapshot> fields;
    bool operator==(const Snapshot &other) const
    {
        auto same_doubles = [](const std::vector<double> &a, const std::vector<double> &b) {
            return a.size() == b.size() &&
                   (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
        };
        return same_doubles(real, other.real) && same_doubles(imag, other.imag) &&
               bytes == other.bytes && row_indices == other.row_indices &&
               column_starts == other.column_starts && field_values == other.field_values &&
               fields == other.fields;
    }
};

Snapshot snapshot(const mxArray *array)
{
    Snapshot copy{array->real, array->imag, array->bytes, array->row_indices,
                  array->column_starts, {}, {}};
    for (const mxArray *value : array->field_values) {
        copy.field_values.push_back(value);
        if (value != nullptr)
            copy.fields.push_back(snapshot(value));
    }
    return copy;
}

const mxArray &checked_struct(const mxArray *array)
{
    const mxArray &a = checked(array);
    if (a.array_class != ArrayClass::Struct)
        misuse("a struct function called on an array that is not a struct");
    return a;
}

std::size_t field_slot(const mxArray &array, mwIndex element, int field)
{
    const std::size_t fields = array.field_names.size();
    if (field < 0 || static_cast<std::size_t>(field) >= fields ||
        element >= array.rows * array.columns)
        misuse("struct field or element out of range");
    return element * fields + static_cast<std::size_t>(field);
}

int field_number(const mxArray &array, const char *name)
{
    for (std::size_t k = 0; k < array.field_names.size(); ++k)
        if (array.field_names[k] == name)
            return static_cast<int>(k);
    return -1;
}

}  // namespace

// ---------------------------------------------------------------------------
// The host API subset.

extern "C" {

double *mxGetPr(const mxArray *array)
{
    const mxArray &a = checked(array);
    if (a.array_class != ArrayClass::Double)
        misuse("mxGetPr of an array that does not hold doubles");
    // Empty arrays have no data, as in the real hosts.
    return a.real.empty() ? nullptr : const_cast<double *>(a.real.data());
}

double mxGetScalar(const mxArray *array)
{
    const mxArray &a = checked(array);
    if (a.array_class == ArrayClass::Cell)
        misuse("mxGetScalar of a cell array");
    // A sparse array yields its first stored value, 0 when nothing is stored.
    if (a.sparse && a.row_indices.empty())
        return 0.0;
    if (a.sparse)
        return a.array_class == ArrayClass::Double ? a.real[0] : a.bytes[0];
    if (stored_count(a) == 0)
        misuse("mxGetScalar of an empty array");
    return first_element(a);
}

std::size_t mxGetM(const mxArray *array) { return checked(array).rows; }
std::size_t mxGetN(const mxArray *array) { return checked(array).columns; }

std::size_t mxGetNumberOfElements(const mxArray *array)
{
    const mxArray &a = checked(array);
    return a.rows * a.columns;
}

bool mxIsDouble(const mxArray *array) { return checked(array).array_class == ArrayClass::Double; }
bool mxIsSparse(const mxArray *array) { return checked(array).sparse; }
bool mxIsComplex(const mxArray *array) { return checked(array).complex; }
bool mxIsNumeric(const mxArray *array) { return is_numeric(checked(array).array_class); }
bool mxIsLogical(const mxArray *array) { return checked(array).array_class == ArrayClass::Logical; }
bool mxIsChar(const mxArray *array) { return checked(array).array_class == ArrayClass::Char; }

mwIndex *mxGetIr(const mxArray *array)
{
    const mxArray &a = checked(array);
    if (!a.sparse)
        misuse("mxGetIr of a dense array");
    return a.row_indices.empty() ? nullptr : const_cast<mwIndex *>(a.row_indices.data());
}

mwIndex *mxGetJc(const mxArray *array)
{
    const mxArray &a = checked(array);
    if (!a.sparse)
        misuse("mxGetJc of a dense array");
    return const_cast<mwIndex *>(a.column_starts.data());
}

mxArray *mxCreateDoubleMatrix(mwSize rows, mwSize columns, mxComplexity complexity)
{
    std::size_t count = checked_count(rows, columns);
    mxArray *array = new_array();
    array->rows = rows;
    array->columns = columns;
    array->real.assign(count, 0.0);
    if (complexity == mxCOMPLEX) {
        array->complex = true;
        array->imag.assign(count, 0.0);
    }
    return array;
}

mxArray *mxCreateDoubleScalar(double value)
{
    mxArray *array = mxCreateDoubleMatrix(1, 1, mxREAL);
    array->real[0] = value;
    return array;
}

bool mxIsStruct(const mxArray *array) { return checked(array).array_class == ArrayClass::Struct; }

int mxGetNumberOfFields(const mxArray *array)
{
    return static_cast<int>(checked_struct(array).field_names.size());
}

const char *mxGetFieldNameByNumber(const mxArray *array, int field)
{
    const mxArray &a = checked_struct(array);
    if (field < 0 || static_cast<std::size_t>(field) >= a.field_names.size())
        misuse("struct field number out of range");
    return a.field_names[static_cast<std::size_t>(field)].c_str();
}

mxArray *mxGetFieldByNumber(const mxArray *array, mwIndex element, int field)
{
    const mxArray &a = checked_struct(array);
    return a.field_values[field_slot(a, element, field)];
}

mxArray *mxGetField(const mxArray *array, mwIndex element, const char *name)
{
    const mxArray &a = checked_struct(array);
    const int field = field_number(a, name);
    return field < 0 ? nullptr : a.field_values[field_slot(a, element, field)];
}

mxArray *mxCreateStructMatrix(mwSize rows, mwSize columns, int field_count, const char **names)
{
    const std::size_t count = checked_count(rows, columns);
    mxArray *array = new_array();
    array->array_class = ArrayClass::Struct;
    array->rows = rows;
    array->columns = columns;
    for (int k = 0; k < field_count; ++k)
        array->field_names.emplace_back(names[k]);
    array->field_values.assign(count * array->field_names.size(), nullptr);
    return array;
}

void mxSetField(mxArray *array, mwIndex element, const char *name, mxArray *value)
{
    checked_struct(array);
    if (value != nullptr && (checked(value).parent != nullptr || value == array))
        misuse("mxSetField of an array that a struct already holds");
    const int field = field_number(*array, name);
    if (field < 0)
        misuse("mxSetField of a field the struct does not have");
    mxArray *&slot = array->field_values[field_slot(*array, element, field)];
    if (slot != nullptr)
        slot->parent = nullptr;  // the caller owns the old value again
    slot = value;
    if (value != nullptr)
        value->parent = array;
}

void mexErrMsgTxt(const char *message)
{
    throw HostError{"", message};
}

void mexErrMsgIdAndTxt(const char *identifier, const char *format, ...)
{
    char message[1024];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(message, sizeof message, format, arguments);
    va_end(arguments);
    throw HostError{identifier, message};
}

}  // extern "C"

// ---------------------------------------------------------------------------
// The test-facing side.

namespace in_process_host {

void ArrayDeleter::operator()(mxArray *array) const
{
    for (mxArray *value : array->field_values)
        if (value != nullptr && value->parent == array)
            (*this)(value);
    host().live.erase(array);
    delete array;
}

ArrayPtr make_dense(ArrayClass array_class, std::size_t rows, std::size_t columns, bool complex)
{
    std::size_t count = checked_count(rows, columns);
    ArrayPtr array(new_array());
    array->array_class = array_class;
    array->rows = rows;
    array->columns = columns;
    if (array_class == ArrayClass::Double) {
        array->real.assign(count, 0.0);
        if (complex)
            array->imag.assign(count, 0.0);
    } else {
        array->bytes.assign(count * element_size(array_class), 0);
    }
    array->complex = complex && is_numeric(array_class);
    return array;
}

ArrayPtr make_double(std::size_t rows, std::size_t columns, const std::vector<double> &values,
                     const std::vector<double> &imaginary)
{
    if (values.size() != rows * columns ||
        (!imaginary.empty() && imaginary.size() != values.size()))
        throw std::invalid_argument("make_double: value count does not match the shape");
    ArrayPtr array = make_dense(ArrayClass::Double, rows, columns, !imaginary.empty());
    array->real = values;
    if (!imaginary.empty())
        array->imag = imaginary;
    return array;
}

ArrayPtr make_filled(ArrayClass array_class, std::size_t rows, std::size_t columns,
                     const std::vector<double> &values, bool complex)
{
    if (values.size() != rows * columns || array_class == ArrayClass::Cell ||
        array_class == ArrayClass::Struct)
        throw std::invalid_argument("make_filled: value count does not match the shape, or no numbers");
    ArrayPtr array = make_dense(array_class, rows, columns, complex);
    std::vector<unsigned char> &bytes = array->bytes;
    for (std::size_t k = 0; k < values.size(); ++k) {
        const double value = values[k];
        switch (array_class) {
        case ArrayClass::Double: array->real[k] = value; break;
        case ArrayClass::Single: store_element(bytes, k, single_element(value)); break;
        case ArrayClass::Int8: store_element(bytes, k, integer_element<std::int8_t>(value)); break;
        case ArrayClass::UInt8: store_element(bytes, k, integer_element<std::uint8_t>(value)); break;
        case ArrayClass::Int32: store_element(bytes, k, integer_element<std::int32_t>(value)); break;
        case ArrayClass::UInt32: store_element(bytes, k, integer_element<std::uint32_t>(value)); break;
        case ArrayClass::Int64: store_element(bytes, k, integer_element<std::int64_t>(value)); break;
        case ArrayClass::Logical: bytes[k] = value != 0.0; break;
        case ArrayClass::Char: store_element(bytes, k, integer_element<std::uint16_t>(value)); break;
        case ArrayClass::Cell: case ArrayClass::Struct: break;
        }
    }
    return array;
}

ArrayPtr make_column(const std::vector<double> &values)
{
    return make_double(values.size(), 1, values);
}

ArrayPtr make_row(const std::vector<double> &values)
{
    return make_double(1, values.size(), values);
}

ArrayPtr make_scalar(double value) { return make_double(1, 1, {value}); }

namespace {

ArrayPtr sparse_array(std::size_t rows, std::size_t columns, const std::vector<mwIndex> &row_indices,
                      const std::vector<mwIndex> &column_starts, ArrayClass array_class,
                      bool complex, const std::vector<double> &stored_values)
{
    if (array_class != ArrayClass::Double && array_class != ArrayClass::Logical)
        throw std::invalid_argument("sparse arrays hold doubles or logicals only");
    if (!stored_values.empty() && stored_values.size() != row_indices.size())
        throw std::invalid_argument("one stored value per row index, or none");
    ArrayPtr array(new_array());
    array->array_class = array_class;
    array->rows = rows;
    array->columns = columns;
    array->sparse = true;
    array->row_indices = row_indices;
    array->column_starts = column_starts;
    std::vector<double> stored = stored_values;
    if (stored.empty())
        stored.assign(row_indices.size(), 1.0);
    if (array_class == ArrayClass::Double) {
        array->real = stored;
        if (complex)
            array->imag.assign(row_indices.size(), 0.0);
    } else {
        for (double value : stored)
            array->bytes.push_back(value != 0.0);
    }
    array->complex = complex && array_class == ArrayClass::Double;
    return array;
}

}  // namespace

ArrayPtr make_sparse(std::size_t rows, std::size_t columns,
                     const std::vector<mwIndex> &row_indices,
                     const std::vector<mwIndex> &column_starts, ArrayClass array_class,
                     bool complex, const std::vector<double> &stored_values)
{
    if (column_starts.size() != columns + 1 || column_starts.front() != 0 ||
        column_starts.back() != row_indices.size() ||
        !std::is_sorted(column_starts.begin(), column_starts.end()))
        throw std::invalid_argument("make_sparse: inconsistent column starts");
    for (std::size_t j = 0; j < columns; ++j)
        for (mwIndex k = column_starts[j]; k < column_starts[j + 1]; ++k)
            if (row_indices[k] >= rows || (k > column_starts[j] && row_indices[k] <= row_indices[k - 1]))
                throw std::invalid_argument("make_sparse: row indices out of range or not ascending");
    return sparse_array(rows, columns, row_indices, column_starts, array_class, complex,
                        stored_values);
}

ArrayPtr make_unordered_sparse_column(std::size_t rows, const std::vector<mwIndex> &row_indices)
{
    for (mwIndex row : row_indices)
        if (row >= rows)
            throw std::invalid_argument("make_unordered_sparse_column: row index out of range");
    return sparse_array(rows, 1, row_indices, {0, row_indices.size()}, ArrayClass::Double, false,
                        {});
}

ArrayPtr make_struct(std::vector<Field> fields)
{
    std::vector<const char *> names;
    for (const Field &field : fields)
        names.push_back(field.first.c_str());
    ArrayPtr array(mxCreateStructMatrix(1, 1, static_cast<int>(names.size()), names.data()));
    for (Field &field : fields)
        mxSetField(array.get(), 0, field.first.c_str(), field.second.release());
    return array;
}

std::vector<double> values(const mxArray *array)
{
    if (array->array_class != ArrayClass::Double)
        throw std::invalid_argument("values: not a double array");
    return array->real;
}

CallResult call_gateway(Gateway gateway, int nlhs, const std::vector<const mxArray *> &inputs,
                        bool check_inputs)
{
    HostState &state = host();
    std::vector<Snapshot> before;
    if (check_inputs)
        for (const mxArray *input : inputs)
            before.push_back(snapshot(input));

    // The host always provides the first slot, even when no output is requested.
    std::vector<mxArray *> slots(static_cast<std::size_t>(std::max(nlhs, 1)), nullptr);
    std::vector<const mxArray *> arguments = inputs;

    CallResult result;
    state.in_call = true;
    state.created_in_call.clear();
    try {
        gateway(nlhs, slots.data(), static_cast<int>(arguments.size()), arguments.data());
        result.ok = true;
    } catch (const HostError &error) {
        result.identifier = error.identifier;
        result.message = error.message;
    } catch (const HostMisuse &error) {
        result.misuse = error.what();
    }
    state.in_call = false;

    // The arrays the call created outside any struct's fields: releasing one
    // of them releases what its fields hold.
    std::vector<mxArray *> created;
    for (mxArray *array : state.created_in_call)
        if (array->parent == nullptr)
            created.push_back(array);
    state.created_in_call.clear();
    if (!result.ok) {
        // The failed call's arrays are the host's to release, stored or not.
        for (mxArray *array : created)
            ArrayDeleter()(array);
        std::fill(slots.begin(), slots.end(), nullptr);
    } else {
        for (mxArray *&slot : slots) {
            if (slot != nullptr && std::find(created.begin(), created.end(), slot) == created.end()) {
                result.misuse = "an output slot holds an array the call did not create";
                slot = nullptr;
            }
        }
        for (mxArray *array : created) {
            if (std::find(slots.begin(), slots.end(), array) == slots.end()) {
                ++result.unowned_arrays;
                ArrayDeleter()(array);
            }
        }
    }
    for (mxArray *slot : slots)
        result.outputs.emplace_back(slot);

    for (std::size_t k = 0; k < before.size(); ++k)
        if (!(snapshot(inputs[k]) == before[k]) && result.misuse.empty())
            result.misuse = "input " + std::to_string(k + 1) + " was written";
    return result;
}

std::size_t live_array_count() { return host().live.size(); }

void set_memory_limit(std::size_t elements) { host().memory_limit_elements = elements; }

}  // namespace in_process_host
