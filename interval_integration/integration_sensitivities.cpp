// Forward sensitivities as an augmented system: CVODE integrates the state
// and its sensitivities as one vector [y; s_1; ...; s_n+m], with
//   y' = f(y),  s_k' = (df/dy) s_k  (+ df/dp_k for a parameter's),
// the derivatives exact. One vector instead of n + m small ones: CVODE's
// work per vector (clones, vector arrays, a solve each) would cost far more
// than the sensitivities' arithmetic. The Newton systems are block-diagonal
// with one matrix, so one LU serves them all (block_lu_solver()).
//
// The error weights and norms (integration_vectors.cpp) decide whether the
// sensitivities take part in the error and convergence tests.
#include "integration_internals.h"

#include <cmath>
#include <cstring>

namespace interval_integration {
namespace internal {

namespace {

// out += matrix in, for columns of n: each element's sum in the order of
// the matrix's columns. At max_size the loops have a fixed length, which
// the compiler unrolls (otherwise it keeps the sums in memory, at several
// times the cost); the sums are the same.
template <std::size_t N>
void add_products_of(const double *matrix, const double *in, double *out)
{
    double sums[N];
    for (std::size_t i = 0; i < N; ++i)
        sums[i] = out[i];
#pragma GCC unroll 8
    for (std::size_t j = 0; j < N; ++j) {
        const double factor = in[j];
#pragma GCC unroll 8
        for (std::size_t i = 0; i < N; ++i)
            sums[i] += matrix[i + N * j] * factor;
    }
    for (std::size_t i = 0; i < N; ++i)
        out[i] = sums[i];
}

void add_product(const double *matrix, std::size_t n, const double *in, double *out)
{
    if (n == max_size) {
        add_products_of<max_size>(matrix, in, out);
        return;
    }
    for (std::size_t j = 0; j < n; ++j)
        for (std::size_t i = 0; i < n; ++i)
            out[i] += matrix[i + n * j] * in[j];
}

// The block linear solver: I - gamma df/dy, which CVODE forms in the n x n
// dense matrix from the exact df/dy, factored as the dense solver factors
// it. The state's block is solved with the factors as the dense solver
// solves it, so that its bits are those of an integration without
// sensitivities; the sensitivities' blocks are multiplied by the inverse,
// formed once per factorisation: n^2 products and no division per block,
// where the substitutions cost n divisions and short loops.
SUNLinearSolver_Type block_lu_type(SUNLinearSolver) { return SUNLINEARSOLVER_DIRECT; }
SUNLinearSolver_ID block_lu_id(SUNLinearSolver) { return SUNLINEARSOLVER_CUSTOM; }

int block_lu_setup(SUNLinearSolver solver, SUNMatrix matrix)
{
    auto &lu = *static_cast<BlockLu *>(solver->content);
    const std::size_t n = lu.n;
    sunrealtype **columns = SUNDenseMatrix_Cols(matrix);
    const auto rows = static_cast<sunindextype>(n);
    if (SUNDlsMat_denseGETRF(columns, rows, rows, lu.pivots) > 0)
        return SUNLS_LUFACT_FAIL;
    std::memset(lu.inverse, 0, n * n * sizeof(double));
    for (std::size_t j = 0; j < n; ++j) {
        lu.inverse[j + n * j] = 1.0;
        SUNDlsMat_denseGETRS(columns, rows, lu.pivots, lu.inverse + n * j);
    }
    return 0;
}

int block_lu_solve(SUNLinearSolver solver, SUNMatrix matrix, N_Vector x, N_Vector b,
                   sunrealtype)
{
    auto &lu = *static_cast<BlockLu *>(solver->content);
    const std::size_t n = lu.n;
    const double *given = N_VGetArrayPointer(b);
    double *solution = N_VGetArrayPointer(x);
    std::memcpy(solution, given, n * sizeof(double));
    SUNDlsMat_denseGETRS(SUNDenseMatrix_Cols(matrix), static_cast<sunindextype>(n), lu.pivots,
                         solution);
    for (std::size_t block = 1; block < lu.blocks; ++block) {
        const double *in = given + n * block;
        double *out = solution + n * block;
        std::memset(out, 0, n * sizeof(double));
        add_product(lu.inverse, n, in, out);
    }
    return 0;
}

// The content is the Solver's own BlockLu: nothing to free but the shell.
int block_lu_free(SUNLinearSolver solver)
{
    solver->content = nullptr;
    SUNLinSolFreeEmpty(solver);
    return 0;
}

}  // namespace

// The state's sensitivities start as the identity, the parameters' as zero;
// every vector cloned from y has the augmented system's operations.
void start_augmented(RhsContext &rc, N_Vector y, const Sensitivities &wanted)
{
    const std::size_t n = rc.n;
    double *values = N_VGetArrayPointer(y);
    std::memset(values + n, 0, n * rc.columns * sizeof(double));
    for (std::size_t k = 0; k < rc.columns; ++k) {
        if (k < n)
            values[n + n * k + k] = 1.0;
        double magnitude = k < n ? std::fabs(values[k])
                                 : std::fabs(wanted.parameter_scales[k - n]);
        rc.magnitudes[k] = magnitude > 0.0 ? magnitude : 1.0;
    }
    augment_operations(y);
}

// The state's rates (cvode_rhs, the domain and finite checks with them),
// then the sensitivities', from the exact derivatives at the state.
int augmented_rhs(sunrealtype t, N_Vector y, N_Vector ydot, void *user_data)
{
    const int flag = cvode_rhs(t, y, ydot, user_data);
    if (flag != 0)
        return flag;
    auto *rc = static_cast<RhsContext *>(user_data);
    const std::size_t n = rc->n;
    const double *at = N_VGetArrayPointer(y);
    if (!rc->derivatives_known || std::memcmp(at, rc->derivatives_at, n * sizeof(double)) != 0) {
        rc->derivatives_known = false;
        rc->jacobians(at, rc->state_matrix, rc->parameters > 0 ? rc->parameter_matrix : nullptr,
                      rc->context);
        if (!all_finite(*rc, t, at, rc->state_matrix, n, n, Nonfinite::Jacobian) ||
            !all_finite(*rc, t, at, rc->parameter_matrix, n, rc->parameters, Nonfinite::Jacobian,
                        n))
            return 1;
        std::memcpy(rc->derivatives_at, at, n * sizeof(double));
        rc->derivatives_known = true;
    }
    double *rates = N_VGetArrayPointer(ydot);
    for (std::size_t k = 0; k < rc->columns; ++k) {
        double *ds = rates + n + n * k;
        if (k < n)
            std::memset(ds, 0, n * sizeof(double));
        else
            std::memcpy(ds, rc->parameter_matrix + n * (k - n), n * sizeof(double));
        add_product(rc->state_matrix, n, at + n + n * k, ds);
    }
    return 0;
}

// The state's weights as CVODE would form them (state_weights()); under
// error control each sensitivity's those of its row times the magnitude of
// its column: a sensitivity times a typical change of its start element or
// parameter is held to the state's own accuracy. (Weights from the
// sensitivity's own magnitude, 1 / (rtol |s| + atol / magnitude), would hold
// it to RelTol of itself, some thousand times more accurate than a linear
// model of the state makes use of, at half again as many steps.) Without
// error control no norm reads the sensitivities' weights: they are 1,
// finite for the element-wise operations CVODE applies to all weights alike.
int augmented_weights(N_Vector y, N_Vector weights, void *user_data)
{
    const auto *rc = static_cast<const RhsContext *>(user_data);
    double *out = N_VGetArrayPointer(weights);
    if (state_weights(*rc, N_VGetArrayPointer(y), out) != 0)
        return -1;
    const std::size_t n = rc->n;
    for (std::size_t k = 0; k < rc->columns; ++k) {
        double *column = out + n + n * k;
        for (std::size_t i = 0; i < n; ++i)
            column[i] = rc->error_control ? out[i] * rc->magnitudes[k] : 1.0;
    }
    return 0;
}

SUNLinearSolver block_lu_solver(BlockLu &lu, std::size_t n, std::size_t blocks,
                                SUNContext context)
{
    SUNLinearSolver solver = SUNLinSolNewEmpty(context);
    if (solver == nullptr)
        return nullptr;
    lu.n = n;
    lu.blocks = blocks;
    solver->content = &lu;
    solver->ops->gettype = block_lu_type;
    solver->ops->getid = block_lu_id;
    solver->ops->setup = block_lu_setup;
    solver->ops->solve = block_lu_solve;
    solver->ops->free = block_lu_free;
    return solver;
}

// The sensitivities at the end of the interval into the caller's matrices;
// false, with the exit recorded, when one is not finite.
bool collect_sensitivities(Solver &s, RhsContext &rc, double interval,
                           const Sensitivities &wanted)
{
    const std::size_t n = rc.n;
    const double *values = N_VGetArrayPointer(s.y);
    for (std::size_t column = 0; column < rc.columns; ++column) {
        double *into = column < n ? wanted.to_state + n * column
                                  : wanted.to_parameters + n * (column - n);
        const double *sensitivity = values + n + n * column;
        if (!all_finite(rc, interval, values, sensitivity, n, 1, Nonfinite::Sensitivity, column))
            return false;
        std::memcpy(into, sensitivity, n * sizeof(double));
    }
    return true;
}

}  // namespace internal
}  // namespace interval_integration
