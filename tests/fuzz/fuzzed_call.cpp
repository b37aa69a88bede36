// Decoder of fuzzer bytes into gateway calls (layout in fuzzed_call.h).
#include "fuzzed_call.h"

#include <cfloat>
#include <cstring>
#include <limits>

namespace fuzzing {

namespace {

using in_process_host::ArrayClass;
using in_process_host::ArrayPtr;

class ByteReader {
public:
    ByteReader(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t byte() { return position_ < size_ ? data_[position_++] : 0; }

    double raw_double()
    {
        std::uint8_t bytes[sizeof(double)];
        for (std::uint8_t &b : bytes)
            b = byte();
        double value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    }

private:
    const std::uint8_t *data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

// Values where conversions, comparisons and clipping change their behaviour.
const double special_values[] = {
    0.0, 1.0, -1.0, std::numeric_limits<double>::quiet_NaN(),
    std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
    0.5, -0.5, 2.9, 1.0e-4,
    2147483647.0, 2147483648.0, -2147483648.0, -2147483649.0,
    DBL_MAX, std::numeric_limits<double>::denorm_min(),
};
constexpr unsigned special_count = sizeof special_values / sizeof special_values[0];
constexpr unsigned raw_double_marker = 240;

double decode_value(ByteReader &in)
{
    const unsigned b = in.byte();
    if (b < special_count)
        return special_values[b];
    if (b >= raw_double_marker)
        return in.raw_double();
    const unsigned step = b - special_count;
    return static_cast<double>(static_cast<int>(step % 56) - 8) + 0.25 * (step / 56);
}

std::vector<double> decode_values(ByteReader &in, std::size_t count)
{
    std::vector<double> values(count);
    for (double &value : values)
        value = decode_value(in);
    return values;
}

// Mostly double, the class every gateway reads; each other class is rare
// enough to leave the fuzzer time for values, common enough to be met.
const ArrayClass class_table[32] = {
    ArrayClass::Double, ArrayClass::Double, ArrayClass::Double, ArrayClass::Double,
    ArrayClass::Double, ArrayClass::Double, ArrayClass::Double, ArrayClass::Double,
    ArrayClass::Double, ArrayClass::Double, ArrayClass::Double, ArrayClass::Double,
    ArrayClass::Double, ArrayClass::Double, ArrayClass::Double, ArrayClass::Double,
    ArrayClass::Double, ArrayClass::Double, ArrayClass::Double, ArrayClass::Double,
    ArrayClass::Single, ArrayClass::Int8, ArrayClass::UInt8, ArrayClass::Int32,
    ArrayClass::UInt32, ArrayClass::Int64, ArrayClass::Logical, ArrayClass::Logical,
    ArrayClass::Char, ArrayClass::Char, ArrayClass::Cell, ArrayClass::Cell,
};

struct Shape {
    std::size_t rows, columns;
};

Shape decode_shape(ByteReader &in)
{
    const unsigned form = in.byte() % 8;
    const unsigned size = in.byte();
    const std::size_t length = size % 64;
    switch (form) {
    case 0: return {0, 0};
    case 2: return {1, length};
    case 3: case 7: return {length, 1};
    case 4: return {1 + size % 12, 1 + (size / 12) % 12};
    case 5: return (size & 64) ? Shape{0, length} : Shape{length, 0};
    default: return {1, 1};
    }
}

ArrayPtr decode_sparse(ByteReader &in, Shape shape, ArrayClass array_class, bool complex)
{
    std::vector<mwIndex> row_indices, column_starts{0};
    for (std::size_t column = 0; column < shape.columns; ++column) {
        for (std::size_t row = 0; row < shape.rows; row += 8) {
            const unsigned mask = in.byte();
            for (std::size_t bit = 0; bit < 8 && row + bit < shape.rows; ++bit)
                if (mask & (1u << bit))
                    row_indices.push_back(row + bit);
        }
        column_starts.push_back(row_indices.size());
    }
    return in_process_host::make_sparse(shape.rows, shape.columns, row_indices, column_starts,
                                        array_class, complex);
}

ArrayPtr decode_input(ByteReader &in)
{
    const unsigned kind = in.byte();
    const ArrayClass array_class = class_table[kind % 32];
    const unsigned form = kind / 32;
    const bool complex = form == 5 || form == 7;
    const bool sparse =
        form >= 6 && (array_class == ArrayClass::Double || array_class == ArrayClass::Logical);
    const Shape shape = decode_shape(in);

    if (array_class == ArrayClass::Cell)
        return in_process_host::make_dense(ArrayClass::Cell, shape.rows, shape.columns);
    if (sparse)
        return decode_sparse(in, shape, array_class, complex);
    const std::size_t count = shape.rows * shape.columns;
    std::vector<double> real = decode_values(in, count);
    if (array_class == ArrayClass::Double)
        return in_process_host::make_double(shape.rows, shape.columns, real,
                                            complex ? decode_values(in, count) : std::vector<double>{});
    return in_process_host::make_filled(array_class, shape.rows, shape.columns, real, complex);
}

}  // namespace

std::vector<const mxArray *> FuzzedCall::input_pointers() const
{
    std::vector<const mxArray *> pointers;
    for (const auto &input : inputs)
        pointers.push_back(input.get());
    return pointers;
}

FuzzedCall decode_call(const std::uint8_t *data, std::size_t size, int usual_inputs,
                       int usual_outputs)
{
    ByteReader in(data, size);
    const unsigned input_byte = in.byte();
    const unsigned output_byte = in.byte();
    const int nrhs = input_byte < 224 ? usual_inputs : static_cast<int>(input_byte - 224);
    FuzzedCall call;
    call.nlhs = output_byte < 224 ? usual_outputs : static_cast<int>((output_byte - 224) % 8);
    for (int k = 0; k < nrhs; ++k)
        call.inputs.push_back(decode_input(in));
    return call;
}

}  // namespace fuzzing
