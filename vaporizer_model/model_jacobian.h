// Exact first derivatives of the vaporizer model, by forward-mode automatic
// differentiation of the very code of vaporizer_derivatives: the
// linearisation
//
//   d(derivatives) = A d(state) + B du,   d(outputs) = C d(state) + D du
//
// with the operating inputs u (20) and the outputs (10) in the order of
// vaporizer_state.h. A is 8x8, B 8x20, C 10x8, D 10x20, each stored
// column-major (the host's order), so element (i, j) of A is
// state_matrix[i + 8*j].
//
// Every routine takes the state and the model's other inputs as the input
// table holds them (vaporizer_arguments.h), evaluates the model once, and
// may also hand back its values: they have the bits vaporizer_derivatives
// gives. Any output pointer may be null when that output is not wanted. No
// host header, no allocation (the derivative vectors have a fixed size and
// live on the stack), no state.
#ifndef MEX_SUITE_MODEL_JACOBIAN_H
#define MEX_SUITE_MODEL_JACOBIAN_H

#include "balance_equations.h"
#include "parameter_selection.h"
#include "vaporizer_arguments.h"

namespace VAPORIZER_MODEL_NAMESPACE {

using vaporizer_arguments::ModelInputs;

// A alone, for a Newton iteration's matrix: 8 derivative directions.
void vaporizer_state_jacobian(double *state_matrix, double *derivatives, const double *state,
                              const ModelInputs &inputs);

// A and B together, for forward sensitivities: 28 derivative directions.
void vaporizer_state_input_jacobians(double *state_matrix, double *input_matrix,
                                     double *derivatives, const double *state,
                                     const ModelInputs &inputs);

// Where vaporizer_jacobians puts what it computes; null for what is not wanted.
struct Linearisation {
    double *state_matrix = nullptr;        // A, 8x8
    double *input_matrix = nullptr;        // B, 8x20
    double *output_matrix = nullptr;       // C, 10x8
    double *feedthrough_matrix = nullptr;  // D, 10x20
    double *parameter_rate_matrix = nullptr;    // E, 8xP: by the selected property data
    double *parameter_output_matrix = nullptr;  // F, 10xP
    double *derivatives = nullptr;         // the values, as vaporizer_derivatives writes them
    double *level = nullptr;
    double *vapour_comp = nullptr;
    double *temperature = nullptr;
    double *pressure = nullptr;
};

// All six matrices and every value of vaporizer_derivatives; E and F only
// with a selection. With neither B nor D wanted it differentiates by the
// state alone, at the cost of vaporizer_state_jacobian.
void vaporizer_jacobians(const Linearisation &wanted, const double *state,
                         const ModelInputs &inputs,
                         const parameter_selection::ParameterSelection *selection = nullptr);

// The derivatives by the selected property data (parameter_selection.h):
// d(derivatives)/dp into rate_matrix (8xP, the E of the linear model) and
// d(outputs)/dp into output_matrix (10xP, F, rows as C's), either null when
// not wanted. The parameters go through in chunks of a fixed number of
// directions, so any selection needs no more memory than one chunk.
void vaporizer_parameter_jacobians(double *rate_matrix, double *output_matrix,
                                   const double *state, const ModelInputs &inputs,
                                   const parameter_selection::ParameterSelection &selection);

}  // namespace VAPORIZER_MODEL_NAMESPACE

#endif
