function result = vaporizer_level_control(output_dir)
%VAPORIZER_LEVEL_CONTROL  Steady state, feed step and level control of a vaporizer.
%   RESULT = VAPORIZER_LEVEL_CONTROL(OUTPUT_DIR) simulates the cyclohexane
%   vaporizer of CYCLOHEXANE_VAPORIZER_PARAMETERS:
%     1. finds the steady state at 1 m and 100 degC by Newton's method on
%        the exact Jacobian (VAPORIZER_STEADY_STATE) and checks it by
%        integrating an hour from it with vaporizer_step;
%     2. steps the liquid feed up by 20 % after five minutes and simulates
%        one hour of sampled level and temperature control
%        (LEVEL_CONTROL_LOOP): transmitters (Transmit) and PI controllers
%        every 2 s, the plant integrated between samples by vaporizer_step;
%     3. runs the same hour again with ode15s between the samples, and
%        compares the wall times and the two trajectories;
%   then prints a summary and writes vaporizer_level_control.png to
%   OUTPUT_DIR (default build/demo). Needs vaporizer, vaporizer_step and
%   Transmit on the path.
%
%   RESULT holds the vaporizer_step run (see LEVEL_CONTROL_LOOP), the
%   steady state, the ode15s run's wall time and the largest relative
%   difference between the two runs' sampled states.

  if nargin < 1
    output_dir = fullfile('build', 'demo');
  end
  p = cyclohexane_vaporizer_parameters();

  % --- steady state ------------------------------------------------------
  [state0, heat_design, vapour_design] = vaporizer_steady_state(p, 1.0, 100);
  rest = struct('state', state0, 'vapour', vapour_design, 'heat', heat_design);
  c = vaporizer_inputs(p, state0, vapour_design, heat_design, p.feed2_flow);
  [d0, ~, y0, ~, p0] = vaporizer(c{:});
  % An hour of integration from the solution must stay put: Newton's method
  % found a rest point, not merely a small residual.
  drift = max(abs(vaporizer_step(c{:}, 3600, odeset('RelTol', 1e-8, 'AbsTol', 1e-10)) - state0));

  % --- the closed loop, twice ----------------------------------------------
  run = level_control_loop(p, rest, struct('integrator', 'vaporizer_step'));
  reference = level_control_loop(p, rest, struct('integrator', 'ode15s'));
  difference = max(max(abs(run.states - reference.states) ./ abs(reference.states)));

  % --- summary -------------------------------------------------------------
  x0 = [state0(1:3); 1 - sum(state0(1:6)); state0(4:6)];
  settings = run.settings;
  fprintf('\nCyclohexane vaporizer: %s\n', strjoin(p.names, ', '));
  fprintf('Steady state (Newton; an hour of vaporizer_step from it moves the state by %.1e):\n', drift);
  fprintf('  level %.3f m, temperature %.1f degC, bubble-point pressure %.1f kPa\n', ...
         state0(7), state0(8), p0);
  fprintf('  vapour draw %.2f mol/s, heat input %.1f kW, largest |derivative| %.1e\n', ...
         vapour_design, heat_design, max(abs(d0)));
  fprintf('  %-12s %8s %8s\n', 'mole frac.', 'liquid', 'vapour');
  for i = 1:7
    fprintf('  %-12s %8.4f %8.4f\n', p.names{i}, x0(i), y0(i));
  end
  fprintf('Disturbance: liquid feed %.1f -> %.1f mol/s at t = %g s; %g s simulated\n', ...
         p.feed2_flow, (1 + settings.feed_step) * p.feed2_flow, settings.step_time, ...
         settings.horizon);
  names = {'level', 'temperature'};
  units = {'m', 'K'};
  gain_units = {'mol/s', 'kW'};
  band = [0.01 0.5];             % as LEVEL_CONTROL_LOOP judges settling
  for i = 1:2
    fprintf('  %s loop: PI gain %.4g %s per %% of span, integral time %.0f s\n', names{i}, ...
           abs(run.loops{i}.gain) / 100, gain_units{i}, run.loops{i}.integral_time);
    fprintf('    peak deviation %+.3f %s, %.0f s after the step; ', run.peak_deviation(i), ...
           units{i}, run.peak_time(i));
    if isnan(run.settling_time(i))
      fprintf('not within +-%g %s by the end\n', band(i), units{i});
    else
      fprintf('settled within +-%g %s after %.0f s\n', band(i), units{i}, run.settling_time(i));
    end
  end
  fprintf('  at the end: level %.3f m, temperature %.2f degC, pressure %.1f kPa, vapour %.2f mol/s, heat %.1f kW\n', ...
         run.states(end, 7), run.states(end, 8), run.pressure(end), run.manipulated(end, 1), ...
         run.manipulated(end, 2));
  intervals = numel(run.t) - 1;
  fprintf('The hour of closed loop (%d sample intervals, RelTol %g, AbsTol %g):\n', intervals, ...
         settings.tolerances(1), settings.tolerances(2));
  fprintf('  with vaporizer_step %.2f s (%.0f us per interval), with ode15s %.2f s: %.1fx faster\n', ...
         run.seconds, 1e6 * run.seconds / intervals, reference.seconds, ...
         reference.seconds / run.seconds);
  fprintf('  largest relative difference between the two runs'' sampled states: %.1e\n', difference);

  % --- figure --------------------------------------------------------------
  if ~exist(output_dir, 'dir')
    mkdir(output_dir);
  end
  png = fullfile(output_dir, 'vaporizer_level_control.png');
  plot_response(png, run.t / 60, run.states, run.measured, run.setpoints, run.manipulated, ...
                run.pressure, run.vapour_comp, p.names, settings.step_time / 60);
  fprintf('Figure: %s\n', png);

  % A run that did not come back to rest, or whose two integrations
  % disagree, is reported as a failure, after the figure is drawn so that
  % it can be looked at.
  if drift > 1e-6 || any(isnan(run.settling_time)) || ...
     any(abs(run.states(end, 7:8) - run.setpoints) > band)
    error('vaporizer_level_control:notSettled', ...
          'the plant did not settle: drift %g, final level %g m, final temperature %g degC', ...
          drift, run.states(end, 7), run.states(end, 8));
  end
  if difference > 1e-5
    error('vaporizer_level_control:runsDisagree', ...
          'vaporizer_step and ode15s disagree by %g relative', difference);
  end

  result = run;
  result.steady_state = state0;
  result.heat_design = heat_design;
  result.drift = drift;
  result.ode15s_seconds = reference.seconds;
  result.difference = difference;
  result.figure = png;
end
