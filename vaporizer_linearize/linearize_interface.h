// vaporizer_linearize's inputs and outputs as every host makes them: the
// four matrices of the linear model and, for a selection of the property
// data as the 26th input, the two by those parameters, in their order and
// sizes (vaporizer_state.h orders their rows and columns). The MEX gateway
// and the Python binding both read this table.
#ifndef MEX_SUITE_LINEARIZE_INTERFACE_H
#define MEX_SUITE_LINEARIZE_INTERFACE_H

#include "model_jacobian.h"
#include "module_interface.h"

namespace linearize_interface {

using module_interface::matrix;
using module_interface::per_parameter;
using vaporizer_model::input_count;
using vaporizer_model::output_count;
using vaporizer_model::state_count;

enum { IN_PARAMETERS = vaporizer_arguments::MODEL_INPUT_COUNT, MAX_INPUT_COUNT };
constexpr argument_checks::InputName input_parameters{"vaporizer_linearize", IN_PARAMETERS + 1,
                                                      "parameters"};

enum { OUT_A, OUT_B, OUT_C, OUT_D, OUT_E, OUT_F, OUTPUT_COUNT };
constexpr module_interface::Output outputs[OUTPUT_COUNT] = {
    matrix("A", state_count, state_count),
    matrix("B", state_count, input_count),
    matrix("C", output_count, state_count),
    matrix("D", output_count, input_count),
    per_parameter("E", state_count),
    per_parameter("F", output_count),
};

// Where each output goes in what the model's derivatives fill.
inline double *&slot(vaporizer_model::Linearisation &wanted, int output)
{
    switch (output) {
    case OUT_A: return wanted.state_matrix;
    case OUT_B: return wanted.input_matrix;
    case OUT_C: return wanted.output_matrix;
    case OUT_D: return wanted.feedthrough_matrix;
    case OUT_E: return wanted.parameter_rate_matrix;
    default: return wanted.parameter_output_matrix;
    }
}

}  // namespace linearize_interface

#endif
