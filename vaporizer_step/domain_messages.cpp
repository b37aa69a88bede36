#include "domain_messages.h"

#include <cstdio>

#include "argument_checks.h"
#include "floating_point_environment.h"

namespace vaporizer_model {

namespace {

using argument_checks::printed;
using interval_integration::Nonfinite;

// What a non-finite value belongs to: "derivative 3", "the derivative of
// rate 3 by state element 8", "the sensitivity of end element 3 to
// operating input 2". The columns past the state's 8 are the operating
// inputs held over the interval.
void name_nonfinite(char *text, std::size_t size, const interval_integration::DomainExit &exit)
{
    const std::size_t row = exit.row + 1;
    if (exit.what == Nonfinite::Rate) {
        std::snprintf(text, size, "derivative %zu is %s", row, printed(exit.value).text);
        return;
    }
    const bool by_state = exit.column < state_count;
    const bool jacobian = exit.what == Nonfinite::Jacobian;
    std::snprintf(text, size, "the %s %zu %s %s %zu is %s",
                  jacobian ? "derivative of rate" : "sensitivity of end element", row,
                  jacobian ? "by" : "to",
                  by_state ? (jacobian ? "state element" : "start element") : "operating input",
                  by_state ? exit.column + 1 : exit.column + 1 - state_count,
                  printed(exit.value).text);
}

}  // namespace

void describe_domain_exit(char *text, std::size_t size, const interval_integration::DomainExit &exit,
                          const DomainLimits &limits, double interval)
{
    const floating_point_environment::FixedPrintingEnvironment fixed_fpu;
    const int code = exit.bound;
    const int k = component_of(code);
    const double *state = exit.state;
    const double time = exit.time;
    char what[200];
    switch (bound_of(code)) {
    case inside: {
        char nonfinite[160];
        name_nonfinite(nonfinite, sizeof nonfinite, exit);
        if (exit.what == Nonfinite::Sensitivity)
            std::snprintf(text, size, "the sensitivities are not finite at the end of the "
                          "interval [0, %g]: %s", interval, nonfinite);
        else
            std::snprintf(text, size, "the model's %s not finite at the state reached at "
                          "t = %g within the interval [0, %g]: %s (level %s, temperature %s)",
                          exit.what == Nonfinite::Rate ? "derivatives are" : "Jacobian is", time,
                          interval, nonfinite, printed(state[state_level]).text, printed(state[state_temperature]).text);
        return;
    }
    case level_not_positive:
        std::snprintf(text, size, "the level fell to %s, a millionth of where it started, at "
                      "t = %g within the interval [0, %g]: the vessel ran dry",
                      printed(limits.least_level).text, time, interval);
        return;
    case below_absolute_zero:
        std::snprintf(what, sizeof what, "the temperature fell to %s, absolute zero of the "
                      "property set (T + temperature_offset = 0),",
                      printed(-limits.temperature_offset).text);
        break;
    case beyond_vapour_pressure_pole:
        std::snprintf(what, sizeof what, "the temperature fell to %s, the pole of the vapour "
                      "pressure of component %d (T + antoine_c = 0),",
                      printed(-limits.antoine_c[k]).text, k + 1);
        break;
    case fraction_below_zero:
        std::snprintf(what, sizeof what, "the mole fraction of component %d fell below 0", k + 1);
        break;
    case fraction_above_one:
        std::snprintf(what, sizeof what, "the mole fraction of component %d rose above 1", k + 1);
        break;
    default:
        std::snprintf(what, sizeof what, "element %d of the state became %s", k + 1,
                      printed(state[k]).text);
        break;
    }
    // The level says whether the vessel was about to run dry.
    std::snprintf(text, size, "%s at t = %g within the interval [0, %g], with the level at %s",
                  what, time, interval, printed(state[state_level]).text);
}

void describe_outside_state(char *text, std::size_t size, int code, const double *state,
                            const DomainLimits &limits)
{
    const floating_point_environment::FixedPrintingEnvironment fixed_fpu;
    const int k = component_of(code);
    double x[component_count];
    liquid_fractions(state, x);
    switch (bound_of(code)) {
    case level_not_positive:
        std::snprintf(text, size, "the level (element 7) is %s; it must be above 0",
                      printed(state[state_level]).text);
        return;
    case below_absolute_zero:
        std::snprintf(text, size, "the temperature (element 8) is %s, at or below absolute zero "
                      "of the property set, -temperature_offset = %s", printed(state[state_temperature]).text,
                      printed(-limits.temperature_offset).text);
        return;
    case beyond_vapour_pressure_pole:
        std::snprintf(text, size, "the temperature (element 8) is %s, at or below the pole of "
                      "the vapour pressure of component %d, -antoine_c(%d) = %s",
                      printed(state[state_temperature]).text, k + 1, k + 1, printed(-limits.antoine_c[k]).text);
        return;
    case element_not_finite:
        std::snprintf(text, size, "element %d is %s", k + 1, printed(state[k]).text);
        return;
    default:
        std::snprintf(text, size, "the mole fraction of component %d is %s, outside [0, 1] by "
                      "more than %s", k + 1, printed(x[k]).text,
                      printed(limits.fraction_slack).text);
        return;
    }
}

}  // namespace vaporizer_model
