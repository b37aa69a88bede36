%VAPORIZER_LINEARIZE  Linear model of the vaporizer at an operating point.
%   [A, B, C, D] = VAPORIZER_LINEARIZE(STATE, V, Q, F1, Z1, T1, F2, Z2, T2, ...
%       AREA, WV, WE, M, RHO, E, CPLA, CPLB, CPVA, CPVB, ANTA, ANTB, ANTC, ...
%       R, DENSITY_FACTOR, T0)
%   takes the 25 inputs of VAPORIZER and returns the first derivatives of
%   its outputs at that point:
%       d(DSTATE) = A d(x) + B d(u),   d(y) = C d(x) + D d(u)
%   so that ss(A, B, C, D) is the plant's linear model there. They are
%   exact to rounding: the module differentiates the model's own code in
%   forward mode (no difference quotients, no step size to choose).
%
%   State x (8): STATE(1:8) in VAPORIZER's layout
%     1:3  liquid mole fractions of components 1, 2, 3
%     4:6  liquid mole fractions of components 5, 6, 7
%     7    liquid level
%     8    temperature
%   Operating inputs u (20), inputs 2 to 9 element by element; column j of
%   B and of D belongs to u(j):
%     1      V   vapour_flow   (input 2)
%     2      Q   heat_input    (input 3)
%     3      F1  feed1_flow    (input 4)
%     4:10   Z1  feed1_comp(1:7) (input 5)
%     11     T1  feed1_temp    (input 6)
%     12     F2  feed2_flow    (input 7)
%     13:19  Z2  feed2_comp(1:7) (input 8)
%     20     T2  feed2_temp    (input 9)
%   Each feed mole fraction is its own input, as the model uses it: a
%   change of one is not balanced by the others.
%   Outputs y (10), VAPORIZER's outputs 2 to 5; row i of C and of D
%   belongs to y(i):
%     1      level             (STATE(7))
%     2:8    vapour mole fractions Y(1:7)
%     9      temperature       (STATE(8))
%     10     bubble-point pressure P
%
%   Outputs
%     A  8-by-8    d(DSTATE)/dx
%     B  8-by-20   d(DSTATE)/du
%     C  10-by-8   dy/dx
%     D  10-by-20  dy/du (zero for this model: no output depends on u
%                  directly; returned so that ss(A, B, C, D) needs no more)
%
%   [A, B, C, D, E, F] = VAPORIZER_LINEARIZE(..., PARAMETERS) also returns
%   the derivatives by property data, for fitting the model to data:
%     E  8-by-P    d(DSTATE)/dp
%     F  10-by-P   dy/dp (rows as C's)
%   PARAMETERS is a P-by-2 array, a row [position, element] per parameter
%   p: the position of a property input, 10 (AREA) to 25 (T0), and one of
%   its elements, counted as WE(k) counts them (one-based, column-major).
%   An element the model does not read (past the 7th of a component
%   vector, say) has zero derivatives; [] or zeros(0, 2) selects none.
%   Repeated rows give repeated columns. At most 172 rows, the number of
%   property elements the model reads. E and F are exact to rounding too.
%
%   Zero to four outputs may be requested (six with PARAMETERS); only those
%   are computed. A
%   alone (one output or none) takes the 8 state directions only; from two
%   outputs on the 20 input directions come too (the host counts an output
%   skipped with ~ as requested), which costs about three times as much.
%
%   Inputs 1 to 25 are read and checked as VAPORIZER reads them (see help
%   vaporizer): at least 8 state values, of which the first 8 count; scalars
%   by their first element; complex inputs by their real parts. Where the
%   model itself gives Inf or NaN (a level of 0, an overflowing
%   exponential), so do the derivatives.
%
%   Errors (identifiers vaporizer_linearize:<mnemonic>, checked in this order)
%     inputCount        not 25 or 26 inputs
%     outputCount       more than 6 outputs requested, or more than 4
%                       without PARAMETERS
%     notNumericScalar, notDenseDouble, tooShort
%                       inputs 1 to 25, with the messages of vaporizer's,
%                       e.g. 'input 5 (feed1_comp) must hold at least 7
%                       values; it holds 3'
%     badParameters     PARAMETERS is not a real dense double P-by-2 array
%                       (or []), has more than 172 rows, or a row names no
%                       property input or an element beyond the input's
%                       size, e.g. 'input 26 (parameters) row 2: element 50
%                       is not a whole number from 1 to 49, the number of
%                       elements of input 12 (wilson_energy)'
%
%   Example: the example plant at its rest point, its sampled model and a
%   discrete LQR that moves the vapour draw and the heat input (dlqr and
%   c2d from the control package: pkg load control)
%     p = cyclohexane_vaporizer_parameters();
%     [s, heat, vapour] = vaporizer_steady_state(p, 1.0, 100);
%     c = vaporizer_inputs(p, s, vapour, heat, p.feed2_flow);
%     [A, B, C, D] = vaporizer_linearize(c{:});
%     plant = ss(A, B(:, 1:2), C([1 9], :), D([1 9], 1:2));  % level, temperature
%     sampled = c2d(plant, 2);                                % 2 s samples
%     K = dlqr(sampled.a, sampled.b, diag([zeros(1, 6) 1e4 1]), diag([1 1e-4]));
%     % u(1:2) = [vapour; heat] - K * (x - s) holds the plant near s.
%   For an implicit ODE solver, A is the Jacobian (see help vaporizer).
%   examples/linear_control_design.m designs and runs a controller this way.
%
%   See also vaporizer, vaporizer_step, ss, c2d, dlqr, odeset.

% This file holds the help text; the function itself is the compiled module
% vaporizer_linearize.mex beside it.
error('vaporizer_linearize:notBuilt', ...
      'vaporizer_linearize: the compiled module is missing; build it first.');

%!shared p, c
%! p = cyclohexane_vaporizer_parameters ();
%! c = vaporizer_inputs (p, [0.0054; 0.0153; 0.0113; 0.0650; 0.0339; 0.0855; 1.0; 100], ...
%!                       12, 302.3, p.feed2_flow);

%!test
%! ## The heat input moves the temperature alone, by 1 / (heat capacity of
%! ## the holdup); the level moves with the net inflow over the molar
%! ## capacity of the vessel per unit of height; each output is the state
%! ## element it names or depends on the state alone.
%! [A, B, C, D] = vaporizer_linearize (c{:});
%! s = c{1};
%! x = [s(1:3); 1 - sum(s(1:6)); s(4:6)];
%! molar_density = p.density_factor / sum (x .* p.molar_mass ./ p.density);
%! holdup = molar_density * s(7) * p.area;
%! heat_capacity = holdup * sum (x .* p.molar_mass .* (p.cp_liquid_a + p.cp_liquid_b * s(8)));
%! assert (B(:, 2), [zeros(7, 1); 1 / heat_capacity], -1e-14);
%! assert (B(7, [1 3 12]), [-1 1 1] / (molar_density * p.area), -1e-14);
%! assert (all (A(7, :) == 0) && all (B(7, [2 4:11 13:20]) == 0));
%! assert (C([1 9], :), [0 0 0 0 0 0 1 0; 0 0 0 0 0 0 0 1]);
%! assert (D, zeros (10, 20));
%! ## The cheaper path for A alone gives the same bits.
%! assert (isequal (vaporizer_linearize (c{:}), A));

%!error <takes the 25 inputs of vaporizer and optionally a parameter selection \(25 or 26 inputs\); it was given 24> vaporizer_linearize (c{1:24})
%!error <input 5 \(feed1_comp\) must hold at least 7 values; it holds 3>
%! c{5} = [0.5; 0.25; 0.25];
%! vaporizer_linearize (c{:});
