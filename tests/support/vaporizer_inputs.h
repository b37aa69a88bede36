// A realistic set of vaporizer inputs (temperatures in degrees Celsius,
// pressures in kPa, SI otherwise), seeded random variations of it, and a way
// to run any build of the routine on them and compare the results bit for
// bit, shared by the kernel and gateway tests, the Wine driver and the
// kernel benchmark.
#ifndef MEX_SUITE_TESTS_VAPORIZER_INPUTS_H
#define MEX_SUITE_TESTS_VAPORIZER_INPUTS_H

#include <cstdint>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
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

// A value in [low, high) from the raw 64-bit stream, which the standard fixes,
// rather than from a distribution, which each library implements its own way:
// the same seed gives the same inputs everywhere.
inline double uniform(std::mt19937_64 &random, double low, double high)
{
    return low + (high - low) * (static_cast<double>(random() >> 11) * 0x1.0p-53);
}

// Seven positive mole fractions that add up to 1 up to rounding.
inline std::vector<double> random_composition(std::mt19937_64 &random)
{
    std::vector<double> z(7);
    double sum = 0.0;
    for (double &v : z) {
        v = uniform(random, 0.02, 1.0);
        sum += v;
    }
    for (double &v : z)
        v /= sum;
    return z;
}

// The default set with every scalar, composition and property moved: a fault
// that ignores an input, or adds or divides in another order, shows in the
// last bits of most such sets, where the default's round values (flows 2 and
// 5, density factor 1) hide it. The ranges keep the plant physical: the
// dependent component keeps at least 10 %, flows, level and area stay
// positive, properties stay within 20 % of the defaults (Antoine A within
// 2 %, so pressures stay near the defaults), and R and T0 span the usual
// unit systems.
inline VaporizerInputs random_vaporizer_inputs(std::mt19937_64 &random)
{
    VaporizerInputs in;
    for (int k = 0; k < 6; ++k)
        in.state[k] = uniform(random, 0.0, 0.15);
    in.state[6] = uniform(random, 0.3, 2.5);
    in.state[7] = uniform(random, 20.0, 170.0);
    in.vapour_flow = uniform(random, 0.5, 8.0);
    in.heat_input = uniform(random, 0.0, 4.0e5);
    in.feed1_flow = uniform(random, 0.5, 10.0);
    in.feed1_comp = random_composition(random);
    in.feed1_temp = uniform(random, 20.0, 150.0);
    in.feed2_flow = uniform(random, 0.5, 10.0);
    in.feed2_comp = random_composition(random);
    in.feed2_temp = uniform(random, 20.0, 150.0);
    in.area = uniform(random, 0.5, 3.0);
    for (int ij = 0; ij < 49; ++ij)
        if (ij % 8 != 0) {  // the diagonal stays Lambda = 1
            in.wilson_volume[ij] *= uniform(random, 0.8, 1.2);
            in.wilson_energy[ij] *= uniform(random, 0.8, 1.2);
        }
    for (std::vector<double> *v :
         {&in.molar_mass, &in.density, &in.enthalpy_offset, &in.cp_liquid_a, &in.cp_liquid_b,
          &in.cp_vapour_a, &in.cp_vapour_b, &in.antoine_b, &in.antoine_c})
        for (double &value : *v)
            value *= uniform(random, 0.8, 1.2);
    for (double &value : in.antoine_a)
        value *= uniform(random, 0.98, 1.02);
    in.gas_constant = uniform(random, 1.98, 8.32);
    in.density_factor = uniform(random, 0.5, 2.0);
    in.temperature_offset = uniform(random, 250.0, 300.0);
    return in;
}

// Empty when every output value of a and b has the same bits, otherwise the
// first that differs.
inline std::string bit_difference(const VaporizerOutputs &a, const VaporizerOutputs &b)
{
    auto all = [](const VaporizerOutputs &out) {
        std::vector<double> v = out.derivatives;
        v.push_back(out.level);
        v.insert(v.end(), out.vapour_comp.begin(), out.vapour_comp.end());
        v.push_back(out.temperature);
        v.push_back(out.pressure);
        return v;
    };
    const std::vector<double> va = all(a), vb = all(b);
    if (va.size() != vb.size())
        return "output sizes differ";
    for (std::size_t i = 0; i < va.size(); ++i)
        if (std::memcmp(&va[i], &vb[i], sizeof(double)) != 0) {
            std::ostringstream text;
            text.precision(17);
            text << "output value " << i << ": " << va[i] << " != " << vb[i];
            return text.str();
        }
    return "";
}

#endif
