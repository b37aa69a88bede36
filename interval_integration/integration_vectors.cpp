// The augmented system's vector operations. Its vectors are serial vectors
// with some operations of their own:
//
// - The norms. Without error control of the sensitivities they are the
//   state's alone, computed exactly as the serial vector computes them over
//   the state by itself: every step, every Newton iterate, every state is
//   then the one an integration without sensitivities makes, to the bit.
//   With it the weighted norm is the largest of the state's and each
//   sensitivity's, and the largest magnitude is taken over everything.
// - The element-wise operations CVODE applies on every step (linear sums,
//   scaling, constants), with the serial vector's cases and arithmetic, so
//   the same bits, compiled with this project's flags: the vectors are 29
//   times the state's length, and the library's own loops may be built
//   without optimisation (Debian's static SUNDIALS is).
#include "integration_internals.h"

#include <cmath>

namespace interval_integration {
namespace internal {

namespace {

// The integration whose norms the augmented vectors of this thread compute.
// CVODE's norm operations receive only the vectors, and the vectors carry
// nothing of their own beyond their length; the layout lives here for as
// long as one integration runs (AugmentedNorms).
thread_local const RhsContext *norms_of = nullptr;

// The elements under error control: the state alone, or everything.
std::size_t controlled_length(const RhsContext &rc)
{
    return rc.error_control ? rc.n * (1 + rc.columns) : rc.n;
}

// The root mean square of x w over each block of n, as the serial vector
// computes it over a vector of n (the same products, the same order, the
// same division); the largest of the blocks under error control.
sunrealtype wrms_norm(N_Vector x, N_Vector w)
{
    const RhsContext &rc = *norms_of;
    const double *xd = N_VGetArrayPointer(x);
    const double *wd = N_VGetArrayPointer(w);
    const std::size_t n = rc.n;
    const std::size_t end = controlled_length(rc);
    sunrealtype largest = 0.0;
    for (std::size_t block = 0; block < end; block += n) {
        sunrealtype sum = 0.0;
        for (std::size_t i = block; i < block + n; ++i) {
            const sunrealtype product = xd[i] * wd[i];
            sum += product * product;
        }
        const sunrealtype mean = sum / static_cast<sunindextype>(n);
        const sunrealtype norm = mean <= 0.0 ? 0.0 : std::sqrt(mean);
        // A NaN norm fails the tests it enters; it must not be lost.
        if (block == 0 || !(norm <= largest))
            largest = norm;
    }
    return largest;
}

// The largest magnitude among the controlled elements (CVODE's bound on the
// first step), as the serial vector computes it.
sunrealtype max_norm(N_Vector x)
{
    const double *xd = N_VGetArrayPointer(x);
    const std::size_t end = controlled_length(*norms_of);
    sunrealtype largest = 0.0;
    for (std::size_t i = 0; i < end; ++i)
        if (std::fabs(xd[i]) > largest)
            largest = std::fabs(xd[i]);
    return largest;
}

std::size_t length(N_Vector x) { return static_cast<std::size_t>(N_VGetLength(x)); }

// z = a x + b y, case by case as the serial vector forms it.
void linear_sum(sunrealtype a, N_Vector x, sunrealtype b, N_Vector y, N_Vector z)
{
    const std::size_t count = length(x);
    const double *xd = N_VGetArrayPointer(x);
    const double *yd = N_VGetArrayPointer(y);
    double *zd = N_VGetArrayPointer(z);
    // y += a x, or x += b y, in place.
    if ((b == 1.0 && z == y) || (a == 1.0 && z == x)) {
        const double c = z == y && b == 1.0 ? a : b;
        const double *from = z == y && b == 1.0 ? xd : yd;
        if (c == 1.0)
            for (std::size_t i = 0; i < count; ++i) zd[i] += from[i];
        else if (c == -1.0)
            for (std::size_t i = 0; i < count; ++i) zd[i] -= from[i];
        else
            for (std::size_t i = 0; i < count; ++i) zd[i] += c * from[i];
        return;
    }
    if (a == 1.0 && b == 1.0) {
        for (std::size_t i = 0; i < count; ++i) zd[i] = xd[i] + yd[i];
        return;
    }
    if ((a == 1.0 && b == -1.0) || (a == -1.0 && b == 1.0)) {
        const double *plus = a == 1.0 ? xd : yd;
        const double *minus = a == 1.0 ? yd : xd;
        for (std::size_t i = 0; i < count; ++i) zd[i] = plus[i] - minus[i];
        return;
    }
    if (a == 1.0 || b == 1.0) {  // c v + w, w the one with factor 1
        const double c = a == 1.0 ? b : a;
        const double *v = a == 1.0 ? yd : xd;
        const double *w = a == 1.0 ? xd : yd;
        for (std::size_t i = 0; i < count; ++i) zd[i] = (c * v[i]) + w[i];
        return;
    }
    if (a == -1.0 || b == -1.0) {  // c v - w, w the one with factor -1
        const double c = a == -1.0 ? b : a;
        const double *v = a == -1.0 ? yd : xd;
        const double *w = a == -1.0 ? xd : yd;
        for (std::size_t i = 0; i < count; ++i) zd[i] = (c * v[i]) - w[i];
        return;
    }
    if (a == b) {
        for (std::size_t i = 0; i < count; ++i) zd[i] = a * (xd[i] + yd[i]);
        return;
    }
    if (a == -b) {
        for (std::size_t i = 0; i < count; ++i) zd[i] = a * (xd[i] - yd[i]);
        return;
    }
    for (std::size_t i = 0; i < count; ++i) zd[i] = (a * xd[i]) + (b * yd[i]);
}

// z = c x, as the serial vector forms it.
void scale(sunrealtype c, N_Vector x, N_Vector z)
{
    const std::size_t count = length(x);
    const double *xd = N_VGetArrayPointer(x);
    double *zd = N_VGetArrayPointer(z);
    if (z == x) {
        for (std::size_t i = 0; i < count; ++i) zd[i] *= c;
    } else if (c == 1.0) {
        for (std::size_t i = 0; i < count; ++i) zd[i] = xd[i];
    } else if (c == -1.0) {
        for (std::size_t i = 0; i < count; ++i) zd[i] = -xd[i];
    } else {
        for (std::size_t i = 0; i < count; ++i) zd[i] = c * xd[i];
    }
}

void constant(sunrealtype c, N_Vector z)
{
    const std::size_t count = length(z);
    double *zd = N_VGetArrayPointer(z);
    for (std::size_t i = 0; i < count; ++i) zd[i] = c;
}

}  // namespace

AugmentedNorms::AugmentedNorms(const RhsContext &rc) : outer_(norms_of) { norms_of = &rc; }
AugmentedNorms::~AugmentedNorms() { norms_of = outer_; }

// Clones copy the operations: every vector CVODE makes from y has them.
void augment_operations(N_Vector y)
{
    y->ops->nvwrmsnorm = wrms_norm;
    y->ops->nvmaxnorm = max_norm;
    y->ops->nvlinearsum = linear_sum;
    y->ops->nvscale = scale;
    y->ops->nvconst = constant;
}

}  // namespace internal
}  // namespace interval_integration
