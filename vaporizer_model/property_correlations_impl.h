// The property correlations written once for any scalar type that behaves
// like double under + - * / exp and log: double itself, which
// property_correlations.cpp instantiates for the plain routines every caller
// uses, and the forward-mode differentiation types of model_jacobian.cpp.
// Such a type's value part sees exactly the operations, in exactly the
// order, that the double routines do, so it carries their bits.
//
// What can vary along a trajectory (compositions, temperatures) takes the
// scalar type; the component properties take the data type, double but
// where their own derivatives are wanted (the parameter sensitivities), and
// then the scalar type too.
#ifndef MEX_SUITE_PROPERTY_CORRELATIONS_IMPL_H
#define MEX_SUITE_PROPERTY_CORRELATIONS_IMPL_H

#include <cmath>

#include "property_correlations.h"

namespace VAPORIZER_MODEL_NAMESPACE {
namespace generic {

// The temperature is squared by the C library's pow, whose result differs
// from the rounded product T*T in the last bit for some temperatures, and
// those bits reach the results. Compilers rewrite pow(T, 2.0) as T*T when
// they see the constant exponent; reading it from a volatile hides it from
// every compiler at every optimisation level.
inline const volatile double square_exponent = 2.0;

// How a scalar type squares a temperature. A differentiating type
// specialises it to take its value from the double square, so that the
// library's bits reach its value part too.
template <class Scalar>
struct TemperatureSquare;

template <>
struct TemperatureSquare<double> {
    static double of(double t) { return std::pow(t, square_exponent); }
};

// How a scalar type takes the exponential of a vapour pressure,
// exp(A + B / (T + C)). At T + C = +0 with B < 0 the exponent is -Inf and
// the pressure 0, its limit from inside the domain; so is its derivative,
// which a differentiating type, multiplying the pressure 0 by the
// exponent's infinite derivative, would make NaN. Such a type specialises
// this to give 0 there; double takes exp itself.
template <class Scalar>
struct VapourPressure {
    static Scalar of(const Scalar &exponent)
    {
        using std::exp;
        return exp(exponent);
    }
};

template <class Scalar, class Data = double>
void mixture_enthalpies(Scalar *liquid_enthalpy, Scalar *vapour_enthalpy,
                        const Scalar *liquid_weights, const Scalar *vapour_weights,
                        const Scalar *temperature, const Data *molar_mass,
                        const Data *enthalpy_offset, const Data *cp_liquid_a,
                        const Data *cp_liquid_b, const Data *cp_vapour_a,
                        const Data *cp_vapour_b)
{
    Scalar sum_liquid = 0.0;
    Scalar sum_vapour = 0.0;
    const Scalar &t = *temperature;
    // pow is a pure function, so one call serves all seven components with
    // the bits a call per component would give, at a seventh of the cost
    // (28 calls per right-hand side were a third of its time).
    const Scalar t_squared = TemperatureSquare<Scalar>::of(t);
    for (int k = 0; k < component_count; ++k) {
        const Scalar liquid =
            (cp_liquid_a[k] * t + (0.5 * cp_liquid_b[k]) * t_squared) * molar_mass[k];
        const Scalar vapour =
            (cp_vapour_a[k] * t + (0.5 * cp_vapour_b[k]) * t_squared) * molar_mass[k] +
            enthalpy_offset[k];
        sum_liquid = sum_liquid + liquid_weights[k] * liquid;
        sum_vapour = sum_vapour + vapour_weights[k] * vapour;
    }
    *liquid_enthalpy = sum_liquid;
    *vapour_enthalpy = sum_vapour;
}

template <class Scalar, class Data = double>
void wilson_activity(Scalar *gamma, const Scalar &temperature, const Scalar *liquid_comp,
                     const Data *wilson_volume, const Data *wilson_energy,
                     const Data &gas_constant, const Data &temperature_offset)
{
    using std::exp;
    using std::log;
    constexpr int n = component_count;
    Scalar lambda[n * n];  // every element is written before it is read
    Scalar sums[n];
    Scalar cross[n];
    for (int i = 0; i < n; ++i) {
        sums[i] = 0.0;
        cross[i] = 0.0;
    }

    // The divisions are kept apart from the library calls, and the cross
    // sums run with k outside, so that the compiler can pair independent
    // divisions in vector registers; every sum still adds its terms in
    // increasing index order, so no result changes.
    const Scalar denominator = gas_constant * (temperature + temperature_offset);
    for (int ij = 0; ij < n * n; ++ij)
        lambda[ij] = -wilson_energy[ij] / denominator;
    for (int ij = 0; ij < n * n; ++ij)
        lambda[ij] = wilson_volume[ij] * exp(lambda[ij]);

    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            sums[i] = sums[i] + lambda[i * n + j] * liquid_comp[j];

    for (int k = 0; k < n; ++k)
        for (int i = 0; i < n; ++i)
            cross[i] = cross[i] + (lambda[k * n + i] / sums[k]) * liquid_comp[k];
    for (int i = 0; i < n; ++i) {
        const Scalar log_gamma = (1.0 - log(sums[i])) - cross[i];
        gamma[i] = exp(log_gamma);
    }
}

}  // namespace generic
}  // namespace VAPORIZER_MODEL_NAMESPACE

#endif
