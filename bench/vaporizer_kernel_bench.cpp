// vaporizer_derivatives beside its libm floor: the same library calls with
// the same arguments and nothing else. One evaluation makes 63 exp calls
// (49 Wilson factors, 7 activity coefficients, 7 vapour pressures), 7 log
// calls and 4 pow calls (the temperature square, one per mixture enthalpy).
// The pow calls are part of the floor: the square must come from the
// library, so no evaluation can avoid them.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "balance_equations.h"
#include "vaporizer_inputs.h"
#ifdef MEX_SUITE_BENCH_JACOBIAN
#include "model_inputs.h"
#include "model_jacobian.h"
#endif

namespace {

const volatile double two = 2.0;

struct LibmArguments {
    std::vector<double> exp_args, log_args, pow_args;
};

// The arguments the routine hands to the library for these inputs.
LibmArguments libm_arguments(const VaporizerInputs &in)
{
    LibmArguments args;
    const std::vector<double> &s = in.state;
    const double x[7] = {s[0], s[1], s[2], 1.0 - (s[0] + s[1] + s[2] + s[3] + s[4] + s[5]),
                         s[3], s[4], s[5]};
    const double t = s[7];
    double lambda[49], sums[7] = {};
    for (int ij = 0; ij < 49; ++ij) {
        args.exp_args.push_back(-in.wilson_energy[ij] /
                                (in.gas_constant * (t + in.temperature_offset)));
        lambda[ij] = in.wilson_volume[ij] * std::exp(args.exp_args.back());
    }
    for (int i = 0; i < 7; ++i)
        for (int j = 0; j < 7; ++j)
            sums[i] += lambda[i * 7 + j] * x[j];
    for (int i = 0; i < 7; ++i) {
        double cross = 0.0;
        for (int k = 0; k < 7; ++k)
            cross += lambda[k * 7 + i] / sums[k] * x[k];
        args.log_args.push_back(sums[i]);
        args.exp_args.push_back((1.0 - std::log(sums[i])) - cross);
    }
    for (int k = 0; k < 7; ++k)
        args.exp_args.push_back(in.antoine_a[k] + in.antoine_b[k] / (t + in.antoine_c[k]));
    for (double temperature : {in.feed1_temp, in.feed2_temp, t, t})
        args.pow_args.push_back(temperature);
    return args;
}

void vaporizer_derivatives_kernel(benchmark::State &state)
{
    const VaporizerInputs in;
    double derivatives[8], vapour_comp[7], level, temperature, pressure;
    for (auto _ : state) {
        benchmark::DoNotOptimize(in.state.data());
        benchmark::ClobberMemory();
        vaporizer_model::vaporizer_derivatives(
            derivatives, &level, vapour_comp, &temperature, &pressure, in.state.data(),
            in.vapour_flow, in.heat_input, in.feed1_flow, in.feed1_comp.data(), in.feed1_temp,
            in.feed2_flow, in.feed2_comp.data(), in.feed2_temp, in.area, in.wilson_volume.data(),
            in.wilson_energy.data(), in.molar_mass.data(), in.density.data(),
            in.enthalpy_offset.data(), in.cp_liquid_a.data(), in.cp_liquid_b.data(),
            in.cp_vapour_a.data(), in.cp_vapour_b.data(), in.antoine_a.data(),
            in.antoine_b.data(), in.antoine_c.data(), in.gas_constant, in.density_factor,
            in.temperature_offset);
        benchmark::DoNotOptimize(derivatives);
        benchmark::DoNotOptimize(vapour_comp);
        benchmark::ClobberMemory();
    }
}

#ifdef MEX_SUITE_BENCH_JACOBIAN
// The model's Jacobians next to the plain evaluation: A alone (8 directions),
// A and B (28), and all four matrices with the values (28).
enum class Matrices { a, a_b, all };

void jacobian_kernel(benchmark::State &state, Matrices matrices)
{
    const VaporizerInputs in;
    double a[8 * 8], b[8 * 20], c[10 * 8], d[10 * 20];
    double derivatives[8], vapour_comp[7], level, temperature, pressure;
    const vaporizer_arguments::ModelInputs inputs = model_inputs(in);
    vaporizer_model::Linearisation all;
    all.state_matrix = a;
    all.input_matrix = b;
    all.output_matrix = c;
    all.feedthrough_matrix = d;
    all.derivatives = derivatives;
    all.level = &level;
    all.vapour_comp = vapour_comp;
    all.temperature = &temperature;
    all.pressure = &pressure;
    for (auto _ : state) {
        benchmark::DoNotOptimize(in.state.data());
        benchmark::ClobberMemory();
        const double *s = in.state.data();
        switch (matrices) {
        case Matrices::a:
            vaporizer_model::vaporizer_state_jacobian(a, derivatives, s, inputs);
            break;
        case Matrices::a_b:
            vaporizer_model::vaporizer_state_input_jacobians(a, b, derivatives, s, inputs);
            break;
        case Matrices::all:
            vaporizer_model::vaporizer_jacobians(all, s, inputs);
            break;
        }
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(b);
        benchmark::DoNotOptimize(d);
        benchmark::ClobberMemory();
    }
}

// E alone for the calibration example's 28 parameters: 20 Wilson energies,
// the 7 constant heat capacity coefficients and the density factor.
void jacobian_e_28(benchmark::State &state)
{
    const VaporizerInputs in;
    const vaporizer_arguments::ModelInputs inputs = model_inputs(in);
    parameter_selection::ParameterSelection selection;
    for (std::size_t j = 0; j < 20; ++j)
        selection.rows[selection.count++] = {vaporizer_arguments::IN_WILSON_ENERGY, j * 2 + 1};
    for (std::size_t k = 0; k < 7; ++k)
        selection.rows[selection.count++] = {vaporizer_arguments::IN_CP_LIQUID_A, k};
    selection.rows[selection.count++] = {vaporizer_arguments::IN_DENSITY_FACTOR, 0};
    double e[8 * 28];
    for (auto _ : state) {
        benchmark::DoNotOptimize(in.state.data());
        benchmark::ClobberMemory();
        vaporizer_model::vaporizer_parameter_jacobians(e, nullptr, in.state.data(), inputs,
                                                       selection);
        benchmark::DoNotOptimize(e);
        benchmark::ClobberMemory();
    }
}

void jacobian_a(benchmark::State &state) { jacobian_kernel(state, Matrices::a); }
void jacobian_a_b(benchmark::State &state) { jacobian_kernel(state, Matrices::a_b); }
void jacobian_all(benchmark::State &state) { jacobian_kernel(state, Matrices::all); }
#endif

void libm_floor(benchmark::State &state, bool with_pow)
{
    const LibmArguments args = libm_arguments(VaporizerInputs());
    std::vector<double> results(args.exp_args.size() + args.log_args.size() + args.pow_args.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(args.exp_args.data());
        benchmark::ClobberMemory();
        double *out = results.data();
        for (double a : args.exp_args)
            *out++ = std::exp(a);
        for (double a : args.log_args)
            *out++ = std::log(a);
        if (with_pow)
            for (double a : args.pow_args)
                *out++ = std::pow(a, two);
        benchmark::DoNotOptimize(results.data());
        benchmark::ClobberMemory();
    }
}

void floor_63_exp_7_log_4_pow(benchmark::State &state) { libm_floor(state, true); }
void floor_63_exp_7_log(benchmark::State &state) { libm_floor(state, false); }

}  // namespace

BENCHMARK(vaporizer_derivatives_kernel);
BENCHMARK(floor_63_exp_7_log_4_pow);
BENCHMARK(floor_63_exp_7_log);
#ifdef MEX_SUITE_BENCH_JACOBIAN
BENCHMARK(jacobian_a);
BENCHMARK(jacobian_a_b);
BENCHMARK(jacobian_all);
BENCHMARK(jacobian_e_28);
#endif
