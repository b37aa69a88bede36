// The 25 inputs of the vaporizer model as every module reads them:
// vaporizer, vaporizer_step, which takes the same 25 first, in MATLAB and
// Octave and in Python. One table, one reading loop and one call of the
// model, so every module and host checks every input alike and evaluates
// the model with the same bits. Host-free: a host supplies only the traits
// through which the checks see its arrays (argument_checks.h).
#ifndef MEX_SUITE_VAPORIZER_ARGUMENTS_H
#define MEX_SUITE_VAPORIZER_ARGUMENTS_H

#include <cstddef>

#include "argument_checks.h"
#include "balance_equations.h"
#include "module_interface.h"

namespace vaporizer_arguments {

enum {
    IN_STATE, IN_VAPOUR_FLOW, IN_HEAT_INPUT, IN_FEED1_FLOW, IN_FEED1_COMP, IN_FEED1_TEMP,
    IN_FEED2_FLOW, IN_FEED2_COMP, IN_FEED2_TEMP, IN_AREA, IN_WILSON_VOLUME, IN_WILSON_ENERGY,
    IN_MOLAR_MASS, IN_DENSITY, IN_ENTHALPY_OFFSET, IN_CP_LIQUID_A, IN_CP_LIQUID_B,
    IN_CP_VAPOUR_A, IN_CP_VAPOUR_B, IN_ANTOINE_A, IN_ANTOINE_B, IN_ANTOINE_C,
    IN_GAS_CONSTANT, IN_DENSITY_FACTOR, IN_TEMPERATURE_OFFSET, MODEL_INPUT_COUNT
};

constexpr std::size_t scalar = 0;  // read as a scalar: the first element
constexpr std::size_t vector = 7;  // one value per component
constexpr std::size_t matrix = 49; // one value per ordered pair of components

struct InputKind {
    const char *name;
    std::size_t min_count;  // scalar, or the least number of values of an array
};

constexpr InputKind model_inputs[MODEL_INPUT_COUNT] = {
    {"state", vaporizer_model::state_count}, {"vapour_flow", scalar}, {"heat_input", scalar},
    {"feed1_flow", scalar}, {"feed1_comp", vector},   {"feed1_temp", scalar},
    {"feed2_flow", scalar}, {"feed2_comp", vector},   {"feed2_temp", scalar},
    {"area", scalar},       {"wilson_volume", matrix}, {"wilson_energy", matrix},
    {"molar_mass", vector}, {"density", vector},      {"enthalpy_offset", vector},
    {"cp_liquid_a", vector}, {"cp_liquid_b", vector}, {"cp_vapour_a", vector},
    {"cp_vapour_b", vector}, {"antoine_a", vector},   {"antoine_b", vector},
    {"antoine_c", vector},  {"gas_constant", scalar}, {"density_factor", scalar},
    {"temperature_offset", scalar},
};

// vaporizer's outputs: the derivatives shaped like the state and the vapour
// composition like feed1_comp (which hold at least 8 and 7 values, so the
// model's writes fit), the other three scalars.
enum { OUT_DERIVATIVES, OUT_LEVEL, OUT_VAPOUR_COMP, OUT_TEMPERATURE, OUT_PRESSURE, OUTPUT_COUNT };
constexpr module_interface::Output model_outputs[OUTPUT_COUNT] = {
    module_interface::like_input("derivatives", IN_STATE), module_interface::scalar("level"),
    module_interface::like_input("vapour_comp", IN_FEED1_COMP),
    module_interface::scalar("temperature"), module_interface::scalar("pressure")};

// The inputs' data by position: arrays[p] for array inputs, scalars[p] for
// scalar ones. Points into the host's input arrays; valid during the call.
struct ModelInputs {
    const double *arrays[MODEL_INPUT_COUNT] = {};
    double scalars[MODEL_INPUT_COUNT] = {};
};

// Checks and reads inputs 1 to 25 in position order; the first bad one ends
// the call with "<module>:<mnemonic>" and a message naming it.
template <class Host>
ModelInputs read_model_inputs(const typename Host::Array *inputs, const char *module)
{
    ModelInputs in;
    for (int p = 0; p < MODEL_INPUT_COUNT; ++p) {
        const argument_checks::InputName name{module, p + 1, model_inputs[p].name};
        if (model_inputs[p].min_count == scalar)
            in.scalars[p] = argument_checks::scalar_value<Host>(inputs[p], name);
        else
            in.arrays[p] =
                argument_checks::double_array<Host>(inputs[p], model_inputs[p].min_count, name);
    }
    return in;
}

// The operating inputs u (vaporizer_state.h) as read: the values a sampled
// loop holds over an interval, and the directions of B's columns.
inline void operating_inputs(const ModelInputs &in, double *u)
{
    namespace at = vaporizer_model::operating;
    const double *s = in.scalars;
    u[at::vapour_flow] = s[IN_VAPOUR_FLOW];
    u[at::heat_input] = s[IN_HEAT_INPUT];
    u[at::feed1_flow] = s[IN_FEED1_FLOW];
    u[at::feed1_temp] = s[IN_FEED1_TEMP];
    u[at::feed2_flow] = s[IN_FEED2_FLOW];
    u[at::feed2_temp] = s[IN_FEED2_TEMP];
    for (int k = 0; k < vaporizer_model::component_count; ++k) {
        u[at::feed1_comp + k] = in.arrays[IN_FEED1_COMP][k];
        u[at::feed2_comp + k] = in.arrays[IN_FEED2_COMP][k];
    }
}

// The model at a state (8 values) with every other input as read; writes
// derivatives[0..7], vapour_comp[0..6] and the three scalars.
inline void evaluate_model(const ModelInputs &in, const double *state, double *derivatives,
                           double *level, double *vapour_comp, double *temperature,
                           double *pressure)
{
    const double *const *a = in.arrays;
    const double *s = in.scalars;
    vaporizer_model::vaporizer_derivatives(
        derivatives, level, vapour_comp, temperature, pressure, state, s[IN_VAPOUR_FLOW],
        s[IN_HEAT_INPUT], s[IN_FEED1_FLOW], a[IN_FEED1_COMP], s[IN_FEED1_TEMP], s[IN_FEED2_FLOW],
        a[IN_FEED2_COMP], s[IN_FEED2_TEMP], s[IN_AREA], a[IN_WILSON_VOLUME], a[IN_WILSON_ENERGY],
        a[IN_MOLAR_MASS], a[IN_DENSITY], a[IN_ENTHALPY_OFFSET], a[IN_CP_LIQUID_A],
        a[IN_CP_LIQUID_B], a[IN_CP_VAPOUR_A], a[IN_CP_VAPOUR_B], a[IN_ANTOINE_A], a[IN_ANTOINE_B],
        a[IN_ANTOINE_C], s[IN_GAS_CONSTANT], s[IN_DENSITY_FACTOR], s[IN_TEMPERATURE_OFFSET]);
}

}  // namespace vaporizer_arguments

#endif
