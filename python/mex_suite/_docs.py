"""The functions' texts for help(); the extension reads them when it is imported.

Each text says what differs from Octave's help file (help vaporizer in
Octave, or vaporizer_model/vaporizer.m) and refers to it for the rest.
"""

VAPORIZER = """\
The right-hand side of the vaporizer model, as Octave's vaporizer.

    ds, level, y, T, P = vaporizer(state, vapour_flow, heat_input, feed1_flow,
        feed1_comp, feed1_temp, feed2_flow, feed2_comp, feed2_temp, area,
        wilson_volume, wilson_energy, molar_mass, density, enthalpy_offset,
        cp_liquid_a, cp_liquid_b, cp_vapour_a, cp_vapour_b, antoine_a,
        antoine_b, antoine_c, gas_constant, density_factor, temperature_offset)

The 25 inputs and 5 outputs of Octave's vaporizer, in its order and with its
meaning and units (its help file is the full reference). Arrays are read as
float64 in Octave's column-major order: wilson_volume and wilson_energy are
7-by-7 matrices with W[r, c] as Octave's W(r+1, c+1), in C or Fortran memory
order alike, or flat 49-vectors as Octave's W(:). Scalar inputs read their
first element.

Returns ds shaped like state (derivatives in its first 8 elements, 0 past
them), level, y shaped like feed1_comp (0 past the 7th element), T and P;
scalars are numpy.float64.

Raises mex_suite.Error with Octave's identifier and message for a bad input,
e.g. identifier "vaporizer:notDenseDouble", message
"input 5 (feed1_comp) must be a dense double array".
"""

VAPORIZER_STEP = """\
Advances the vaporizer over one interval with its inputs held, as Octave's
vaporizer_step.

    state, level, y, T, P, stats = vaporizer_step(<the 25 inputs of vaporizer>,
        interval, *, rtol=None, atol=None, max_step=None, first_step=None)
    state, level, y, T, P, stats, phi, gamma = vaporizer_step(...,
        sensitivities=True)
    state, level, y, T, P, stats, phi, gamma, sp = vaporizer_step(...,
        parameters=selection)

The integration runs in the extension (SUNDIALS CVODES, variable-order BDF
on the model's exact Jacobian);
its results are bit for bit those of the Octave module. The options are
keywords named as in scipy.integrate.solve_ivp and stand for the odeset
fields of Octave's call, with the same defaults and checks:

    rtol        RelTol       a positive scalar (default 1e-8)
    atol        AbsTol       a positive scalar or 8 values, one per state
                             element (default 1e-10 times each element's scale)
    max_step    MaxStep      positive, inf for none (default interval / 10,
                             and at most a million residence times of the
                             holdup, its moles over F1 + F2 + V)
    first_step  InitialStep  positive (default: estimated)

None or an empty value leaves an option at its default, as an empty field
does in Octave. An error about an option names the Octave field, e.g.
"input 27 (options) field RelTol must be a positive, finite real numeric
scalar" (identifier "vaporizer_step:badOption").

Returns the end state shaped like state (elements past the 8th copied), what
vaporizer returns there (level, y shaped like feed1_comp, T, P) and stats, a
dict of the solver's work: steps, failed_steps, rhs_evaluations,
jacobian_evaluations, nonlinear_iterations, convergence_failures. With
sensitivities=True also phi (8x8) = d state(end) / d state(start) and gamma
(8x20) = d state(end) / du, Octave's outputs 7 and 8 (see help
vaporizer_step and vaporizer_linearize for u's order); they cost some ten
times a plain call and take part in the error test. sensitivities is True or
False (or numpy.bool_); any other value is a TypeError, as is an unknown
keyword (RelTol=1e-6 names rtol, the Python name of the option).

parameters=selection, a P-by-2 array of [position, element] rows naming
property data (see vaporizer_linearize), adds sp (8xP) = d state(end) / dp,
Octave's output 9, and with it phi and gamma.

The interpreter lock is released while the integration runs, so threads
(concurrent.futures.ThreadPoolExecutor) advance several plants at once.
A solution that leaves the model's domain raises mex_suite.Error with
identifier "vaporizer_step:leftDomain"; see Octave's help vaporizer_step.
"""

VAPORIZER_LINEARIZE = """\
The vaporizer's exact linear model at an operating point, as Octave's
vaporizer_linearize.

    A, B, C, D = vaporizer_linearize(<the 25 inputs of vaporizer>)
    A, B, C, D, E, F = vaporizer_linearize(<the 25>, parameters=selection)

A = d(derivatives)/d(state) (8x8), B = d(derivatives)/du (8x20), C =
d(outputs)/d(state) (10x8), D = d(outputs)/du (10x20), by forward-mode
automatic differentiation of the model's own code; u is vapour_flow,
heat_input, feed1_flow, feed1_comp (7), feed1_temp, feed2_flow, feed2_comp
(7), feed2_temp, the outputs level, y (7), T, P. With parameters=selection,
a P-by-2 array whose rows are [position, element] of property data (position
10 to 25, area to temperature_offset; element one-based in column-major
order, as Octave's A(k)), also E = d(derivatives)/dp (8xP) and F =
d(outputs)/dp (10xP). The interpreter lock is released while it computes.
"""

TRANSMIT = """\
One time step of the transmission element, as Octave's Transmit.

    new_delay_line, new_lag_states = Transmit(new_value, delay_line,
        lag_states, delay_time, time_constant, delay_length, stage_count,
        time_step, range_low, range_high)

The element keeps no state: pass both outputs back in on the next call. Each
output has the shape of the input it replaces. Octave's help Transmit is the
full reference; bad inputs raise mex_suite.Error with its identifiers and
messages.
"""

MURTAL = """\
Per-cluster counts of the stored entries of a sparse column, as Octave's murtal.

    (counts,) = murtal(C, K, L)

C is a SciPy sparse matrix or array with one column, in any format (it is
read through its CSC form); its stored entries count, explicit zeros
included, as scipy's nnz counts them. K is the number of clusters, L the
label of every row (truncated toward zero). counts is a K-by-1 float64
array: counts[k - 1, 0] is the number of stored entries whose row has label k.

A dense C raises mex_suite.Error("C must be sparse") with an empty
identifier, as Octave's message without identifier.
"""
