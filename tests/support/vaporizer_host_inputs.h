// The vaporizer's 25 inputs as host arrays, for the gateway tests of
// vaporizer and vaporizer_step, which take the same 25 first.
#ifndef MEX_SUITE_TESTS_VAPORIZER_HOST_INPUTS_H
#define MEX_SUITE_TESTS_VAPORIZER_HOST_INPUTS_H

#include <vector>

#include "in_process_host.h"
#include "vaporizer_inputs.h"

const char *const vaporizer_input_names[25] = {
    "state",          "vapour_flow",     "heat_input",  "feed1_flow",  "feed1_comp",
    "feed1_temp",     "feed2_flow",      "feed2_comp",  "feed2_temp",  "area",
    "wilson_volume",  "wilson_energy",   "molar_mass",  "density",     "enthalpy_offset",
    "cp_liquid_a",    "cp_liquid_b",     "cp_vapour_a", "cp_vapour_b", "antoine_a",
    "antoine_b",      "antoine_c",       "gas_constant", "density_factor",
    "temperature_offset"};

// Arrays as columns (the Wilson matrices 7-by-7), scalars 1-by-1.
inline std::vector<in_process_host::ArrayPtr> vaporizer_host_inputs(const VaporizerInputs &in)
{
    using namespace in_process_host;
    std::vector<ArrayPtr> a;
    a.push_back(make_column(in.state));
    for (double s : {in.vapour_flow, in.heat_input, in.feed1_flow})
        a.push_back(make_scalar(s));
    a.push_back(make_column(in.feed1_comp));
    a.push_back(make_scalar(in.feed1_temp));
    a.push_back(make_scalar(in.feed2_flow));
    a.push_back(make_column(in.feed2_comp));
    a.push_back(make_scalar(in.feed2_temp));
    a.push_back(make_scalar(in.area));
    a.push_back(make_double(7, 7, in.wilson_volume));
    a.push_back(make_double(7, 7, in.wilson_energy));
    for (const std::vector<double> *v :
         {&in.molar_mass, &in.density, &in.enthalpy_offset, &in.cp_liquid_a, &in.cp_liquid_b,
          &in.cp_vapour_a, &in.cp_vapour_b, &in.antoine_a, &in.antoine_b, &in.antoine_c})
        a.push_back(make_column(*v));
    for (double s : {in.gas_constant, in.density_factor, in.temperature_offset})
        a.push_back(make_scalar(s));
    return a;
}

#endif
