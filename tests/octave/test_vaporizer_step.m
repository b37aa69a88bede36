% vaporizer_step in the real host, on the cyclohexane plant of the example:
% accuracy against a tight ode15s reference at random operating points after
% a feed step, end outputs bit for bit those of vaporizer, shapes, a model
% that turns non-finite mid-interval, and the options struct as odeset makes it.

addpath(fullfile(getenv('MEX_SUITE_SOURCE_DIR'), 'examples'));
p = cyclohexane_vaporizer_parameters();
model = @(s, V, Q, F2) {s, V, Q, p.feed1_flow, p.feed1_comp, p.feed1_temp, F2, ...
    p.feed2_comp, p.feed2_temp, p.area, p.wilson_volume, p.wilson_energy, p.molar_mass, ...
    p.density, p.enthalpy_offset, p.cp_liquid_a, p.cp_liquid_b, p.cp_vapour_a, ...
    p.cp_vapour_b, p.antoine_a, p.antoine_b, p.antoine_c, p.gas_constant, ...
    p.density_factor, p.temperature_offset};
% Near the example's steady state at 100 degC and 1 m.
rest = [0.0054; 0.0153; 0.0113; 0.0650; 0.0339; 0.0855; 1.0; 100];
tight = odeset('RelTol', 1e-8, 'AbsTol', 1e-10);
reference = odeset('RelTol', 1e-10, 'AbsTol', 1e-12);

% Random operating points around it, each after a 20 % step in the liquid
% feed, over one 2 s sample and over a minute: within 1e-6 of ode15s run
% far tighter; outputs 2 to 5 are vaporizer's at the end state, bit for bit.
rand('seed', 3);
for n = 1:4
  s0 = rest .* (1 + 0.1 * (rand(8, 1) - 0.5));
  c = model(s0, 12 * (0.9 + 0.2 * rand), 302.3 * (0.9 + 0.2 * rand), 1.2 * p.feed2_flow);
  for interval = [2 60]
    [s, level, y, T, P, stats] = vaporizer_step(c{:}, interval, tight);
    [~, trajectory] = ode15s(@(t, x) vaporizer_rhs(t, x, c{2:end}), [0 interval], s0, reference);
    expected = trajectory(end, :)';
    assert(max(abs(s - expected) ./ abs(expected)) < 1e-6, ...
           'point %d, interval %g: off by %g relative', n, interval, ...
           max(abs(s - expected) ./ abs(expected)));
    at_end = c;
    at_end{1} = s;
    [~, level_v, y_v, T_v, P_v] = vaporizer(at_end{:});
    assert(isequal(level, level_v) && isequal(y, y_v) && isequal(T, T_v) && isequal(P, P_v), ...
           'point %d: end outputs differ from vaporizer''s', n);
    assert(stats.steps > 0 && stats.rhs_evaluations >= stats.steps);
  end
end

% Interval 0 returns the state itself; a row state gives a row, a longer
% one keeps its tail; a row composition shapes the vapour composition.
c = model([rest' 7 8], 12, 302.3, p.feed2_flow);
c{5} = c{5}';
[s, ~, y, ~, ~, stats] = vaporizer_step(c{:}, 0);
assert(isequal(s, [rest' 7 8]) && isequal(size(y), [1 7]) && stats.steps == 0);
s = vaporizer_step(c{:}, 10);
assert(isequal(size(s), [1 10]) && isequal(s(9:10), [7 8]) && s(8) ~= rest(8));

% Cooled hard with nothing flowing, the liquid reaches the temperature
% where the Wilson model's R (T + T0) vanishes after about 9 s: the
% integration stops there and says when.
c = model(rest, 0, -5e4, 0);
c{4} = 0;
try
  vaporizer_step(c{:}, 30);
  error('test:noError', 'the integration through a singular state succeeded');
catch err
  assert(strcmp(err.identifier, 'vaporizer_step:rhsNotFinite'), err.identifier);
  when = sscanf(err.message(strfind(err.message, 't = ') + 4:end), '%g', 1);
  assert(when > 1 && when < 29, 'failed at t = %g', when);
end
s = vaporizer_step(c{:}, 1);
assert(s(8) < rest(8) - 10, 'the cooling does not cool');

% odeset's struct: its empty fields are ignored, a set field this
% integration does not honour is an error that names it.
c = model(rest, 12, 302.3, p.feed2_flow);
assert(isequal(vaporizer_step(c{:}, 2, odeset('RelTol', 1e-8, 'AbsTol', 1e-10)), ...
               vaporizer_step(c{:}, 2, struct('RelTol', 1e-8, 'AbsTol', 1e-10))));
expect_error(@() vaporizer_step(c{:}, 2, odeset('Events', @(t, y) y(7))), ...
             'vaporizer_step:unsupportedOption', ['input 27 (options) field Events is set, but ' ...
             'only RelTol, AbsTol, MaxStep and InitialStep are honoured; leave it empty']);
expect_error(@() vaporizer_step(c{:}, 2, [tight; tight]), 'vaporizer_step:badOptions', ...
             'input 27 (options) must be a 1-by-1 struct such as odeset returns, or []');
expect_error(@() vaporizer_step(c{1:25}), 'vaporizer_step:inputCount', ['takes the 25 inputs ' ...
             'of vaporizer, the interval and optionally an options struct (26 or 27 inputs); ' ...
             'it was given 25']);

assert_exports_only_entry_point('vaporizer_step');
