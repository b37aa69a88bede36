% Transmit in the real host: stepped runs that agree bit for bit with an
% m-code evaluation in the same order, the dead time of L - 1 calls, the
% exact messages for wrong argument counts, and inputs outside the data model ending in errors.

function test_transmit()
  stepped_run_matches_m_code_bit_for_bit();
  signal_emerges_l_minus_1_calls_late();
  lag_chain_follows_the_euler_recurrence();
  shapes_follow_the_inputs();
  count_errors_are_exact();
  bad_inputs_end_in_errors();
  assert_exports_only_entry_point('Transmit');
end

% One step written out in m-code, operation by operation in the module's order.
function [line, lags] = m_code_step(v, old_line, old_lags, delay_time, T, L, n, h, lo, hi)
  L = fix(L);
  n = fix(n);
  line = zeros(size(old_line));
  lags = zeros(size(old_lags));
  if delay_time >= 1e-4
    for j = L - 1:-1:1
      line(j + 1) = old_line(j);
    end
  end
  line(1) = (v - lo) / (hi - lo);
  if line(1) < 0
    line(1) = 0;
  elseif line(1) > 1
    line(1) = 1;
  end
  if n <= 0
    return;
  end
  u = line(L);
  for i = 1:n
    if T > 1e-4
      if i == 1
        in = u;
      else
        in = old_lags(i - 1);
      end
      d = (in - old_lags(i)) / T;
      lags(i) = old_lags(i) + d * h;
    else
      lags(i) = u;
    end
  end
end

function assert_same_bits(actual, expected, what)
  assert(isequal(size(actual), size(expected)), '%s: size differs', what);
  assert(isequal(typecast(actual(:), 'uint64'), typecast(expected(:), 'uint64')), ...
         '%s: bits differ', what);
end

function stepped_run_matches_m_code_bit_for_bit()
  rand('seed', 42);
  for shape = {'column', 'row'}
    line = zeros(7, 1);  lags = zeros(4, 1);
    if strcmp(shape{1}, 'row')
      line = line';  lags = lags';
    end
    m_line = line;  m_lags = lags;
    for k = 1:400
      args = {-5 + 30 * rand(), 0.1 * (rand() < 0.9), 0.01 + 2 * rand() * (rand() < 0.95), ...
              1 + 6.9 * rand(), -0.9 + 5.8 * rand(), 0.001 + 0.2 * rand(), 4 + rand(), 20 + rand()};
      [line, lags] = Transmit(args{1}, line, lags, args{2:end});
      [m_line, m_lags] = m_code_step(args{1}, m_line, m_lags, args{2:end});
      assert_same_bits(line, m_line, sprintf('%s line, call %d', shape{1}, k));
      assert_same_bits(lags, m_lags, sprintf('%s lags, call %d', shape{1}, k));
    end
  end
end

% With every call advancing and the lags bypassed, the end of the chain shows
% the clipped fraction that went in L - 1 calls earlier, and 0 before that.
function signal_emerges_l_minus_1_calls_late()
  L = 5;
  values = [3 7 12 20 25 -1 15 9 11 18];
  fractions = min(max((values - 4) / 16, 0), 1);
  line = zeros(1, 8);  lags = 0;
  seen = zeros(size(values));
  for k = 1:numel(values)
    [line, lags] = Transmit(values(k), line, lags, 1, 0, L, 1, 0.1, 4, 20);
    seen(k) = lags;
  end
  assert(isequal(seen, [zeros(1, L - 1), fractions(1:end - L + 1)]));
  assert(isequal(line, [fliplr(fractions(end - L + 1:end)), 0 0 0]));
end

% A constant delayed signal through three lags: each stage follows
% x_i(k+1) = x_i(k) + ((x_{i-1}(k) - x_i(k)) / T) * h with the previous
% call's states, which with h = T / 2 gives binomial-like exact values.
function lag_chain_follows_the_euler_recurrence()
  T = 0.5;  h = 0.25;
  line = 1;  lags = zeros(3, 1);
  history = zeros(3, 4);
  for k = 1:4
    [line, lags] = Transmit(24, line, lags, 0, T, 1, 3, h, 4, 20);
    history(:, k) = lags;
  end
  assert(isequal(history, [1/2 3/4 7/8 15/16; 0 1/4 1/2 11/16; 0 0 1/8 5/16]));
end

function shapes_follow_the_inputs()
  [line, lags] = Transmit(5, zeros(1, 5), zeros(3, 1), 1, 1, 2, 3, 0.1, 0, 10);
  assert(isequal(size(line), [1 5]) && isequal(size(lags), [3 1]));
  [line, lags] = Transmit([5 99], zeros(5, 1), zeros(1, 3), 1, 1, 2.9, -0.5, 0.1, 0, 10);
  assert(isequal(line, [0.5; 0; 0; 0; 0]) && isequal(lags, [0 0 0]));
  % Scalars of every class the host reads as a number; no stages, so no
  % delay cell is read and a delay length of 0 is fine.
  [line, lags] = Transmit(true, 7, [], 1, 2, sparse(1), 0, 0.5, 0, 1);
  assert(isequal(line, 1) && isempty(lags));
  [line, lags] = Transmit(0.5, [7 8 9], [], 1, 2, 0, 0, 0.5, 0, char(1));
  assert(isequal(line, [0.5 0 0]) && isequal(size(lags), [0 0]));
end

function count_errors_are_exact()
  ok = {1, zeros(3, 1), zeros(2, 1), 1, 1, 3, 2, 0.1, 0, 10};
  expect_error(@() call_with_outputs(@Transmit, 2, ok{1:9}), '', 'inputs not correct');
  expect_error(@() call_with_outputs(@Transmit, 3, ok{:}, 1), '', 'inputs not correct');
  expect_error(@() call_with_outputs(@Transmit, 1, ok{:}), '', 'outputs not correct');
  expect_error(@() call_with_outputs(@Transmit, 0, ok{:}), '', 'outputs not correct');
  expect_error(@() call_with_outputs(@Transmit, 3, ok{:}), '', 'outputs not correct');
end

% Each input outside the element's data model ends in its own whole message.
function bad_inputs_end_in_errors()
  ok = {1, zeros(3, 1), zeros(2, 1), 1, 1, 3, 2, 0.1, 0, 10};
  bad_scalars = {[], zeros(1, 0), sparse([0; 1]), {1}, struct('a', 1)};
  for position = [1 4 5 6 7 8 9 10]
    for b = 1:numel(bad_scalars)
      expect_rejected(ok, position, bad_scalars{b}, 'notNumericScalar', ...
                      'must be a numeric, logical or char value: non-empty, and 1-by-1 if sparse');
    end
  end
  bad_arrays = {sparse([1; 0; 0]), single([0; 0; 0]), int32([0; 0; 0]), true(3, 1), 'abc', {0, 0, 0}};
  for position = [2 3]
    for b = 1:numel(bad_arrays)
      expect_rejected(ok, position, bad_arrays{b}, 'notDenseDouble', 'must be a dense double array');
    end
  end
  expect_rejected(ok, 2, zeros(0, 1), 'tooShort', 'must hold at least 1 values; it holds 0');
  for position = [6 7]
    for bad = [NaN Inf -Inf 2^31 -2^31 - 1]
      expect_rejected(ok, position, bad, 'countNotInt32', ...
                      'must truncate to a whole number that fits a 32-bit signed integer');
    end
  end
  for bad = [0 0.5 -2]
    expect_rejected(ok, 6, bad, 'badDelayLength', sprintf(['must truncate to 1 or more when ' ...
                    'input 7 (stage_count) is 1 or more; it truncates to %d and input 7 to 2'], fix(bad)));
  end
  expect_rejected(ok, 6, 4, 'badDelayLength', ['must truncate to at most 3, the elements of ' ...
                  'input 2 (delay_line); it truncates to 4']);
  expect_rejected(ok, 7, 3, 'tooManyStages', ['must truncate to at most 2, the elements of ' ...
                  'input 3 (lag_states); it truncates to 3']);
end

function expect_rejected(args, position, value, mnemonic, what)
  names = {'new_value', 'delay_line', 'lag_states', 'delay_time', 'time_constant', ...
           'delay_length', 'stage_count', 'time_step', 'range_low', 'range_high'};
  args{position} = value;
  expect_error(@() call_with_outputs(@Transmit, 2, args{:}), ['Transmit:' mnemonic], ...
               sprintf('input %d (%s) %s', position, names{position}, what));
end
