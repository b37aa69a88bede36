// A module's outputs as one table that every host reads: each output's name
// and the shape it is made in, so that the MEX gateway and the Python
// binding make the same arrays from the same rule. (The inputs have their
// tables beside their checks: vaporizer_arguments.h, transmit_arguments.h.)
// Host-free, header-only.
#ifndef MEX_SUITE_MODULE_INTERFACE_H
#define MEX_SUITE_MODULE_INTERFACE_H

namespace module_interface {

enum class Shape {
    LikeInput,  // the rows and columns of an input, zero-filled
    Scalar,     // 1-by-1
    Matrix,     // a fixed rows-by-columns
    Record,     // a struct (Octave, MATLAB) or dict (Python) of named counts
    PerParameter,  // a fixed number of rows, a column per selected parameter
};

struct Output {
    const char *name;
    Shape shape;
    int input;  // LikeInput: the input's zero-based position
    int rows, columns;  // Matrix; PerParameter: rows
};

constexpr Output like_input(const char *name, int input)
{
    return {name, Shape::LikeInput, input, 0, 0};
}
constexpr Output scalar(const char *name) { return {name, Shape::Scalar, -1, 1, 1}; }
constexpr Output matrix(const char *name, int rows, int columns)
{
    return {name, Shape::Matrix, -1, rows, columns};
}
constexpr Output record(const char *name) { return {name, Shape::Record, -1, 0, 0}; }
constexpr Output per_parameter(const char *name, int rows)
{
    return {name, Shape::PerParameter, -1, rows, 0};
}

}  // namespace module_interface

#endif
