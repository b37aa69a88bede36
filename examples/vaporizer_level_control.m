function result = vaporizer_level_control(output_dir)
%VAPORIZER_LEVEL_CONTROL  Steady state, feed step and level control of a vaporizer.
%   RESULT = VAPORIZER_LEVEL_CONTROL(OUTPUT_DIR) simulates the cyclohexane
%   vaporizer of CYCLOHEXANE_VAPORIZER_PARAMETERS:
%     1. finds the steady state at 100 degC with fsolve (the heat input that
%        holds that temperature comes out with the composition) and checks
%        it by integrating an hour from it;
%     2. steps the liquid feed up by 20 % after five minutes and integrates
%        one hour with ode15s;
%     3. measures the level through Transmit (0 to 2 m span, 6 s dead time,
%        two 5 s lags) every 2 s and lets a PI controller move the vapour
%        draw; a second Transmit (0 to 200 degC, 4 s dead time, one 30 s
%        lag, as a thermowell) feeds a PI controller that moves the steam
%        heat input. Both outputs are held between samples;
%   then prints a summary and writes vaporizer_level_control.png to
%   OUTPUT_DIR (default build/demo). Needs vaporizer and Transmit on the path.
%
%   RESULT holds the sampled trajectories (t in s, states, measured level
%   and temperature, vapour draw, heat input, pressure, vapour composition)
%   and the summary numbers.

  if nargin < 1
    output_dir = fullfile('build', 'demo');
  end
  p = cyclohexane_vaporizer_parameters();

  % Operating point and disturbance.
  level_setpoint = 1.0;          % m
  temperature_setpoint = 100;    % degC
  feed2_design = p.feed2_flow;   % mol/s
  feed2_after_step = 1.2 * feed2_design;
  step_time = 300;               % s
  horizon = 3600;                % s
  sample = 2;                    % s, both transmitters and controllers

  % --- steady state ------------------------------------------------------
  vapour_design = p.feed1_flow + p.feed2_flow;
  guess = [0.5 * (p.feed1_comp + p.feed2_comp); 300];
  guess(4) = [];                 % cyclohexane is the dependent component
  options = optimset('TolFun', 1e-12, 'TolX', 1e-12, 'MaxIter', 400, 'Display', 'off');
  [solution, ~, flag] = fsolve(@(u) steady_residual(u, p, level_setpoint, ...
                               temperature_setpoint, vapour_design), guess, options);
  if flag <= 0
    error('vaporizer_level_control:noSteadyState', 'fsolve found no steady state (flag %d)', flag);
  end
  heat_design = solution(7);
  state0 = [solution(1:6); level_setpoint; temperature_setpoint];
  [d0, ~, y0, ~, p0] = plant(state0, vapour_design, heat_design, feed2_design, p);
  % An hour of integration from the solution must stay put: fsolve found a
  % rest point, not merely a small residual.
  [~, rest] = ode15s(@(t, s) plant(s, vapour_design, heat_design, feed2_design, p), ...
                     [0 3600], state0, odeset('RelTol', 1e-8, 'AbsTol', 1e-10));
  drift = max(abs(rest(end, :)' - state0));

  % --- transmitters and controllers ---------------------------------------
  % Tuned on the integrating part of each response with a chosen closed-loop
  % time: gain = capacity / (closed-loop time + loop delay), integral time
  % four times the denominator.
  x0 = liquid_composition(state0);
  molar_density = 1 / sum(x0 .* p.molar_mass ./ p.density);            % mol/m^3
  holdup = molar_density * p.area * level_setpoint;                     % mol
  heat_capacity = holdup * sum(x0 .* p.molar_mass .* (p.cp_liquid_a + p.cp_liquid_b * temperature_setpoint));  % kJ/K

  level = control_loop(sample, [0 2], 6, 5, 2, level_setpoint, vapour_design, ...
                       [0 2 * vapour_design], molar_density * p.area, 180);
  temperature = control_loop(sample, [0 200], 4, 30, 1, temperature_setpoint, heat_design, ...
                             [0 2 * heat_design], heat_capacity, 120);
  % A rising level needs more vapour (direct action); a rising temperature
  % needs less heat (reverse action).
  temperature.gain = -temperature.gain;

  % --- closed loop -------------------------------------------------------
  steps = round(horizon / sample);
  t = (0:steps)' * sample;
  states = zeros(steps + 1, 8);
  vapour_comp = zeros(steps + 1, 7);
  pressure = zeros(steps + 1, 1);
  measured = zeros(steps + 1, 2);
  manipulated = zeros(steps + 1, 2);
  state = state0;
  ode_options = odeset('RelTol', 1e-7, 'AbsTol', 1e-9);
  for k = 1:steps + 1
    feed2 = feed2_design + (t(k) >= step_time) * (feed2_after_step - feed2_design);
    [level, vapour, measured(k, 1)] = sample_loop(level, state(7));
    [temperature, heat, measured(k, 2)] = sample_loop(temperature, state(8));
    [~, ~, y, ~, pk] = plant(state, vapour, heat, feed2, p);
    states(k, :) = state';
    vapour_comp(k, :) = y';
    pressure(k) = pk;
    manipulated(k, :) = [vapour heat];
    if k <= steps               % outputs and feed held over the interval
      [~, trajectory] = ode15s(@(tt, s) plant(s, vapour, heat, feed2, p), ...
                               [t(k) t(k + 1)], state, ode_options);
      state = trajectory(end, :)';
    end
  end

  % --- summary -------------------------------------------------------------
  after = t >= step_time;
  band = [0.01 0.5];             % settled: level within 10 mm, temperature within 0.5 K
  setpoints = [level_setpoint temperature_setpoint];
  deviation = states(:, 7:8) - setpoints;
  peak = zeros(1, 2);
  peak_time = zeros(1, 2);
  settling = zeros(1, 2);
  for i = 1:2
    [~, at] = max(abs(deviation(:, i)) .* after);
    peak(i) = deviation(at, i);
    peak_time(i) = t(at) - step_time;
    outside = find(abs(deviation(:, i)) > band(i) & after, 1, 'last');
    if isempty(outside)
      settling(i) = 0;
    elseif outside == numel(t)
      settling(i) = NaN;         % still outside the band at the end
    else
      settling(i) = t(outside + 1) - step_time;
    end
  end

  fprintf('\nCyclohexane vaporizer: %s\n', strjoin(p.names, ', '));
  fprintf('Steady state (fsolve; an hour of ode15s from it moves the state by %.1e):\n', drift);
  fprintf('  level %.3f m, temperature %.1f degC, bubble-point pressure %.1f kPa\n', ...
         level_setpoint, temperature_setpoint, p0);
  fprintf('  vapour draw %.2f mol/s, heat input %.1f kW, largest |derivative| %.1e\n', ...
         vapour_design, heat_design, max(abs(d0)));
  fprintf('  %-12s %8s %8s\n', 'mole frac.', 'liquid', 'vapour');
  for i = 1:7
    fprintf('  %-12s %8.4f %8.4f\n', p.names{i}, x0(i), y0(i));
  end
  fprintf('Disturbance: liquid feed %.1f -> %.1f mol/s at t = %g s; %g s simulated\n', ...
         feed2_design, feed2_after_step, step_time, horizon);
  names = {'level', 'temperature'};
  units = {'m', 'K'};
  gain_units = {'mol/s', 'kW'};
  loops = {level, temperature};
  for i = 1:2
    fprintf('  %s loop: PI gain %.4g %s per %% of span, integral time %.0f s\n', names{i}, ...
           loops{i}.gain / 100, gain_units{i}, loops{i}.integral_time);
    fprintf('    peak deviation %+.3f %s, %.0f s after the step; ', peak(i), units{i}, peak_time(i));
    if isnan(settling(i))
      fprintf('not within +-%g %s by the end\n', band(i), units{i});
    else
      fprintf('settled within +-%g %s after %.0f s\n', band(i), units{i}, settling(i));
    end
  end
  fprintf('  at the end: level %.3f m, temperature %.2f degC, pressure %.1f kPa, vapour %.2f mol/s, heat %.1f kW\n', ...
         states(end, 7), states(end, 8), pressure(end), manipulated(end, 1), manipulated(end, 2));

  % --- figure --------------------------------------------------------------
  if ~exist(output_dir, 'dir')
    mkdir(output_dir);
  end
  png = fullfile(output_dir, 'vaporizer_level_control.png');
  plot_response(png, t / 60, states, measured, setpoints, manipulated, pressure, ...
                vapour_comp, p.names, step_time / 60);
  fprintf('Figure: %s\n', png);

  % A run that did not come back to rest is reported as a failure, after the
  % figure is drawn so that it can be looked at.
  if drift > 1e-6 || any(isnan(settling)) || any(abs(states(end, 7:8) - setpoints) > band)
    error('vaporizer_level_control:notSettled', ...
          'the plant did not settle: drift %g, final level %g m, final temperature %g degC', ...
          drift, states(end, 7), states(end, 8));
  end

  result = struct('t', t, 'states', states, 'measured', measured, ...
                  'manipulated', manipulated, 'pressure', pressure, ...
                  'vapour_comp', vapour_comp, 'heat_design', heat_design, ...
                  'steady_state', state0, 'drift', drift, 'peak_deviation', peak, ...
                  'settling_time', settling, 'figure', png);
end

function loop = control_loop(sample, span, dead_time, lag_time, lag_stages, setpoint, ...
                             bias, limits, capacity, closed_loop_time)
  % A transmitter (Transmit's state and settings) and a PI controller on its
  % output fraction. The delay line has dead time / sample + 1 cells, since
  % its last cell trails the input by length - 1 calls. Capacity is the
  % quantity stored per unit of the measured variable (mol/m, kJ/K), so
  % capacity times the span is what one unit of fraction holds.
  loop.sample = sample;
  loop.span = span;
  loop.dead_time = dead_time;
  loop.lag_time = lag_time;
  loop.lag_stages = lag_stages;
  loop.delay_length = round(dead_time / sample) + 1;
  fraction = (setpoint - span(1)) / (span(2) - span(1));
  loop.setpoint = fraction;
  loop.delay_line = fraction * ones(loop.delay_length, 1);
  loop.lag_states = fraction * ones(lag_stages, 1);
  loop.bias = bias;
  loop.limits = limits;
  delay = dead_time + lag_stages * lag_time + sample / 2;
  loop.gain = capacity * (span(2) - span(1)) / (closed_loop_time + delay);
  loop.integral_time = 4 * (closed_loop_time + delay);
  loop.integral = 0;
end

function [loop, output, measured] = sample_loop(loop, value)
  % One sample: the transmitter takes the plant value, the PI controller
  % answers. The integral only moves while the output is inside its limits.
  [loop.delay_line, loop.lag_states] = Transmit(value, loop.delay_line, loop.lag_states, ...
      loop.dead_time, loop.lag_time, loop.delay_length, loop.lag_stages, loop.sample, ...
      loop.span(1), loop.span(2));
  fraction = loop.lag_states(loop.lag_stages);
  measured = loop.span(1) + fraction * (loop.span(2) - loop.span(1));
  error_now = fraction - loop.setpoint;
  integral = loop.integral + error_now * loop.sample;
  unclipped = loop.bias + loop.gain * (error_now + integral / loop.integral_time);
  output = min(max(unclipped, loop.limits(1)), loop.limits(2));
  if output == unclipped
    loop.integral = integral;
  end
end

function x = liquid_composition(state)
  % The seven liquid mole fractions from the state; the fourth is dependent.
  x = [state(1:3); 1 - sum(state(1:6)); state(4:6)];
end

function [derivatives, level, vapour_comp, temperature, pressure] = plant(state, vapour, heat, feed2, p)
  [derivatives, level, vapour_comp, temperature, pressure] = vaporizer(state, vapour, heat, ...
      p.feed1_flow, p.feed1_comp, p.feed1_temp, feed2, p.feed2_comp, p.feed2_temp, p.area, ...
      p.wilson_volume, p.wilson_energy, p.molar_mass, p.density, p.enthalpy_offset, ...
      p.cp_liquid_a, p.cp_liquid_b, p.cp_vapour_a, p.cp_vapour_b, ...
      p.antoine_a, p.antoine_b, p.antoine_c, p.gas_constant, p.density_factor, ...
      p.temperature_offset);
end

function r = steady_residual(u, p, level, temperature, vapour)
  % Unknowns: the six state mole fractions and the heat input; the
  % derivatives are scaled by the residence time so that all seven
  % residuals are of order one.
  state = [u(1:6); level; temperature];
  derivatives = plant(state, vapour, u(7), p.feed2_flow, p);
  molar_density = 1 / sum(liquid_composition(state) .* p.molar_mass ./ p.density);
  residence = molar_density * level * p.area / vapour;
  r = derivatives([1:6 8]) * residence;
end
