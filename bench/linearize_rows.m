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
  addpath(fullfile(fileparts(mfilename('fullpath')), '..', 'examples'));
  p = cyclohexane_vaporizer_parameters();
  [state0, heat, vapour] = vaporizer_steady_state(p, 1.0, 100);
  rest = struct('state', state0, 'vapour', vapour, 'heat', heat);
  c = vaporizer_inputs(p, state0, vapour, heat, p.feed2_flow);

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

  % The demo's hour under ode15s. The PI loops' tuning and transmitters come
  % from LEVEL_CONTROL_LOOP itself (a run of no length); its vaporizer_step
  % run is the reference both runs here must meet, as the demo's ode15s run
  % must.
  reference = level_control_loop(p, rest, struct());
  settings = reference.settings;
  tuned = level_control_loop(p, rest, struct('horizon', 0));
  seconds = zeros(1, 2);
  difference = zeros(1, 2);
  for with_jacobian = [false true]
    [states, seconds(1 + with_jacobian)] = ode15s_hour(p, rest, settings, tuned.loops, ...
                                                       with_jacobian);
    difference(1 + with_jacobian) = ...
        max(max(abs(states - reference.states) ./ abs(reference.states)));
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

function [states, seconds] = ode15s_hour(p, rest, settings, loops, with_jacobian)
  % LEVEL_CONTROL_LOOP's hour with its integrator 'ode15s': the same
  % samples, transmitters, PI law and feed step, with or without A.
  h = settings.sample;
  steps = round(settings.horizon / h);
  options = odeset('RelTol', settings.tolerances(1), 'AbsTol', settings.tolerances(2));
  c = vaporizer_inputs(p, rest.state, rest.vapour, rest.heat, p.feed2_flow);
  states = zeros(steps + 1, 8);
  state = rest.state;
  started = tic();
  for k = 1:steps + 1
    [loops{1}, vapour] = pi_sample(loops{1}, state(7));
    [loops{2}, heat] = pi_sample(loops{2}, state(8));
    states(k, :) = state';
    if k > steps
      break;
    end
    c{1} = state;
    c{2} = vapour;
    c{3} = heat;
    c{7} = p.feed2_flow * (1 + ((k - 1) * h >= settings.step_time) * settings.feed_step);
    if with_jacobian
      options = odeset(options, 'Jacobian', @(t, s) jacobian(s, c));
    end
    [~, trajectory] = ode15s(@(t, s) derivatives(s, c), [(k - 1) * h, k * h], state, options);
    state = trajectory(end, :)';
  end
  seconds = toc(started);
end

function ds = derivatives(state, c)
  c{1} = state;
  [ds, ~, ~, ~, ~] = vaporizer(c{:});
end

function A = jacobian(state, c)
  c{1} = state;
  A = vaporizer_linearize(c{:});
end

function [loop, output] = pi_sample(loop, value)
  % LEVEL_CONTROL_LOOP's sample: Transmit, then the PI law on its output
  % fraction, the integral held while the output is clipped.
  [loop.delay_line, loop.lag_states] = Transmit(value, loop.delay_line, loop.lag_states, ...
      loop.dead_time, loop.lag_time, loop.delay_length, loop.lag_stages, loop.sample, ...
      loop.span(1), loop.span(2));
  error_now = loop.lag_states(loop.lag_stages) - loop.setpoint;
  integral = loop.integral + error_now * loop.sample;
  unclipped = loop.bias + loop.gain * (error_now + integral / loop.integral_time);
  output = min(max(unclipped, loop.limits(1)), loop.limits(2));
  if output == unclipped
    loop.integral = integral;
  end
end
