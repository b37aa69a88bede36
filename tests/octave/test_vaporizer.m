% vaporizer in the real host: every output bit for bit against plain m-code
% in the model's order, output shapes, the two count errors, bad inputs, and a
% short integration that behaves physically. The m-code is
% examples/vaporizer_reference.m, which the package's self-tests use too.
addpath(fullfile(getenv('MEX_SUITE_SOURCE_DIR'), 'examples'));

% Seven components, temperatures in degrees Celsius, pressures in kPa.
M = [0.032; 0.046; 0.018; 0.060; 0.058; 0.078; 0.092];
rho = [792; 789; 1000; 803; 784; 876; 867];
e = [37.4e3; 42.3e3; 45.0e3; 47.5e3; 31.3e3; 33.8e3; 38.0e3];
ca = [2400; 2300; 4180; 2200; 2100; 1700; 1600];
cb = [3.1; 4.2; 0.4; 3.3; 2.5; 2.2; 2.4];
cva = [1300; 1400; 1860; 1450; 1250; 1000; 1050];
cvb = [1.9; 2.1; 0.6; 2.3; 1.8; 1.6; 1.7];
anta = [16.5785; 16.8958; 16.3872; 16.1154; 14.3145; 13.7819; 13.9320];
antb = [-3638.27; -3795.17; -3885.70; -3483.67; -2756.22; -2726.81; -3056.96];
antc = [239.500; 230.918; 230.170; 205.807; 228.060; 217.572; 217.625];
% Host orientation: column i holds the factors of component i's sum.
WV = zeros(7);
WE = zeros(7);
for i = 0:6
  for j = 0:6
    WV(j + 1, i + 1) = 0.55 + 0.11 * mod(3 * i + 5 * j, 9) * (i ~= j) + 0.45 * (i == j);
    WE(j + 1, i + 1) = (-300 + 260 * mod(2 * i + 7 * j, 11)) * (i ~= j);
  end
end
props = {WV, WE, M, rho, e, ca, cb, cva, cvb, anta, antb, antc, 8.314, 1, 273.15};
z1 = [0.20; 0.10; 0.25; 0.15; 0.10; 0.05; 0.15];
z2 = [0.05; 0.15; 0.35; 0.20; 0.05; 0.10; 0.10];

% Bit for bit against the m-code over seeded random sets in which every
% input moves. A sum or quotient evaluated in another grouping changes the
% last bits of as few as one set in seven, so 200 sets leave it no room;
% every other set goes in as rows. The last set sits at a temperature where
% pow(T, 2) and T*T differ on this machine.
rand('seed', 42);
for n = 1:201
  [s, args] = random_vaporizer_arguments(props);
  if n == 201
    s(8) = 171.75096981575376;
  end
  if mod(n, 2) == 0
    s = s';
    args{4} = args{4}';
  end
  expected = cell(1, 5);
  actual = cell(1, 5);
  [expected{:}] = vaporizer_reference(s, args{:});
  [actual{:}] = vaporizer(s, args{:});
  for k = 1:5
    assert(isequal(size(actual{k}), size(expected{k})), 'set %d output %d shape', n, k);
    assert(isequal(typecast(actual{k}(:), 'uint64'), typecast(expected{k}(:), 'uint64')), ...
           'set %d output %d differs by %g', n, k, max(abs(actual{k}(:) - expected{k}(:))));
  end
end
state = [0.12; 0.08; 0.30; 0.10; 0.05; 0.07; 1.2; 78.5];
assert(isequal(size(vaporizer_rhs(0, state', args{:})), [1 8]));

% Longer state and composition: extra elements stay 0; scalars given as
% arrays count with their first element; complex inputs with their real part.
[ds, level, y, ~, ~] = vaporizer([state; 5; 6], 1, 0, 2, [z1; 3], 95, 5, z2, 40, ...
                           [1.5 9], props{:});
[ds0, ~, y0, ~, ~] = vaporizer(state, 1, 0, 2, z1, 95, 5, z2, 40, 1.5, props{:});
assert(isequal(ds, [ds0; 0; 0]) && isequal(y, [y0; 0]) && level == state(7));
[dsc, ~, yc, ~, ~] = vaporizer(complex(state, 1), 1, 0, 2, z1, 95, 5i + 5, z2, 40, ...
                         1.5, props{:});
assert(isequal(dsc, ds0) && isequal(yc, y0));
% Scalars of every class the host reads as a number: true heats like 1, a
% char area counts with its code, a 1-by-1 sparse flow with its value.
[dsl, ~, yl, ~, ~] = vaporizer(state, 1, true, 2, z1, 95, 5, z2, 40, 1.5, props{:});
[ds1, ~, y1, ~, ~] = vaporizer(state, 1, 1, 2, z1, 95, 5, z2, 40, 1.5, props{:});
assert(isequal(dsl, ds1) && isequal(yl, y1));
[dsc, ~, yc, ~, ~] = vaporizer(state, sparse(1), 1, 2, z1, 95, 5, z2, 40, char(2), props{:});
[ds2, ~, y2, ~, ~] = vaporizer(state, 1, 1, 2, z1, 95, 5, z2, 40, 2, props{:});
assert(isequal(dsc, ds2) && isequal(yc, y2));

% Exact counts, inputs first.
args = {state, 1, 0, 2, z1, 95, 5, z2, 40, 1.5, props{:}};
expect_error(@() vaporizer(args{1:24}), '', 'inputs not correct');
expect_error(@() vaporizer(args{:}, 1), '', 'inputs not correct');
expect_error(@() call_with_outputs(@vaporizer, 2, args{1:24}), '', 'inputs not correct');
for nout = [0 1 4 6]
  expect_error(@() call_with_outputs(@vaporizer, nout, args{:}), '', 'outputs not correct');
end

% Inputs outside the data model end in an error naming the input, whole.
names = {'state', 'vapour_flow', 'heat_input', 'feed1_flow', 'feed1_comp', 'feed1_temp', ...
         'feed2_flow', 'feed2_comp', 'feed2_temp', 'area', 'wilson_volume', 'wilson_energy', ...
         'molar_mass', 'density', 'enthalpy_offset', 'cp_liquid_a', 'cp_liquid_b', ...
         'cp_vapour_a', 'cp_vapour_b', 'antoine_a', 'antoine_b', 'antoine_c', ...
         'gas_constant', 'density_factor', 'temperature_offset'};
for pos = 1:25
  n = numel(args{pos});
  if n == 1
    bad = {[], sparse([0; 1]), {1}, struct('a', 1), @sin};
    ids = repmat({'notNumericScalar'}, 1, numel(bad));
  else
    bad = {sparse(args{pos}), single(args{pos}), int32(args{pos}), true(n, 1), ...
           repmat('a', n, 1), num2cell(args{pos}), args{pos}(1:end - 1), []};
    ids = [repmat({'notDenseDouble'}, 1, 6), {'tooShort', 'tooShort'}];
  end
  for b = 1:numel(bad)
    call = args;
    call{pos} = bad{b};
    switch ids{b}
      case 'notNumericScalar'
        what = 'must be a numeric, logical or char value: non-empty, and 1-by-1 if sparse';
      case 'notDenseDouble'
        what = 'must be a dense double array';
      case 'tooShort'
        what = sprintf('must hold at least %d values; it holds %d', n, numel(bad{b}));
    end
    expect_error(@() call_with_outputs(@vaporizer, 5, call{:}), ['vaporizer:' ids{b}], ...
                 sprintf('input %d (%s) %s', pos, names{pos}, what));
  end
end

% No vapour drawn, both feeds of composition z: every component's excess
% over z shrinks by the same factor, so the liquid moves straight towards z,
% and the level rises; the temperature settles where the feeds' enthalpy
% balances the holdup's.
z = [0.10; 0.20; 0.10; 0.25; 0.10; 0.15; 0.10];
feeds = {0, 0, 20, z, 95, 50, z, 40, 1.5, props{:}};
s0 = [0.3; 0.05; 0.2; 0.05; 0.2; 0.05; 1.0; 60];
options = odeset('RelTol', 1e-8, 'AbsTol', 1e-10);
[t, s] = ode45(@(t, s) vaporizer_rhs(t, s, feeds{:}), [0 3000], s0, options);
excess = s(:, 1:6) - z([1 2 3 5 6 7])';
factor = excess ./ excess(1, :);
assert(max(max(abs(factor - factor(:, 1)))) < 1e-6, 'the liquid leaves the line towards z');
assert(all(diff(factor(:, 1)) < 0) && factor(end, 1) > 0 && factor(end, 1) < 0.15, ...
       'the composition does not approach z: factor %g', factor(end, 1));
assert(all(diff(s(:, 7)) > 0), 'the level does not rise');
[~, T_end] = ode45(@(t, s) vaporizer_rhs(t, s, feeds{:}), [0 3e5], s0, options);
rate0 = vaporizer_rhs(0, s0, feeds{:});
rate = vaporizer_rhs(0, T_end(end, :)', feeds{:});
assert(abs(rate(8)) < 1e-4 * abs(rate0(8)), 'temperature still moving at %g', rate(8));
printf('temperature %.3f -> %.3f, rate %g -> %g\n', s0(8), T_end(end, 8), rate0(8), rate(8));

% The module exports nothing but its entry point.
assert_exports_only_entry_point('vaporizer');
