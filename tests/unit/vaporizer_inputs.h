// A realistic set of vaporizer inputs (temperatures in degrees Celsius,
// pressures in kPa, SI otherwise) and a way to run any build of the routine
// on it, shared by the kernel and gateway tests.
#ifndef MEX_SUITE_TESTS_VAPORIZER_INPUTS_H
#define MEX_SUITE_TESTS_VAPORIZER_INPUTS_H

#include <vector>

struct VaporizerInputs {
    std::vector<double> state{0.12, 0.08, 0.30, 0.10, 0.05, 0.07, 1.2, 78.5};
    double vapour_flow = 4.0;
    double heat_input = 2.0e5;
    double feed1_flow = 2.0;
    std::vector<double> feed1_comp{0.20, 0.10, 0.25, 0.15, 0.10, 0.05, 0.15};
    double feed1_temp = 95.0;
    double feed2_flow = 5.0;
    std::vector<double> feed2_comp{0.05, 0.15, 0.35, 0.20, 0.05, 0.10, 0.10};
    double feed2_temp = 40.0;
    double area = 1.5;
    std::vector<double> wilson_volume = pair_matrix(1.0, 0.55, 0.11);
    std::vector<double> wilson_energy = pair_matrix(0.0, -300.0, 260.0);
    std::vector<double> molar_mass{0.032, 0.046, 0.018, 0.060, 0.058, 0.078, 0.092};
    std::vector<double> density{792.0, 789.0, 1000.0, 803.0, 784.0, 876.0, 867.0};
    std::vector<double> enthalpy_offset{37.4e3, 42.3e3, 45.0e3, 47.5e3, 31.3e3, 33.8e3, 38.0e3};
    std::vector<double> cp_liquid_a{2400.0, 2300.0, 4180.0, 2200.0, 2100.0, 1700.0, 1600.0};
    std::vector<double> cp_liquid_b{3.1, 4.2, 0.4, 3.3, 2.5, 2.2, 2.4};
    std::vector<double> cp_vapour_a{1300.0, 1400.0, 1860.0, 1450.0, 1250.0, 1000.0, 1050.0};
    std::vector<double> cp_vapour_b{1.9, 2.1, 0.6, 2.3, 1.8, 1.6, 1.7};
    std::vector<double> antoine_a{16.5785, 16.8958, 16.3872, 16.1154, 14.3145, 13.7819, 13.9320};
    std::vector<double> antoine_b{-3638.27, -3795.17, -3885.70, -3483.67, -2756.22, -2726.81,
                                  -3056.96};
    std::vector<double> antoine_c{239.500, 230.918, 230.170, 205.807, 228.060, 217.572, 217.625};
    double gas_constant = 8.314;
    double density_factor = 1.0;
    double temperature_offset = 273.15;

    // Asymmetric 7-by-7 pair values in flat i*7 + j order with a fixed diagonal.
    static std::vector<double> pair_matrix(double diagonal, double base, double step)
    {
        std::vector<double> values(49);
        for (int i = 0; i < 7; ++i)
            for (int j = 0; j < 7; ++j)
                values[i * 7 + j] = i == j ? diagonal : base + step * ((3 * i + 5 * j) % 9);
        return values;
    }
};

struct VaporizerOutputs {
    std::vector<double> derivatives = std::vector<double>(8);
    double level = 0.0;
    std::vector<double> vapour_comp = std::vector<double>(7);
    double temperature = 0.0;
    double pressure = 0.0;
};

// Runs a routine with the signature of vaporizer_derivatives on the inputs.
template <class Routine>
VaporizerOutputs run_vaporizer(Routine routine, const VaporizerInputs &in)
{
    VaporizerOutputs out;
    routine(out.derivatives.data(), &out.level, out.vapour_comp.data(), &out.temperature,
            &out.pressure, in.state.data(), in.vapour_flow, in.heat_input, in.feed1_flow,
            in.feed1_comp.data(), in.feed1_temp, in.feed2_flow, in.feed2_comp.data(),
            in.feed2_temp, in.area, in.wilson_volume.data(), in.wilson_energy.data(),
            in.molar_mass.data(), in.density.data(), in.enthalpy_offset.data(),
            in.cp_liquid_a.data(), in.cp_liquid_b.data(), in.cp_vapour_a.data(),
            in.cp_vapour_b.data(), in.antoine_a.data(), in.antoine_b.data(), in.antoine_c.data(),
            in.gas_constant, in.density_factor, in.temperature_offset);
    return out;
}

#endif
