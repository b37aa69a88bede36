#include "property_correlations.h"

#include <cmath>

namespace VAPORIZER_MODEL_NAMESPACE {

namespace {

// The temperature is squared by the C library's pow, whose result differs
// from the rounded product T*T in the last bit for some temperatures, and
// those bits reach the results. Compilers rewrite pow(T, 2.0) as T*T when
// they see the constant exponent; reading it from a volatile hides it from
// every compiler at every optimisation level.
const volatile double square_exponent = 2.0;

}  // namespace

void mixture_enthalpies(double *liquid_enthalpy, double *vapour_enthalpy,
                        const double *liquid_weights, const double *vapour_weights,
                        const double *temperature, const double *molar_mass,
                        const double *enthalpy_offset, const double *cp_liquid_a,
                        const double *cp_liquid_b, const double *cp_vapour_a,
                        const double *cp_vapour_b)
{
    double liquid[component_count] = {};
    double vapour[component_count] = {};
    double sum_liquid = 0.0;
    double sum_vapour = 0.0;
    const double t = *temperature;
    // The square comes from the library's pow, whose bits the results carry.
    // pow is a pure function, so one call serves all seven components with
    // the bits a call per component would give, at a seventh of the cost
    // (28 calls per right-hand side were a third of its time).
    const double t_squared = std::pow(t, square_exponent);
    for (int k = 0; k < component_count; ++k) {
        liquid[k] = (cp_liquid_a[k] * t + (0.5 * cp_liquid_b[k]) * t_squared) * molar_mass[k];
        vapour[k] = (cp_vapour_a[k] * t + (0.5 * cp_vapour_b[k]) * t_squared) * molar_mass[k] +
                    enthalpy_offset[k];
        sum_liquid = sum_liquid + liquid_weights[k] * liquid[k];
        sum_vapour = sum_vapour + vapour_weights[k] * vapour[k];
    }
    *liquid_enthalpy = sum_liquid;
    *vapour_enthalpy = sum_vapour;
}

void wilson_activity(double *gamma, double temperature, const double *liquid_comp,
                     const double *wilson_volume, const double *wilson_energy,
                     double gas_constant, double temperature_offset)
{
    constexpr int n = component_count;
    double lambda[n * n];  // every element is written before it is read
    double sums[n] = {};
    double cross[n] = {};
    double log_gamma[n] = {};

    // The divisions are kept apart from the library calls, and the cross
    // sums run with k outside, so that the compiler can pair independent
    // divisions in vector registers; every sum still adds its terms in
    // increasing index order, so no result changes.
    const double denominator = gas_constant * (temperature + temperature_offset);
    for (int ij = 0; ij < n * n; ++ij)
        lambda[ij] = -wilson_energy[ij] / denominator;
    for (int ij = 0; ij < n * n; ++ij)
        lambda[ij] = wilson_volume[ij] * std::exp(lambda[ij]);

    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            sums[i] = sums[i] + lambda[i * n + j] * liquid_comp[j];

    for (int k = 0; k < n; ++k)
        for (int i = 0; i < n; ++i)
            cross[i] = cross[i] + (lambda[k * n + i] / sums[k]) * liquid_comp[k];
    for (int i = 0; i < n; ++i) {
        log_gamma[i] = (1.0 - std::log(sums[i])) - cross[i];
        gamma[i] = std::exp(log_gamma[i]);
    }
}

}  // namespace VAPORIZER_MODEL_NAMESPACE
