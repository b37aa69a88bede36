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
    // The exact derivatives at the state last asked for: CVODES may ask for
    // the sensitivities' rates at one state more than once, and they are
    // linear in the sensitivities.
    bool derivatives_known;
    double derivatives_at[max_size];
    double state_matrix[max_size * max_size];
    double parameter_matrix[max_size * max_parameters];
};

// Owns every piece of solver memory and frees it on every path out.
struct Solver {
    SUNContext context = nullptr;
    N_Vector y = nullptr;
    N_Vector absolute_tolerance = nullptr;
    SUNMatrix jacobian = nullptr;
    SUNLinearSolver linear_solver = nullptr;
    void *memory = nullptr;
    int sensitivity_count = 0;
    N_Vector *sensitivities = nullptr;
    N_Vector *sensitivity_tolerances = nullptr;

    Solver() = default;
    Solver(const Solver &) = delete;
    Solver &operator=(const Solver &) = delete;
    ~Solver()
    {
        CVodeFree(&memory);
        SUNLinSolFree(linear_solver);
        SUNMatDestroy(jacobian);
        if (sensitivities != nullptr)
            N_VDestroyVectorArray(sensitivities, sensitivity_count);
        if (sensitivity_tolerances != nullptr)
            N_VDestroyVectorArray(sensitivity_tolerances, sensitivity_count);
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

// Sensitivities (integration_sensitivities.cpp).
int set_up_sensitivities(Solver &s, const double *state, std::size_t n, const Settings &settings,
                         const Sensitivities &wanted);
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
