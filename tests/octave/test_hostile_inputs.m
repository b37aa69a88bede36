% Every module in the real host, given inputs of every class and size it
% does not expect, one position at a time, and wrong numbers of inputs and
% outputs: each call must either return or end in an error raised through
% the host (the module's own identifier, none, or the host's own), and the
% host must survive all of them.

function test_hostile_inputs()
  modules = {
    'murtal', 1, {sparse([0; 1; 1; 0; 1]), 3, [3; 1; 2.9; 0; 1]};
    'Transmit', 2, {0.5, [0.1 0.2 0.3], [0; 0], 1, 2, 3, 2, 0.1, 0, 1};
    'vaporizer', 5, vaporizer_arguments();
    'vaporizer_step', 6, [vaporizer_arguments(), {0.5, struct('RelTol', 1e-6)}];
    'vaporizer_linearize', 4, vaporizer_arguments()};
  values = hostile_values();
  for m = 1:rows(modules)
    [name, nout, valid] = modules{m, :};
    % Built where their libraries are; the others always.
    if exist(name) ~= 3
      assert(m > 3, '%s is not built', name);
      printf('%s: not built here\n', name);
      continue;
    end
    fn = str2func(name);
    % The valid call returns, so each hostile value is what a call fails on.
    outputs = cell(1, nout);
    [outputs{:}] = fn(valid{:});
    calls = 0;
    for position = 1:numel(valid)
      for v = 1:numel(values)
        args = valid;
        args{position} = values{v};
        check_call(fn, name, nout, args, sprintf('input %d, value %d', position, v));
        calls = calls + 1;
      end
    end
    % Wrong counts, made of the valid inputs and of hostile ones.
    for count = [0, numel(valid) - 1, numel(valid) + 1]
      args = [valid, valid](1:count);
      for out = [0, nout - 1, nout + 1]
        check_call(fn, name, max(out, 0), args, sprintf('%d inputs, %d outputs', count, out));
      end
      check_call(fn, name, nout, values(1:min(count, numel(values))), sprintf('%d hostile inputs', count));
      calls = calls + 4;
    end
    printf('%s: %d hostile calls survived\n', name, calls);
  end
end

function check_call(fn, name, nout, args, what)
  outputs = cell(1, nout);
  try
    [outputs{:}] = fn(args{:});
  catch err
    id = err.identifier;
    assert(isempty(id) || strncmp(id, [name ':'], numel(name) + 1) || strncmp(id, 'Octave:', 7), ...
           '%s (%s): error with identifier "%s": %s', name, what, id, err.message);
    assert(!isempty(err.message), '%s (%s): error without a message', name, what);
  end
end

function values = hostile_values()
  values = {[], zeros(0, 3), zeros(3, 0), {}, {1, 2}, struct('a', 1), @sin, 'abc', '', ...
            true, [true; false; true], int8(-5), uint8(200), int16(7), uint16(7), ...
            int32(-2^31), uint32(2^32 - 1), int64(9e18), uint64(2^64), single(3.5), ...
            single(ones(8, 1)), 1 + 2i, [1 + 1i; 2; 3], sparse(3, 1), sparse([1; 0; 1]), ...
            sparse(logical([1; 0; 1])), sparse(2, 2), NaN, Inf, -Inf, -1, 0, 0.5, 1e300, ...
            -1e300, 2^31, -2^31 - 1, ones(1, 100), NaN(7, 7), zeros(2, 2, 2), int32(ones(8, 1))};
end

function args = vaporizer_arguments()
  comp = [0.3; 0.2; 0.1; 0.1; 0.1; 0.1; 0.1];
  args = {[comp(1:6); 1.5; 80], 2, 40, 1, comp, 25, 0.5, comp, 30, 1.5, ones(7), zeros(7), ...
          (46:7:88)', 789 * ones(7, 1), 40 * ones(7, 1), 2.5 * ones(7, 1), zeros(7, 1), ...
          1.5 * ones(7, 1), zeros(7, 1), 16.5 * ones(7, 1), 3800 * ones(7, 1), -45 * ones(7, 1), ...
          8.314, 1000, 273.15};
end
