// vaporizer_step's interface as every host presents it: its outputs, the
// options with their names in MATLAB and Octave (odeset's) and in Python
// (keywords), and the fields of its statistics. The MEX gateway and the
// Python binding both read these tables; the help describes them.
#ifndef MEX_SUITE_STEP_INTERFACE_H
#define MEX_SUITE_STEP_INTERFACE_H

#include "interval_integration.h"
#include "module_interface.h"
#include "vaporizer_arguments.h"
#include "vaporizer_state.h"

namespace step_interface {

using module_interface::like_input;
using module_interface::matrix;
using module_interface::record;
using module_interface::scalar;
using vaporizer_model::input_count;
using vaporizer_model::state_count;

// The inputs beyond vaporizer's 25.
enum {
    IN_INTERVAL = vaporizer_arguments::MODEL_INPUT_COUNT, IN_OPTIONS, IN_PARAMETERS,
    MAX_INPUT_COUNT
};

enum {
    OUT_STATE, OUT_LEVEL, OUT_VAPOUR_COMP, OUT_TEMPERATURE, OUT_PRESSURE, OUT_STATS,
    OUT_STATE_SENSITIVITY, OUT_INPUT_SENSITIVITY, OUT_PARAMETER_SENSITIVITY, OUTPUT_COUNT
};
constexpr module_interface::Output outputs[OUTPUT_COUNT] = {
    like_input("state", vaporizer_arguments::IN_STATE),
    scalar("level"),
    like_input("vapour_comp", vaporizer_arguments::IN_FEED1_COMP),
    scalar("temperature"),
    scalar("pressure"),
    record("stats"),
    matrix("state_sensitivity", state_count, state_count),
    matrix("input_sensitivity", state_count, input_count),
    module_interface::per_parameter("parameter_sensitivity", state_count),
};

enum Option { RELTOL, ABSTOL, MAXSTEP, INITIALSTEP, SENSERRORCONTROL, OPTION_COUNT };
struct OptionName {
    const char *mex;     // an odeset field, matched without regard to case
    const char *python;  // a keyword
};
constexpr OptionName options[OPTION_COUNT] = {
    {"RelTol", "rtol"},
    {"AbsTol", "atol"},
    {"MaxStep", "max_step"},
    {"InitialStep", "first_step"},
    {"SensitivityErrorControl", "sensitivity_error_control"}};

struct StatisticField {
    const char *name;
    long interval_integration::Statistics::*count;
};
constexpr int statistic_count = 6;
constexpr StatisticField statistics[statistic_count] = {
    {"steps", &interval_integration::Statistics::steps},
    {"failed_steps", &interval_integration::Statistics::failed_steps},
    {"rhs_evaluations", &interval_integration::Statistics::rhs_evaluations},
    {"jacobian_evaluations", &interval_integration::Statistics::jacobian_evaluations},
    {"nonlinear_iterations", &interval_integration::Statistics::nonlinear_iterations},
    {"convergence_failures", &interval_integration::Statistics::convergence_failures},
};

}  // namespace step_interface

#endif
