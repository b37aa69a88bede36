// The model's property data that a caller differentiates by: the parameters
// of vaporizer_linearize's E and F and of vaporizer_step's sensitivity to
// parameters. The caller selects them as a P-by-2 array, a row per
// parameter: the position of a property input (10 to 25, area to
// temperature_offset, as the caller counts) and one of its elements
// (one-based, column-major, as the host's A(k) counts). An element the model
// does not read (past the 7th of a component vector, say) has derivative 0.
//
// Host-free: the selection is read through the same host traits as the
// inputs (argument_checks.h), after the 25 inputs are read and checked.
#ifndef MEX_SUITE_PARAMETER_SELECTION_H
#define MEX_SUITE_PARAMETER_SELECTION_H

#include <cmath>
#include <cstddef>

#include "argument_checks.h"
#include "vaporizer_arguments.h"

namespace parameter_selection {

using vaporizer_arguments::IN_AREA;
using vaporizer_arguments::MODEL_INPUT_COUNT;

// The values the model reads of an input: 1 of a scalar, else its least count.
constexpr std::size_t read_count(int input)
{
    const std::size_t least = vaporizer_arguments::model_inputs[input].min_count;
    return least == vaporizer_arguments::scalar ? 1 : least;
}

// Where each property input's elements start among all property elements.
constexpr std::size_t first_element(int input)
{
    std::size_t first = 0;
    for (int p = IN_AREA; p < input; ++p)
        first += read_count(p);
    return first;
}

// Every element of the property data the model reads, and so the most rows
// a selection may have.
constexpr std::size_t property_elements = first_element(MODEL_INPUT_COUNT);
constexpr std::size_t max_parameters = property_elements;

struct Parameter {
    int input;             // zero-based position, IN_AREA or later
    std::size_t element;   // zero-based
};

struct ParameterSelection {
    std::size_t count = 0;
    Parameter rows[max_parameters];
};

// A selected element's value; 0 for one the model does not read, which
// the hosts' checks let through only for an input that holds it.
inline double value_of(const Parameter &p, const vaporizer_arguments::ModelInputs &in)
{
    if (p.element >= read_count(p.input))
        return 0.0;
    return in.arrays[p.input] != nullptr ? in.arrays[p.input][p.element] : in.scalars[p.input];
}

// The selection input: a real dense double P-by-2 array (P may be 0), or []
// for none. The first bad row ends the call with "<module>:badParameters",
// naming the row and what is wrong with it. inputs are the 25 inputs,
// already read and checked.
template <class Host>
ParameterSelection read_selection(typename Host::Array array, const typename Host::Array *inputs,
                                  const argument_checks::InputName &name)
{
    using argument_checks::reject;
    ParameterSelection selection;
    if (!Host::is_double(array) || Host::sparse(array) || Host::complex(array))
        reject(name, "badParameters",
               "must be a real dense double array of [position, element] rows, P-by-2, or []");
    const std::size_t count = Host::count(array);
    const std::size_t columns = Host::columns(array);
    if (count == 0 && columns == 0 && Host::rows(array) == 0)
        return selection;
    if (columns != 2)
        reject(name, "badParameters",
               "must have 2 columns, [position, element]; it has %zu", columns);
    const std::size_t rows = count / 2;
    if (rows > max_parameters)
        reject(name, "badParameters",
               "has %zu rows; at most %zu, the elements of the property data, are taken", rows,
               max_parameters);
    const double *values = Host::real_data(array);
    for (std::size_t r = 0; r < rows; ++r) {
        const double position = values[r];
        const double element = values[rows + r];
        if (!(position >= IN_AREA + 1 && position <= MODEL_INPUT_COUNT &&
              position == std::floor(position)))
            reject(name, "badParameters",
                   "row %zu: position %s is not that of a property input, a whole number from "
                   "%d to %d",
                   r + 1, argument_checks::printed(position).text, IN_AREA + 1,
                   MODEL_INPUT_COUNT);
        const int input = static_cast<int>(position) - 1;
        const std::size_t size = Host::count(inputs[input]);
        if (!(element >= 1.0 && element <= static_cast<double>(size) &&
              element == std::floor(element)))
            reject(name, "badParameters",
                   "row %zu: element %s is not a whole number from 1 to %zu, the number of "
                   "elements of input %d (%s)",
                   r + 1, argument_checks::printed(element).text, size, input + 1,
                   vaporizer_arguments::model_inputs[input].name);
        selection.rows[r] = {input, static_cast<std::size_t>(element) - 1};
    }
    selection.count = rows;
    return selection;
}

}  // namespace parameter_selection

#endif
