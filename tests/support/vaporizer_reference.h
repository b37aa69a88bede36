// The balance equations written out plainly, apart from the routines under
// test: one writing for every number type. With doubles it is the exact-bit
// reference of the kernel tests, every operation in the order the model
// defines; with std::complex<double> it gives complex-step derivatives for
// the Jacobian tests. The caller supplies the square of a temperature (the
// platform's pow for doubles, whose last bit can differ from T*T).
#ifndef MEX_SUITE_TESTS_VAPORIZER_REFERENCE_H
#define MEX_SUITE_TESTS_VAPORIZER_REFERENCE_H

#include <cmath>
#include <complex>
#include <vector>

#include "vaporizer_inputs.h"

// The operating inputs in the order of B's columns: vapour flow, heat
// input, feed 1 flow, its seven fractions and temperature, then feed 2's.
inline std::vector<double> operating_inputs(const VaporizerInputs &in)
{
    std::vector<double> u{in.vapour_flow, in.heat_input, in.feed1_flow};
    u.insert(u.end(), in.feed1_comp.begin(), in.feed1_comp.end());
    u.push_back(in.feed1_temp);
    u.push_back(in.feed2_flow);
    u.insert(u.end(), in.feed2_comp.begin(), in.feed2_comp.end());
    u.push_back(in.feed2_temp);
    return u;
}

// The state derivatives (8) and the outputs (10: level, vapour fractions,
// temperature, pressure) at the state s (8) and the operating inputs u (20),
// with the property data of p (a VaporizerInputs, whose own state and
// operating inputs are not read, or anything with its property members).
template <class T, class Properties, class Square>
void vaporizer_reference(T *rates, T *outputs, const T *s, const T *u, const Properties &p,
                         Square square)
{
    const T x[7] = {s[0], s[1], s[2], 1.0 - (s[0] + s[1] + s[2] + s[3] + s[4] + s[5]),
                    s[3], s[4], s[5]};
    const T level = s[6], t = s[7];
    const T vf = u[0], heat = u[1], f1 = u[2], t1 = u[10], f2 = u[11], t2 = u[19];
    const T *z1 = u + 3, *z2 = u + 12;
    auto mix = [&](const T *w, const T &temp, bool vapour_basis) {
        T sum_l = 0.0, sum_v = 0.0;
        for (int k = 0; k < 7; ++k) {
            const T sq = square(temp);
            sum_l = sum_l + w[k] * ((p.cp_liquid_a[k] * temp + (0.5 * p.cp_liquid_b[k]) * sq) *
                                    p.molar_mass[k]);
            sum_v = sum_v + w[k] * ((p.cp_vapour_a[k] * temp + (0.5 * p.cp_vapour_b[k]) * sq) *
                                        p.molar_mass[k] +
                                    p.enthalpy_offset[k]);
        }
        return vapour_basis ? sum_v : sum_l;
    };
    T v = 0.0;
    for (int k = 0; k < 7; ++k)
        v = v + (x[k] * p.molar_mass[k]) / p.density[k];
    const T c = p.density_factor / v;
    const T w = level * p.area;
    const T h1 = mix(z1, t1, true);
    const T h2 = mix(z2, t2, false);

    T lambda[49], big_s[7] = {}, gamma[7];
    for (int ij = 0; ij < 49; ++ij)
        lambda[ij] = p.wilson_volume[ij] *
                     std::exp((-p.wilson_energy[ij]) /
                              (p.gas_constant * (t + p.temperature_offset)));
    for (int i = 0; i < 7; ++i)
        for (int j = 0; j < 7; ++j)
            big_s[i] = big_s[i] + lambda[i * 7 + j] * x[j];
    for (int i = 0; i < 7; ++i) {
        T sum = 0.0;
        for (int k = 0; k < 7; ++k)
            sum = sum + (lambda[k * 7 + i] / big_s[k]) * x[k];
        gamma[i] = std::exp((1.0 - std::log(big_s[i])) - sum);
    }
    T ps[7], pressure = 0.0, y[7];
    for (int k = 0; k < 7; ++k)
        ps[k] = std::exp(p.antoine_a[k] + p.antoine_b[k] / (t + p.antoine_c[k]));
    for (int k = 0; k < 7; ++k)
        pressure = pressure + (x[k] * ps[k]) * gamma[k];
    for (int k = 0; k < 7; ++k)
        y[k] = ((x[k] * ps[k]) * gamma[k]) / pressure;
    const T hl = mix(x, t, false);
    const T hv = mix(y, t, true);
    T cp = 0.0;
    for (int k = 0; k < 7; ++k)
        cp = cp + (x[k] * p.molar_mass[k]) * (p.cp_liquid_a[k] + (p.cp_liquid_b[k] * t));
    const T net = (f1 + f2) - vf;
    T dx[7];
    for (int k = 0; k < 7; ++k)
        dx[k] = ((((f1 * z1[k]) + (f2 * z2[k])) - (vf * y[k])) - (x[k] * net)) / c / w;
    const int independent[6] = {0, 1, 2, 4, 5, 6};
    for (int i = 0; i < 6; ++i)
        rates[i] = dx[independent[i]];
    rates[6] = net / c / p.area;
    rates[7] = ((((f1 * (h1 - hl)) + (f2 * (h2 - hl))) - (vf * (hv - hl))) + heat) / (c * w) / cp;
    outputs[0] = level;
    for (int k = 0; k < 7; ++k)
        outputs[1 + k] = y[k];
    outputs[8] = t;
    outputs[9] = pressure;
}

// The reference in doubles at the inputs' own state and operating point.
template <class Square>
VaporizerOutputs vaporizer_reference(const VaporizerInputs &in, Square square)
{
    const std::vector<double> u = operating_inputs(in);
    double rates[8], outputs[10];
    vaporizer_reference(rates, outputs, in.state.data(), u.data(), in, square);
    VaporizerOutputs out;
    out.derivatives.assign(rates, rates + 8);
    out.level = outputs[0];
    out.vapour_comp.assign(outputs + 1, outputs + 8);
    out.temperature = outputs[8];
    out.pressure = outputs[9];
    return out;
}

#endif
