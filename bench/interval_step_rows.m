function rows = interval_step_rows(row, spread, verdict, repetitions)
%INTERVAL_STEP_ROWS  vaporizer_step against ode15s over one sample interval.
%   ROWS = INTERVAL_STEP_ROWS(ROW, SPREAD, VERDICT, REPETITIONS) times the
%   example plant (examples/) over the first 2 s interval after a 20 % step
%   in the liquid feed from its steady state, at RelTol 1e-8 and AbsTol
%   1e-10: vaporizer_step in one call, and ode15s with the same options on
%   vaporizer as its right-hand side, as a user's loop would call it. Each
%   repetition times a batch of vaporizer_step calls and one ode15s call
%   back to back, in alternating order; the figure is the median of the
%   per-repetition ratios. ROW, SPREAD and VERDICT format the table rows as
%   whole_calls.m does. Needs vaporizer and vaporizer_step on the path.

  if exist('vaporizer_step') ~= 3
    rows = {row('vaporizer_step', 'not built', '', '')};
    return;
  end
  [p, rest] = example_plant_at_rest();
  c = vaporizer_inputs(p, rest.state, rest.vapour, rest.heat, 1.2 * p.feed2_flow);
  options = odeset('RelTol', 1e-8, 'AbsTol', 1e-10);
  interval = 2;

  % Both must compute the same interval, or the comparison is void.
  [stepped, ~, ~, ~, ~, stats] = vaporizer_step(c{:}, interval, options);
  evaluations = 0;
  [~, trajectory] = ode15s(@counted_rhs, [0 interval], rest.state, options);
  solved = trajectory(end, :)';
  agreement = max(abs(stepped - solved) ./ abs(solved));
  assert(agreement < 1e-6, 'vaporizer_step and ode15s disagree by %g relative', agreement);
  ode15s_evaluations = evaluations;

  batch = 50;
  times = zeros(repetitions, 2);
  for rep = 1:repetitions
    for contender = circshift(1:2, [0, rep])
      started = tic();
      if contender == 1
        for i = 1:batch
          s = vaporizer_step(c{:}, interval, options);
        end
        times(rep, 1) = toc(started) / batch;
      else
        [~, trajectory] = ode15s(@(t, x) rhs(x), [0 interval], rest.state, options);
        times(rep, 2) = toc(started);
      end
    end
  end
  [ratio, low, high] = interleaved_summary(times(:, 2), times(:, 1));
  rows = {row(sprintf(['ode15s / vaporizer_step, one 2 s interval after a 20 %% feed step at ' ...
                       'RelTol 1e-8, AbsTol 1e-10 (%.1f ms / %.1f us per interval; right-hand ' ...
                       'sides %d / %d; states agree to %.1e)'], ...
                      1e3 * median(times(:, 2)), 1e6 * median(times(:, 1)), ...
                      ode15s_evaluations, stats.rhs_evaluations, agreement), ...
              spread(ratio, low, high), '>= 50x', verdict(ratio >= 50))};
  printf('%s\n', rows{:});

  function ds = counted_rhs(~, x)
    evaluations = evaluations + 1;
    ds = rhs(x);
  end

  function ds = rhs(x)
    c{1} = x;
    [ds, ~, ~, ~, ~] = vaporizer(c{:});
  end
end
