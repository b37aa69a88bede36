% murtal in the real host: results, the five specified errors, and bad inputs
% of every class ending in an error rather than a crash.

% Counting with truncated labels; no output requested still yields ans.
assert(isequal(murtal(sparse([0; 1; 1; 0; 1]), 3, [3; 1; 2.9; 0; 1]), [2; 1; 0]));
murtal(sparse([1; 0]), 2, [2 1]);
assert(isequal(ans, [0; 1]));

% Agrees with accumarray on a larger random pattern; labels as a matrix.
rand('seed', 7);
n = 5000;
C = sprand(n, 1, 0.3);
labels = floor(rand(n, 1) * 9) + 1 + 0.5;
expected = accumarray(fix(labels(find(C))), 1, [9 1]);
assert(isequal(murtal(C, 9, labels), expected));
assert(isequal(murtal(C, 9, reshape(labels, 50, 100)), expected));
assert(isequal(murtal(logical(C), 9.7, labels'), expected));
assert(isequal(sum(murtal(C, 9, labels)), nnz(C)));

% K of any class the host reads as a number.
assert(isequal(murtal(sparse([1; 0; 1]), true, [1; 1; 1]), 2));
assert(isequal(murtal(sparse([1; 0; 1]), sparse(2), [1; 2; 1]), [2; 0]));
assert(isequal(murtal(sparse([1; 0; 1]), char(2), [1; 2; 1]), [2; 0]));

% Empty pattern: L is never read; K = 0 gives a 0-by-1 result.
assert(isequal(murtal(sparse(4, 1), 2, []), [0; 0]));
assert(isequal(size(murtal(sparse(4, 1), 0, [])), [0 1]));

% The specified errors, each alone, in order.
C = sparse([1; 1]);
expect_error(@() murtal(C, 1), '', 'Wrong number of input arguments');
expect_error(@() murtal(C, 1, [1 1], 4), '', 'Wrong number of input arguments');
expect_error(@() call_with_outputs(@murtal, 2, C, 1, [1 1]), '', 'Too many output arguments');
expect_error(@() murtal([1; 1], 1, [1 1]), '', 'C must be sparse');
expect_error(@() murtal(sparse([1 1]), 1, [1 1]), '', 'C must be a sparse column vector');
expect_error(@() murtal(C, 1, [1 2]), '', 'Invalid cluster label value');
expect_error(@() murtal(C, 2, [1 NaN]), '', 'Invalid cluster label value');

% Inputs outside the data model end in an error with an identifier and a
% whole message.
bad_k = {NaN, Inf, -1, 2^31, {}, struct('a', 1), [], sparse([0; 2])};
for i = 1:numel(bad_k)
  if i <= 4
    expect_error(@() murtal(C, bad_k{i}, [1 1]), 'murtal:badClusterCount', ...
                 'input 2 (K) must truncate to a cluster count from 0 to 2147483647');
  else
    expect_error(@() murtal(C, bad_k{i}, [1 1]), 'murtal:notNumericScalar', ['input 2 (K) ' ...
                 'must be a numeric, logical or char value: non-empty, and 1-by-1 if sparse']);
  end
end
bad_l = {sparse([1 1]), single([1 1]), int32([1 1]), true(1, 2), 'ab', {1, 1}};
for i = 1:numel(bad_l)
  expect_error(@() murtal(C, 2, bad_l{i}), 'murtal:notDenseDouble', ...
               'input 3 (L) must be a dense double array');
end
for short_l = {1, [], [9 9]}
  expect_error(@() murtal(sparse([1; 0; 1]), 2, short_l{1}), 'murtal:tooShort', ...
               sprintf('input 3 (L) must hold at least 3 values; it holds %d', numel(short_l{1})));
end

% The module exports nothing but its entry point.
assert_exports_only_entry_point('murtal');
