%VAPORIZER  Right-hand side of a seven-component vaporizer for ODE solvers.
%   [DSTATE, LEVEL, Y, T, P] = VAPORIZER(STATE, V, Q, F1, Z1, T1, F2, Z2, T2, ...
%       A, WV, WE, M, RHO, E, CPLA, CPLB, CPVA, CPVB, ANTA, ANTB, ANTC, ...
%       R, DENSITY_FACTOR, T0)
%   evaluates the time derivatives of a well-mixed liquid holdup in a vessel
%   of constant cross-section, fed by two streams, heated, and boiling off a
%   vapour stream in equilibrium with the liquid (Wilson activity
%   coefficients, exponential vapour-pressure law, heat capacities linear in
%   temperature). Exactly 25 inputs and exactly 5 outputs.
%
%   State layout (STATE holds at least 8 values; only the first 8 are read)
%     STATE(1:3)  liquid mole fractions of components 1, 2, 3
%     STATE(4:6)  liquid mole fractions of components 5, 6, 7
%     STATE(7)    liquid level
%     STATE(8)    temperature T
%   Component 4 is the dependent one: x4 = 1 - sum(STATE(1:6)).
%
%   Inputs (arrays: dense double, at least the count shown; scalars: any
%   numeric value, of which the first element is used)
%      1 state               8   state vector, layout above
%      2 vapour_flow         1   molar rate of the vapour drawn off
%      3 heat_input          1   heat added per unit time
%      4 feed1_flow          1   molar flow of feed 1 (enthalpy on the vapour basis)
%      5 feed1_comp          7   mole fractions of feed 1
%      6 feed1_temp          1   temperature of feed 1
%      7 feed2_flow          1   molar flow of feed 2 (enthalpy on the liquid basis)
%      8 feed2_comp          7   mole fractions of feed 2
%      9 feed2_temp          1   temperature of feed 2
%     10 area                1   cross-section of the vessel
%     11 wilson_volume      49   Wilson pre-exponential factors, 7-by-7
%     12 wilson_energy      49   Wilson interaction energies, 7-by-7
%     13 molar_mass          7   molar mass per component
%     14 density             7   liquid density per component (mass per volume)
%     15 enthalpy_offset     7   vapour-basis molar enthalpy at T = 0
%     16 cp_liquid_a         7   liquid heat capacity per mass, constant term
%     17 cp_liquid_b         7   liquid heat capacity per mass, linear term
%     18 cp_vapour_a         7   vapour heat capacity per mass, constant term
%     19 cp_vapour_b         7   vapour heat capacity per mass, linear term
%     20 antoine_a           7   vapour pressure Ps = exp(A + B ./ (T + C))
%     21 antoine_b           7
%     22 antoine_c           7
%     23 gas_constant        1   R of the Wilson model
%     24 density_factor      1   liquid molar density is density_factor / sum(x.*M./RHO)
%     25 temperature_offset  1   T0: the Wilson model uses R*(T + T0)
%
%   Wilson matrices: WV(j, i) and WE(j, i) weight the mole fraction of
%   component j in the sum of component i, that is
%   Lambda(i, j) = WV(j, i) * exp(-WE(j, i) / (R*(T + T0))). Each column
%   belongs to the component whose sum it forms. Diagonals are normally
%   WV = 1, WE = 0.
%
%   Outputs
%     DSTATE  derivatives of STATE (same shape as STATE; elements beyond
%             the 8th are 0): mole fractions, then level, then temperature
%     LEVEL   STATE(7)
%     Y       equilibrium vapour mole fractions (same shape as Z1;
%             elements beyond the 7th are 0)
%     T       STATE(8)
%     P       bubble-point pressure, sum(x .* Ps .* gamma)
%
%   Units: none are fixed, but they must agree. Flows are molar rates per
%   the time unit of the solver; M times the per-mass heat capacities must
%   give molar enthalpies in the units of E and of HEAT_INPUT times time;
%   R*(T + T0) must have the units of WE per mole; T + C must be the
%   temperature the vapour-pressure constants expect; DENSITY_FACTOR over
%   sum(x.*M./RHO) must be moles per volume, with level and area in the
%   matching length units. Enthalpies are zero for the pure liquids at T = 0,
%   so E is the heat of vaporisation at T = 0.
%   A set that works, the example's (cyclohexane_vaporizer_parameters):
%     time s; amounts and flows mol, mol/s; HEAT_INPUT kW = kJ/s; E kJ/mol;
%     M kg/mol; CPLA, CPVA kJ/(kg K), CPLB, CPVB kJ/(kg K^2); RHO kg/m^3
%     with DENSITY_FACTOR = 1; A m^2 and level m; T and the feed
%     temperatures degC with T0 = 273.15; R = 8.314462618 J/(mol K) with
%     WE in J/mol; ln(P/kPa) = ANTA + ANTB/(T/degC + ANTC), P in kPa.
%   Constants tabulated as log10(P/mmHg) = A - B/(T + C) convert by
%   ANTA = log(10)*A + log(101.325/760), ANTB = -log(10)*B (P in kPa);
%   constants for T in kelvin take ANTC = C + 273.15 when T is in degC.
%
%   Errors
%     'inputs not correct'       not exactly 25 inputs
%     'outputs not correct'      not exactly 5 outputs requested
%     vaporizer:notDenseDouble   an array input that is sparse or not double
%     vaporizer:tooShort         an array input with too few values
%     vaporizer:notNumericScalar a scalar input that is empty, of a class
%                                without numbers (cell, struct, ...), or
%                                sparse with more than one element
%   Inputs are checked in position order; the first failure is reported,
%   and a message with an identifier names the input by position and name,
%   e.g. 'input 5 (feed1_comp) must hold at least 7 values; it holds 3'.
%   Numerical trouble (a level of 0, a zero density, an overflowing
%   exponential) is no error: it shows as Inf or NaN in the outputs.
%   Complex inputs are accepted; only their real parts are used. Scalar
%   inputs may also be logical or char, or a 1-by-1 sparse value.
%
%   Example: seven identical, ideal components (temperatures in degrees
%   Celsius, pressures in kPa), fed with no vapour drawn
%     props = {ones(7), zeros(7), 0.05 * ones(7, 1), 800 * ones(7, 1), ...
%              4e4 * ones(7, 1), 2200 * ones(7, 1), 3 * ones(7, 1), ...
%              1400 * ones(7, 1), 2 * ones(7, 1), 16 * ones(7, 1), ...
%              -3800 * ones(7, 1), 230 * ones(7, 1), 8.314, 1, 273.15};
%     z = [0.1; 0.2; 0.1; 0.2; 0.1; 0.2; 0.1];
%     s = [0.2; 0.2; 0.2; 0.1; 0.1; 0.1; 1; 20];
%     [ds, level, y, T, P] = vaporizer(s, 0, 0, 0, z, 25, 2, z, 60, 1.5, props{:});
%   An ODE solver needs a function that returns the first output alone, for
%   example a file vaporizer_rhs.m holding
%     function ds = vaporizer_rhs(t, s, varargin)
%       [ds, ~, ~, ~, ~] = vaporizer(s, varargin{:});
%     end
%   and then
%     [t, states] = ode45(@(t, s) vaporizer_rhs(t, s, 0, 0, 0, z, 25, 2, z, ...
%                                               60, 1.5, props{:}), [0 600], s);
%   An implicit solver (ode15s) takes the exact Jacobian d(DSTATE)/d(STATE)
%   from vaporizer_linearize instead of building it from difference
%   quotients; a file vaporizer_jacobian.m holding
%     function A = vaporizer_jacobian(t, s, varargin)
%       A = vaporizer_linearize(s, varargin{:});   % A alone: the cheap path
%     end
%   gives it to the solver:
%     inputs = {0, 0, 0, z, 25, 2, z, 60, 1.5, props{:}};
%     options = odeset('Jacobian', @(t, s) vaporizer_jacobian(t, s, inputs{:}));
%     [t, states] = ode15s(@(t, s) vaporizer_rhs(t, s, inputs{:}), [0 600], s, options);
%
%   See also vaporizer_step, vaporizer_linearize, ode15s, odeset.

% This file holds the help text; the function itself is the compiled module
% vaporizer.mex beside it.
error('vaporizer:notBuilt', 'vaporizer: the compiled module is missing; build it first.');

%!shared p, props
%! p = cyclohexane_vaporizer_parameters ();
%! props = {p.area, p.wilson_volume, p.wilson_energy, p.molar_mass, p.density, ...
%!          p.enthalpy_offset, p.cp_liquid_a, p.cp_liquid_b, p.cp_vapour_a, ...
%!          p.cp_vapour_b, p.antoine_a, p.antoine_b, p.antoine_c, p.gas_constant, ...
%!          p.density_factor, p.temperature_offset};

%!test
%! ## Cyclohexane alone (component 4, the dependent one) gives off pure
%! ## cyclohexane and boils at 101.325 kPa at its normal boiling point.
%! state = [zeros(6, 1); 1; p.normal_boiling_point(4)];
%! [~, ~, y, ~, P] = vaporizer (state, 0, 0, 0, p.feed1_comp, 20, 0, p.feed2_comp, 20, props{:});
%! assert (y, [0; 0; 0; 1; 0; 0; 0]);
%! assert (P, 101.325, -2e-3);

%!test
%! ## Every output bit for bit against the model written out in m-code
%! ## (vaporizer_reference, one of the examples), at states and feeds drawn
%! ## at random.
%! for trial = 1:20
%!   s = [0.1 * rand(6, 1); 0.5 + rand; 60 + 100 * rand];
%!   feeds = {10 * rand, 1000 * rand, 5 * rand, rand(7, 1), 100 + 50 * rand, ...
%!            10 * rand, rand(7, 1), 20 + 60 * rand};
%!   actual = expected = cell (1, 5);
%!   [actual{:}] = vaporizer (s, feeds{:}, props{:});
%!   [expected{:}] = vaporizer_reference (s, feeds{:}, props{:});
%!   assert (actual, expected);
%! endfor
%!error <inputs not correct> vaporizer (1)
