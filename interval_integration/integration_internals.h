// What the parts of the interval integration share: the context CVODE hands
// its callbacks, the solver memory, and the functions of each part (set-up
// and tolerances, sensitivities, failure diagnosis, the step loop). Only
// these files see SUNDIALS; interval_integration.h is the interface.
#ifndef MEX_SUITE_INTEGRATION_INTERNALS_H
#define MEX_SUITE_INTEGRATION_INTERNALS_H

#include <cstddef>

#include <cvodes/cvodes.h>
#include <nvector/nvector_serial.h>
#include <sundials/sundials_config.h>
#include <sunlinsol/sunlinsol_dense.h>
#include <sunmatrix/sunmatrix_dense.h>

#include "interval_integration.h"

namespace interval_integration {
namespace internal {


// What the callbacks need, handed to CVODE as user data.
struct RhsContext {
    RightHandSide rhs;
    DomainCheck domain;
    Jacobians jacobians;
    void *context;
    const Settings *settings;
    std::size_t n;
    std::size_t parameters;  // m, when sensitivities are wanted
    Result *result;
    bool exit_seen;  // a domain exit was recorded (in result->exit)
    // With sensitivities, CVODE integrates the state and its n + m
    // sensitivities as one vector, [y; s_1; ...; s_n+m] (the augmented
    // system); columns counts the sensitivities, 0 without.
    std::size_t columns;
    bool error_control;  // of the sensitivities
    // The typical magnitude of each start element and parameter, which
    // divides the state's absolute tolerances for its sensitivities.
    double magnitudes[max_size + max_parameters];
    // The exact derivatives at the state last asked for, which the rates of
    // the sensitivities at the same state again reuse.
    bool derivatives_known;
    double derivatives_at[max_size];
    double state_matrix[max_size * max_size];
    double parameter_matrix[max_size * max_parameters];
};

// The Newton systems of the augmented system, one n x n block of I - gamma
// df/dy for the state and for each sensitivity (CVODE's simultaneous
// corrector leaves out the sensitivities' second derivatives alike): one
// LU for the state's block, and the inverse it gives for the others.
struct BlockLu {
    std::size_t n = 0;
    std::size_t blocks = 0;
    sunindextype pivots[max_size] = {};
    double inverse[max_size * max_size] = {};  // column-major
};

// Owns every piece of solver memory and frees it on every path out.
struct Solver {
    SUNContext context = nullptr;
    N_Vector y = nullptr;
    N_Vector absolute_tolerance = nullptr;
    SUNMatrix jacobian = nullptr;
    SUNLinearSolver linear_solver = nullptr;
    void *memory = nullptr;
    BlockLu block_lu;

    Solver() = default;
    Solver(const Solver &) = delete;
    Solver &operator=(const Solver &) = delete;
    ~Solver()
    {
        CVodeFree(&memory);
        SUNLinSolFree(linear_solver);
        SUNMatDestroy(jacobian);
        N_VDestroy(absolute_tolerance);
        N_VDestroy(y);
        SUNContext_Free(&context);
    }
};

// The system's callbacks (interval_integration.cpp).
int cvode_rhs(sunrealtype t, N_Vector y, N_Vector ydot, void *user_data);
int cvode_jacobian(sunrealtype t, N_Vector y, N_Vector, SUNMatrix jacobian, void *user_data,
                   N_Vector, N_Vector, N_Vector);

// Set-up and tolerances (integration_setup.cpp): false when SUNDIALS
// refused, with result.outcome set.
bool set_up(Solver &s, RhsContext &rc, const double *state, std::size_t n, double interval,
            const Settings &settings, const Sensitivities *sensitivities, Result &result);
void collect_statistics(void *memory, Statistics &statistics);
// The state's error weights, 1 / (rtol min(|y|, ceiling) + atol), formed as
// CVODE forms 1 / (rtol |y| + atol) itself; -1 where one is not positive.
int state_weights(const RhsContext &rc, const double *y, double *weights);

// The augmented system's vectors (integration_vectors.cpp): their norms
// read the layout of the integration that runs on this thread while an
// AugmentedNorms lives; augment_operations() gives y (and every clone) the
// augmented system's operations.
class AugmentedNorms {
public:
    explicit AugmentedNorms(const RhsContext &rc);
    ~AugmentedNorms();
    AugmentedNorms(const AugmentedNorms &) = delete;
    AugmentedNorms &operator=(const AugmentedNorms &) = delete;

private:
    const RhsContext *outer_;
};
void augment_operations(N_Vector y);

// Sensitivities (integration_sensitivities.cpp): the augmented system's
// start, its right-hand side and error weights, and its block linear
// solver; the sensitivities at the end.
void start_augmented(RhsContext &rc, N_Vector y, const Sensitivities &wanted);
int augmented_rhs(sunrealtype t, N_Vector y, N_Vector ydot, void *user_data);
int augmented_weights(N_Vector y, N_Vector weights, void *user_data);
SUNLinearSolver block_lu_solver(BlockLu &lu, std::size_t n, std::size_t blocks,
                                SUNContext context);
bool collect_sensitivities(Solver &s, RhsContext &rc, double interval,
                           const Sensitivities &wanted);

// Failure diagnosis (integration_failures.cpp).
void record_exit(RhsContext &rc, double t, const double *y, int bound);
std::size_t first_nonfinite(const double *values, std::size_t count);
bool all_finite(RhsContext &rc, double t, const double *y, const double *values,
                std::size_t rows, std::size_t columns, Nonfinite what,
                std::size_t first_column = 0);
Outcome outcome_of(int flag);
int route_errors(Solver &s, Result &result);

}  // namespace internal
}  // namespace interval_integration

#endif
