% Transmit in the real host: stepped runs that agree bit for bit with an
% m-code evaluation in the same order (Transmit.m's self-tests), the dead
% time of L - 1 calls, the exact messages for wrong argument counts, and
% inputs outside the data model ending in errors.

function test_transmit()
  stepped_runs_match_the_self_tests_m_code();
  signal_emerges_l_minus_1_calls_late();
  lag_chain_follows_the_euler_recurrence();
  shapes_follow_the_inputs();
  count_errors_are_exact();
  bad_inputs_end_in_errors();
  assert_exports_only_entry_point('Transmit');
end

% The step's arithmetic is written once, in the self-tests of Transmit.m:
% stepped runs bit for bit against it, run here against this build's module
% (the package test runs them against the package's). They need Octave's test.
function stepped_runs_match_the_self_tests_m_code()
  if exist('OCTAVE_VERSION', 'builtin') == 0
    disp('not Octave: the self-tests of Transmit.m are skipped');
    return;
  end
  file = fullfile(getenv('MEX_SUITE_SOURCE_DIR'), 'transmission', 'Transmit.m');
  [passed, total] = test(file, 'quiet', stdout);
  assert(total > 1 && passed == total, 'self-tests of Transmit.m: %d of %d passed', passed, total);
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
