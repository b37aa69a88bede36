// vaporizer(state, ... 25 inputs): the vaporizer right-hand side for ODE
// solvers. Returns [dstate, level, vapour_comp, temperature, pressure].
//
// The gateway only checks, unpacks and creates; the arithmetic lives in
// balance_equations.cpp.
#include "argument_checks.h"
#include "balance_equations.h"
#include "floating_point_environment.h"
#include "mex_interface.h"

namespace {

enum {
    IN_STATE, IN_VAPOUR_FLOW, IN_HEAT_INPUT, IN_FEED1_FLOW, IN_FEED1_COMP, IN_FEED1_TEMP,
    IN_FEED2_FLOW, IN_FEED2_COMP, IN_FEED2_TEMP, IN_AREA, IN_WILSON_VOLUME, IN_WILSON_ENERGY,
    IN_MOLAR_MASS, IN_DENSITY, IN_ENTHALPY_OFFSET, IN_CP_LIQUID_A, IN_CP_LIQUID_B,
    IN_CP_VAPOUR_A, IN_CP_VAPOUR_B, IN_ANTOINE_A, IN_ANTOINE_B, IN_ANTOINE_C,
    IN_GAS_CONSTANT, IN_DENSITY_FACTOR, IN_TEMPERATURE_OFFSET, INPUT_COUNT
};
enum { OUT_DERIVATIVES, OUT_LEVEL, OUT_VAPOUR_COMP, OUT_TEMPERATURE, OUT_PRESSURE, OUTPUT_COUNT };

constexpr std::size_t scalar = 0;  // read with mxGetScalar
constexpr std::size_t vector = 7;  // one value per component
constexpr std::size_t matrix = 49; // one value per ordered pair of components

struct InputKind {
    const char *name;
    std::size_t min_count;  // scalar, or the least number of values of an array
};

const InputKind inputs[INPUT_COUNT] = {
    {"state", 8},           {"vapour_flow", scalar},  {"heat_input", scalar},
    {"feed1_flow", scalar}, {"feed1_comp", vector},   {"feed1_temp", scalar},
    {"feed2_flow", scalar}, {"feed2_comp", vector},   {"feed2_temp", scalar},
    {"area", scalar},       {"wilson_volume", matrix}, {"wilson_energy", matrix},
    {"molar_mass", vector}, {"density", vector},      {"enthalpy_offset", vector},
    {"cp_liquid_a", vector}, {"cp_liquid_b", vector}, {"cp_vapour_a", vector},
    {"cp_vapour_b", vector}, {"antoine_a", vector},   {"antoine_b", vector},
    {"antoine_c", vector},  {"gas_constant", scalar}, {"density_factor", scalar},
    {"temperature_offset", scalar},
};

mxArray *shaped_like(const mxArray *input)
{
    return mxCreateDoubleMatrix(mxGetM(input), mxGetN(input), mxREAL);
}

}  // namespace

extern "C" void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    using namespace argument_checks;

    if (nrhs != INPUT_COUNT)
        mexErrMsgTxt("inputs not correct");
    if (nlhs != OUTPUT_COUNT)
        mexErrMsgTxt("outputs not correct");

    // Every input is checked, in position order, before any output exists.
    const double *a[INPUT_COUNT] = {};
    double s[INPUT_COUNT] = {};
    for (int in = 0; in < INPUT_COUNT; ++in) {
        const InputName name{"vaporizer", in + 1, inputs[in].name};
        if (inputs[in].min_count == scalar)
            s[in] = numeric_scalar(prhs[in], name);
        else
            a[in] = double_array(prhs[in], inputs[in].min_count, name);
    }

    // Outputs 1 and 3 take the shapes of inputs 1 and 5, which hold at least
    // 8 and 7 values, so the routine's writes fit.
    plhs[OUT_DERIVATIVES] = shaped_like(prhs[IN_STATE]);
    double *derivatives = mxGetPr(plhs[OUT_DERIVATIVES]);
    plhs[OUT_LEVEL] = mxCreateDoubleScalar(0.0);
    double *level = mxGetPr(plhs[OUT_LEVEL]);
    plhs[OUT_VAPOUR_COMP] = shaped_like(prhs[IN_FEED1_COMP]);
    double *vapour_comp = mxGetPr(plhs[OUT_VAPOUR_COMP]);
    plhs[OUT_TEMPERATURE] = mxCreateDoubleScalar(0.0);
    double *temperature = mxGetPr(plhs[OUT_TEMPERATURE]);
    plhs[OUT_PRESSURE] = mxCreateDoubleScalar(0.0);
    double *pressure = mxGetPr(plhs[OUT_PRESSURE]);

    const floating_point_environment::FixedEnvironment fixed_fpu;  // whatever the caller set
    vaporizer_model::vaporizer_derivatives(
        derivatives, level, vapour_comp, temperature, pressure, a[IN_STATE], s[IN_VAPOUR_FLOW],
        s[IN_HEAT_INPUT], s[IN_FEED1_FLOW], a[IN_FEED1_COMP], s[IN_FEED1_TEMP], s[IN_FEED2_FLOW],
        a[IN_FEED2_COMP], s[IN_FEED2_TEMP], s[IN_AREA], a[IN_WILSON_VOLUME], a[IN_WILSON_ENERGY],
        a[IN_MOLAR_MASS], a[IN_DENSITY], a[IN_ENTHALPY_OFFSET], a[IN_CP_LIQUID_A],
        a[IN_CP_LIQUID_B], a[IN_CP_VAPOUR_A], a[IN_CP_VAPOUR_B], a[IN_ANTOINE_A], a[IN_ANTOINE_B],
        a[IN_ANTOINE_C], s[IN_GAS_CONSTANT], s[IN_DENSITY_FACTOR], s[IN_TEMPERATURE_OFFSET]);
}
