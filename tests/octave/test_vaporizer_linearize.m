% vaporizer_linearize in the real host: A, B, C and D against complex-step
% derivatives of the m-code model (examples/vaporizer_reference.m, whose every
% operation is analytic, so f(x + ih)/h has no cancellation and is exact
% to rounding for h = 1e-100), at seeded random operating points of the
% example plant; the count errors and a bad input; the exports.
addpath(fullfile(getenv('MEX_SUITE_SOURCE_DIR'), 'examples'));
p = cyclohexane_vaporizer_parameters();
rest = [0.0054; 0.0153; 0.0113; 0.0650; 0.0339; 0.0855; 1.0; 100];
base = vaporizer_inputs(p, rest, 12, 302.3, p.feed2_flow);
% Positions of u(1:20) in the 25 inputs, element by element.
u_input = [2 3 4 5 5 5 5 5 5 5 6 7 8 8 8 8 8 8 8 9];
u_element = [1 1 1 1:7 1 1 1:7 1];
h = 1e-100;

rand('seed', 7);
worst = 0;
for n = 1:4
  c = base;
  c{1} = rest .* (0.7 + 0.6 * rand(8, 1));
  c{1}(8) = 85 + 30 * rand();
  for k = [2 3 4 6 7 9]
    c{k} = c{k} * (0.8 + 0.4 * rand());
  end
  c{5} = c{5} .* (0.8 + 0.4 * rand(7, 1));
  c{8} = c{8} .* (0.8 + 0.4 * rand(7, 1));

  expected = {zeros(8), zeros(8, 20), zeros(10, 8), zeros(10, 20)};
  for j = 1:28
    w = c;
    if j <= 8
      w{1}(j) = w{1}(j) + 1i * h;
    else
      w{u_input(j - 8)}(u_element(j - 8)) = w{u_input(j - 8)}(u_element(j - 8)) + 1i * h;
    end
    [ds, level, y, T, P] = vaporizer_reference(w{:});
    column = imag([ds(1:8); level; y(1:7); T; P]) / h;
    if j <= 8
      expected{1}(:, j) = column(1:8);
      expected{3}(:, j) = column(9:18);
    else
      expected{2}(:, j - 8) = column(1:8);
      expected{4}(:, j - 8) = column(9:18);
    end
  end

  actual = cell(1, 4);
  [actual{:}] = vaporizer_linearize(c{:});
  sizes = {[8 8], [8 20], [10 8], [10 20]};
  for m = 1:4
    assert(isequal(size(actual{m}), sizes{m}) && isreal(actual{m}), 'point %d matrix %d shape', n, m);
    % Relative to the largest entry of the row, as a row is one equation.
    scale = max(abs(expected{m}), [], 2);
    error_m = max(abs(actual{m} - expected{m}) ./ max(scale, realmin), [], 2);
    worst = max(worst, max(error_m));
    assert(all(error_m <= 1e-9), 'point %d matrix %d off by %g relative', n, m, max(error_m));
  end
  % A alone takes the cheaper path and the same bits.
  assert(isequal(vaporizer_linearize(c{:}), actual{1}), 'point %d: A alone differs', n);
end
printf('largest relative difference from the complex step: %g\n', worst);

% On the pole of a vapour pressure (T = -antoine_c(7)) that pressure is 0,
% the limit from inside the domain, and so is its derivative: A to C are
% finite, A's temperature column the one-sided difference quotient, and D,
% which no output's dependence on the inputs fills, is 0.
c = base;
c{1}(8) = -p.antoine_c(7);
[A, B, C, D] = vaporizer_linearize(c{:});
assert(all(isfinite([A(:); B(:); C(:)])) && isequal(D, zeros(10, 20)));
warm = c;
warm{1}(8) = c{1}(8) + 1e-6;
[ds, ~, ~, ~, ~] = vaporizer(c{:});
[ds_warm, ~, ~, ~, ~] = vaporizer(warm{:});
assert(max(abs((ds_warm - ds) / 1e-6 - A(:, 8))) <= 1e-4 * max(abs(A(:, 8))));

% Counts first, then inputs as vaporizer checks them, under this module's name.
expect_error(@() vaporizer_linearize(base{1:24}), 'vaporizer_linearize:inputCount', ...
             ['takes the 25 inputs of vaporizer and optionally a parameter selection (25 or 26 ' ...
              'inputs); it was given 24']);
expect_error(@() call_with_outputs(@vaporizer_linearize, 5, base{:}), ...
             'vaporizer_linearize:outputCount', ...
             ['returns E and F (outputs 5 and 6) only for a parameter selection as input 26; 5 ' ...
              'outputs were requested']);
% A selection: E and F have a column per row, the host's own element order
% (WE(2, 1) is element 2), zeros for an element the model does not read,
% and A to D unchanged.
long = base;
long{16} = [long{16}; 99];
[A, B, C, D, E, F] = vaporizer_linearize(long{:}, [12 2; 16 8; 12 2]);
[A0, B0, C0, D0] = vaporizer_linearize(long{:});
assert(isequal({A, B, C, D}, {A0, B0, C0, D0}) && isequal(size(E), [8 3]) && ...
       isequal(size(F), [10 3]) && isequal(E(:, 1), E(:, 3)) && ~any(E(:, 2)) && ~any(F(:, 2)));
h = 1e-3;
up = long;
up{12}(2, 1) = up{12}(2, 1) + h;
down = long;
down{12}(2, 1) = down{12}(2, 1) - h;
[ds_up, ~, ~, ~, ~] = vaporizer(up{:});
[ds_down, ~, ~, ~, ~] = vaporizer(down{:});
assert(max(abs((ds_up - ds_down) / (2 * h) - E(:, 1))) <= 1e-4 * max(abs(E(:, 1))));
[~, ~, ~, ~, E, F] = vaporizer_linearize(base{:}, []);
assert(isequal(size(E), [8 0]) && isequal(size(F), [10 0]));
bad = base;
bad{12} = single(bad{12});
expect_error(@() vaporizer_linearize(bad{:}), 'vaporizer_linearize:notDenseDouble', ...
             'input 12 (wilson_energy) must be a dense double array');
bad = base;
bad{9} = {};
expect_error(@() vaporizer_linearize(bad{:}), 'vaporizer_linearize:notNumericScalar', ...
             'input 9 (feed2_temp) must be a numeric, logical or char value: non-empty, and 1-by-1 if sparse');
bad = base;
bad{1} = rest(1:7);
expect_error(@() vaporizer_linearize(bad{:}), 'vaporizer_linearize:tooShort', ...
             'input 1 (state) must hold at least 8 values; it holds 7');

assert_exports_only_entry_point('vaporizer_linearize');
