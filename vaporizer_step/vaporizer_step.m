%VAPORIZER_STEP  Advance the vaporizer over one interval with its inputs held.
%   STATE = VAPORIZER_STEP(S, V, Q, F1, Z1, T1, F2, Z2, T2, A, WV, WE, M, RHO,
%       E, CLA, CLB, CVA, CVB, ANTA, ANTB, ANTC, R, DENSITY_FACTOR, T0, INTERVAL)
%   integrates the vaporizer model (see help vaporizer) from the state S over
%   INTERVAL time units, with every other input held constant, and returns
%   the state at the end. This is what a sampled control loop needs between
%   two samples: the controller's outputs are held, the plant moves on.
%
%   The first 25 inputs are those of vaporizer, in its order, with the same
%   meaning and the same checks, so one cell array serves both:
%       c = {s, V, Q, F1, z1, T1, F2, z2, T2, A, WV, WE, M, rho, e, ...
%            cla, clb, cva, cvb, anta, antb, antc, R, 1, 273.15};
%       ds = vaporizer(c{:});              % the derivatives at s
%       s_next = vaporizer_step(c{:}, 2);  % the state 2 time units later
%
%   STATE = VAPORIZER_STEP(..., INTERVAL, OPTIONS) takes solver settings from
%   OPTIONS, a 1-by-1 struct such as odeset returns, or [] for none (any other
%   empty value, '', {}, zeros(0, 3) or sparse(0, 0), is an error):
%     RelTol       relative tolerance, a positive scalar (default 1e-8)
%     AbsTol       absolute tolerance, a positive scalar or a vector of one
%                  value per state element, 8 in all (default: 1e-10 times
%                  each element's scale: 1 for a mole fraction, the starting
%                  level for the level, and the starting absolute temperature
%                  S(8) + T0 for the temperature)
%     MaxStep      largest step, positive, Inf for none (default: INTERVAL/10,
%                  and at most a million residence times of the holdup, its
%                  moles over F1 + F2 + V). No step can be below 16 eps
%                  INTERVAL at the end of the interval, so a smaller MaxStep
%                  is an error.
%     InitialStep  first step to try, positive (default: estimated); it is
%                  clamped into [16 eps INTERVAL, MaxStep]
%     SensitivityErrorControl
%                  true or false (a logical or numeric scalar, 1 or 0):
%                  whether PHI and GAMMA take part in the error test
%                  (default true; see below)
%   Field names are matched without regard to case; empty fields are
%   ignored. Any other field that is set (Events, Jacobian, Mass, ...) is an
%   error, as is one option set by two fields (RelTol and RELTOL): this
%   integration cannot honour them, and ignoring a setting would be wrong.
%
%   The defaults are chosen for the results, not copied from ode15s (whose
%   RelTol 1e-3 leaves errors of 1e-3 over a minute). Over 150 random
%   operating points around the example plant and intervals from 0.1 s to
%   600 s, the end state at the defaults was within 4e-7 relative of the
%   solution at RelTol 1e-12 (elements below 1e-3 measured against 1e-3),
%   and never further than 1e-5. On the example plant after a feed step a
%   call costs about 75 us over 2 s (12 steps), 105 us over 60 s and
%   145 us over 600 s, as much as RelTol 1e-8, AbsTol 1e-10 and at most
%   twice what RelTol 1e-3 costs (make bench measures it again).
%
%   Near dry. The rates divide by the holdup, so as the level falls an
%   error that was small beside the starting level grows large beside the
%   level itself. Where the level ends below a tenth of where it started,
%   the interval is integrated again from the start with every tolerance
%   scaled down by the end level over a tenth of the start level (RelTol to
%   no less than 1e-13), and the level's relative tolerance applied to at
%   most its end value; again, should the level then end below half of that
%   value. Such a call costs two or three integrations, and STATS counts
%   them all. The state is then within 1e-5 of the exact solution too (the
%   level measured against itself, the temperature on the absolute scale):
%   over 70 random drains to between a millionth and a twentieth of the
%   starting level, each called at the defaults and at RelTol 1e-8, AbsTol
%   1e-10 (30 of them with the sensitivities), 137 of the 140 calls returned
%   a state, within 4.4e-6 of ode45 at RelTol 1e-13 at worst, and 3, drained
%   to about 1.2e-6 of the start, ended in leftDomain: where the tighter
%   tolerances cannot be met, the call ends there, naming the level it
%   falls to by the end of the interval.
%
%   The model's domain. The model means something only where its equations
%   divide by nothing and take no logarithm or exponential of a meaningless
%   value: the level S(7) above 0 (the holdup divides), the temperature
%   above absolute zero of the property set (S(8) + T0 > 0) and above the
%   pole of every vapour pressure with ANTB(k) < 0 (S(8) + ANTC(k) > 0), and
%   each of the seven liquid mole fractions in [0, 1], give or take
%   max(1e-6, 10 AbsTol) for rounding and integration error. Within an
%   interval the level must stay above a millionth of where it started:
%   below that the vessel counts as dry. A starting state outside is an
%   error; a trial state outside, or one where the derivatives or their
%   Jacobian are not finite, makes the integration retry with a smaller
%   step; a solution that leaves the domain within the interval, a step
%   that ends outside it, and derivatives, a Jacobian or sensitivities that
%   stay non-finite end the call in leftDomain, which says which bound was
%   crossed, or which element was not finite, and when. No state outside
%   the domain is ever returned. (With feeds that carry no negative amount
%   of any component, no mole fraction can leave [0, 1]; it is then never
%   named as the bound crossed.)
%
%   [STATE, LEVEL, Y, T, P, STATS] = VAPORIZER_STEP(...) also returns what
%   vaporizer returns for the end state (bit for bit the same values), and
%   the solver's work. Any number of outputs from none to eight (nine with
%   PARAMETERS) may be requested; only the requested ones are made.
%     STATE  the end state, the same size as S; elements past the 8th are
%            copied unchanged
%     LEVEL  STATE(7)
%     Y      equilibrium vapour mole fractions at the end state (same shape
%            as Z1; elements beyond the 7th are 0)
%     T      STATE(8)
%     P      bubble-point pressure at the end state
%     STATS  struct with fields steps, failed_steps (error test failures),
%            rhs_evaluations, jacobian_evaluations, nonlinear_iterations
%            and convergence_failures
%
%   [..., STATS, PHI, GAMMA] = VAPORIZER_STEP(...) also returns the exact
%   sensitivities of the end state, integrated with the state on its steps
%   from the model's exact derivatives (those vaporizer_linearize
%   returns):
%     PHI    8-by-8, d STATE(end) / d S: column j is the end state's change
%            per unit change of S(j)
%     GAMMA  8-by-20, d STATE(end) / d u, the operating inputs u held over
%            the interval, in vaporizer_linearize's order: V, Q, F1,
%            Z1(1..7), T1, F2, Z2(1..7), T2
%   so that ss(PHI, GAMMA, C, D, INTERVAL), with C and D from
%   vaporizer_linearize, is the sampled plant. They are computed only when
%   requested (seven outputs: PHI alone). By default they take part in the
%   error test: each sensitivity times the magnitude of the start element or
%   input it belongs to is held to the tolerances of the state. So a call
%   that requests them may return an end state that differs from the plain
%   call's within the tolerances, and takes more steps (15 instead of 12
%   over 2 s after a feed step). Their accuracy is stated column by column:
%   at the defaults each column of [PHI GAMMA] was within 5e-6 of its
%   largest entry (against the variational equations integrated far
%   tighter, over 2 s to 600 s at four operating points), and so was every
%   entry above a thousandth of the largest of its column relative to
%   itself. With SensitivityErrorControl false the steps are the state's
%   alone: outputs 1 to 6 keep the bits of the plain call, at some four
%   fifths of the cost, but the columns were only within 3e-4 of their
%   largest entries, which the steps of the state do not follow as closely.
%   As INTERVAL tends to 0, PHI tends to
%   I + A*INTERVAL and GAMMA to B*INTERVAL (A, B from vaporizer_linearize);
%   an INTERVAL of 0 gives I and zeros.
%   An INTERVAL of 0 returns S unchanged (if it lies in the model's domain),
%   with zero statistics.
%
%   [..., GAMMA, SP] = VAPORIZER_STEP(..., INTERVAL, OPTIONS, PARAMETERS)
%   also returns the end state's sensitivity to property data, for fitting
%   the model to data (OPTIONS may be [] or struct() for the defaults):
%     SP     8-by-P, d STATE(end) / dp, for the P parameters that the rows
%            [position, element] of PARAMETERS select, as for
%            vaporizer_linearize's E and F (position 10, A, to 25, T0;
%            element one-based, column-major; at most 172 rows)
%   by the same forward sensitivity analysis, on the exact d(DSTATE)/dp
%   (vaporizer_linearize's E), with PHI and GAMMA alongside; the absolute
%   tolerances of a column are AbsTol over the magnitude of its parameter
%   (1 where that is 0). The selection is checked whenever it is given, and
%   SP computed only as output 9; output 9 without PARAMETERS is an error.
%
%   The integration runs inside the module: SUNDIALS CVODES (6 or 7) with
%   variable-order BDF formulas (orders 1 to 5), Newton iterations and a
%   dense direct linear solver on the model's exact Jacobian (forward-mode
%   automatic differentiation of the model's own code), from t = 0
%   to exactly INTERVAL (the model is never evaluated beyond it). As in
%   ode15s, no step at time t may be smaller than 16 eps t, and an interval
%   that needs more than 100000 steps (5000 when the sensitivities are
%   requested, each step costing some four times as much) ends in
%   tooMuchWork at the time it reached (an INTERVAL of 1e300 does). An INTERVAL below 1e-100 is one
%   explicit Euler step, exact to the last bit that matters. The results
%   depend only on the inputs: the same inputs give the same bits on every
%   call, whatever rounding mode the caller has set.
%
%   Errors (identifiers vaporizer_step:<mnemonic>, checked in this order)
%     inputCount           not 26 to 28 inputs
%     outputCount          more than 9 outputs requested, or 9 without
%                          PARAMETERS
%     notNumericScalar, notDenseDouble, tooShort
%                          inputs 1 to 25, as for vaporizer
%     badInterval          INTERVAL is not a real, finite numeric scalar >= 0
%     badOptions           OPTIONS is neither [] nor a 1-by-1 struct
%     unsupportedOption, duplicateOption, badOption
%                          field by field: a field of OPTIONS other than the
%                          five is set (the message names it); one option is
%                          set by two fields of different case; an option
%                          has a bad value
%     badParameters        PARAMETERS is not a real dense double P-by-2 array
%                          (or []), has more than 172 rows, or a row names
%                          no property input or an element beyond the
%                          input's size (as for vaporizer_linearize)
%     badOption            MaxStep below 16 eps INTERVAL
%     stateNotFinite       one of the first 8 elements of S is NaN or infinite
%     undefinedDomain      T0, or ANTC(k) with ANTB(k) < 0, is NaN: no state
%                          lies in the domain
%     stateOutsideDomain   S lies outside the model's domain; the message says
%                          which bound it is beyond
%     leftDomain           the solution left the model's domain within the
%                          interval: the vessel ran dry (or ends too near dry
%                          to be followed), the liquid cooled to a
%                          temperature the model does not cover, a mole
%                          fraction left [0, 1], or the derivatives, their
%                          Jacobian or the sensitivities turned non-finite;
%                          the message says which, and when
%     tooMuchWork          100000 steps (5000 with the sensitivities) did not
%                          reach the end of the interval
%     tooMuchAccuracy      the tolerances ask for more than doubles hold
%     errorTestFailures    the error test failed repeatedly, away from the
%                          domain's edge
%     convergenceFailures  the Newton iteration failed repeatedly, away from
%                          the domain's edge
%     outOfMemory, solverFailed
%   Every failure of the integration says at what time within the interval
%   it happened. Nothing is left allocated after an error.
%
%   Example: a sampled level loop after a 20 % step in the liquid feed. A PI
%   controller reads the level every 2 s and moves the vapour draw, which is
%   held between samples.
%     p = cyclohexane_vaporizer_parameters();
%     c = {[], 0, 302.3, p.feed1_flow, p.feed1_comp, p.feed1_temp, ...
%          1.2 * p.feed2_flow, p.feed2_comp, p.feed2_temp, p.area, ...
%          p.wilson_volume, p.wilson_energy, p.molar_mass, p.density, ...
%          p.enthalpy_offset, p.cp_liquid_a, p.cp_liquid_b, p.cp_vapour_a, ...
%          p.cp_vapour_b, p.antoine_a, p.antoine_b, p.antoine_c, ...
%          p.gas_constant, p.density_factor, p.temperature_offset};
%     s = [0.0054; 0.0153; 0.0113; 0.0650; 0.0339; 0.0855; 1.0; 100];
%     h = 2;  setpoint = 1.0;  gain = 200;  integral_time = 200;  integral = 0;
%     options = odeset('RelTol', 1e-8, 'AbsTol', 1e-10);
%     for k = 1:300                                 % ten minutes
%       err = s(7) - setpoint;                      % level above setpoint
%       integral = integral + err * h;
%       c{1} = s;
%       c{2} = 12 + gain * (err + integral / integral_time);  % vapour draw
%       s = vaporizer_step(c{:}, h, options);       % the plant, 2 s on
%       level(k) = s(7);
%     end
%     % The level peaks about 6 mm high and is back within 0.3 mm at the end.
%   examples/vaporizer_level_control.m runs the whole plant this way, with
%   transmitters (Transmit) and a second loop on the temperature.
%
%   See also vaporizer, Transmit, ode15s, odeset.

% This file holds the help text; the function itself is the compiled module
% vaporizer_step.mex beside it.
error('vaporizer_step:notBuilt', 'vaporizer_step: the compiled module is missing; build it first.');

%!shared p, c, rest
%! p = cyclohexane_vaporizer_parameters ();
%! rest = [0.0054; 0.0153; 0.0113; 0.0650; 0.0339; 0.0855; 1.0; 100];
%! c = vaporizer_inputs (p, rest, 12, 302.3, 1.2 * p.feed2_flow);

%!test
%! ## An interval of 0 returns the state; any other ends where the model's
%! ## outputs are vaporizer's at the end state, bit for bit.
%! assert (vaporizer_step (c{:}, 0), rest);
%! [s, level, y, T, P, stats] = vaporizer_step (c{:}, 2);
%! at_end = c;
%! at_end{1} = s;
%! [~, level_v, y_v, T_v, P_v] = vaporizer (at_end{:});
%! assert ({level, y, T, P}, {level_v, y_v, T_v, P_v});
%! assert (stats.steps > 0 && s(7) > rest(7));

%!function ds = derivatives (state, c)
%! c{1} = state;
%! [ds, ~, ~, ~, ~] = vaporizer (c{:});
%!endfunction

%!test
%! ## Within 1e-6 of ode15s run a hundred times tighter.
%! options = odeset ("RelTol", 1e-8, "AbsTol", 1e-10);
%! s = vaporizer_step (c{:}, 2, options);
%! [~, trajectory] = ode15s (@(t, x) derivatives (x, c), [0 2], rest, ...
%!                          odeset ("RelTol", 1e-10, "AbsTol", 1e-12));
%! assert (s, trajectory(end, :)', -1e-6);

%!error <field Events is set> vaporizer_step (c{:}, 2, odeset ("Events", @(t, y) y))
