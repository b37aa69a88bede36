function rows = linearize_rows(row, spread, verdict, repetitions)
%LINEARIZE_ROWS  vaporizer_linearize as a whole call, and as ode15s's Jacobian.
%   ROWS = LINEARIZE_ROWS(ROW, SPREAD, VERDICT, REPETITIONS) times, at the
%   example plant's rest point (examples/):
%     - vaporizer_linearize with all four outputs, and with A alone, against
%       vaporizer, batches back to back in alternating order; the figures
%       are medians of the per-repetition ratios;
%     - the demo's hour of closed loop (LEVEL_CONTROL_LOOP: PI controllers
%       and transmitters every 2 s, the 20 % feed step) with ode15s between
%       the samples, once building its Jacobian from difference quotients and
%       once taking A from vaporizer_linearize; one run each, wall times.
%   ROW, SPREAD and VERDICT format the table rows as whole_calls.m does.

  if exist('vaporizer_linearize') ~= 3
    rows = {row('vaporizer_linearize', 'not built', '', '')};
    return;
  end
  [p, rest] = example_plant_at_rest();
  c = vaporizer_inputs(p, rest.state, rest.vapour, rest.heat, p.feed2_flow);

  batch = 200;
  times = zeros(repetitions, 3);
  for rep = 1:repetitions
    for contender = circshift(1:3, [0, rep])
      started = tic();
      switch contender
        case 1
          for i = 1:batch
            [d, l, y, T, P] = vaporizer(c{:});
          end
        case 2
          for i = 1:batch
            [A, B, C, D] = vaporizer_linearize(c{:});
          end
        case 3
          for i = 1:batch
            A = vaporizer_linearize(c{:});
          end
      end
      times(rep, contender) = toc(started) / batch;
    end
  end
  per_call = @(seconds) sprintf('%.2f us', 1e6 * seconds);
  [r, lo, hi] = interleaved_summary(times(:, 2), times(:, 1));
  rows = {row(sprintf('[A, B, C, D] = vaporizer_linearize / vaporizer (%s / %s per call)', ...
                      per_call(median(times(:, 2))), per_call(median(times(:, 1)))), ...
              spread(r, lo, hi), '<= 3x', verdict(r <= 3))};
  [r, lo, hi] = interleaved_summary(times(:, 3), times(:, 1));
  rows{end + 1} = row(sprintf('A = vaporizer_linearize / vaporizer (%s per call)', ...
                              per_call(median(times(:, 3)))), spread(r, lo, hi), '', '');
  printf('%s\n', rows{:});

  % The demo's hour under ode15s, with ode15s's own Jacobian and with A from
  % vaporizer_linearize; its vaporizer_step run is the reference both must
  % meet, as the demo's ode15s run must.
  reference = level_control_loop(p, rest, struct());
  seconds = zeros(1, 2);
  difference = zeros(1, 2);
  for with_jacobian = [false true]
    run = level_control_loop(p, rest, struct('integrator', 'ode15s', 'jacobian', with_jacobian));
    seconds(1 + with_jacobian) = run.seconds;
    difference(1 + with_jacobian) = ...
        max(max(abs(run.states - reference.states) ./ abs(reference.states)));
  end
  assert(all(difference < 1e-5), ['the hour under ode15s strays from vaporizer_step''s: ' ...
                                   '%g, %g relative'], difference);
  rows{end + 1} = row(sprintf(['demo''s hour of closed loop under ode15s: difference-quotient ' ...
                               'Jacobian / A from vaporizer_linearize (%.1f s / %.1f s; ' ...
                               'states within %.0e, %.0e of vaporizer_step''s)'], ...
                              seconds, difference), sprintf('%.2fx', seconds(1) / seconds(2)), ...
                      '', '');
  printf('%s\n', rows{end});
end
