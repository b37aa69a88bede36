// The seeded inputs as the model's input table (vaporizer_arguments.h)
// holds them, for the routines that take the table rather than 25
// arguments. Points into the inputs, which must outlive it.
#ifndef MEX_SUITE_TESTS_MODEL_INPUTS_H
#define MEX_SUITE_TESTS_MODEL_INPUTS_H

#include "vaporizer_arguments.h"
#include "vaporizer_inputs.h"

inline vaporizer_arguments::ModelInputs model_inputs(const VaporizerInputs &in)
{
    using namespace vaporizer_arguments;
    ModelInputs m;
    const std::vector<double> *arrays[MODEL_INPUT_COUNT] = {
        &in.state, nullptr, nullptr, nullptr, &in.feed1_comp, nullptr, nullptr, &in.feed2_comp,
        nullptr, nullptr, &in.wilson_volume, &in.wilson_energy, &in.molar_mass, &in.density,
        &in.enthalpy_offset, &in.cp_liquid_a, &in.cp_liquid_b, &in.cp_vapour_a, &in.cp_vapour_b,
        &in.antoine_a, &in.antoine_b, &in.antoine_c};
    for (int p = 0; p < MODEL_INPUT_COUNT; ++p)
        if (arrays[p] != nullptr)
            m.arrays[p] = arrays[p]->data();
    const double scalars[][2] = {
        {IN_VAPOUR_FLOW, in.vapour_flow}, {IN_HEAT_INPUT, in.heat_input},
        {IN_FEED1_FLOW, in.feed1_flow},   {IN_FEED1_TEMP, in.feed1_temp},
        {IN_FEED2_FLOW, in.feed2_flow},   {IN_FEED2_TEMP, in.feed2_temp},
        {IN_AREA, in.area},               {IN_GAS_CONSTANT, in.gas_constant},
        {IN_DENSITY_FACTOR, in.density_factor}, {IN_TEMPERATURE_OFFSET, in.temperature_offset}};
    for (const auto &[position, value] : scalars)
        m.scalars[static_cast<int>(position)] = value;
    return m;
}

#endif
