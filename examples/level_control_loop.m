function run = level_control_loop(p, rest, settings)
%LEVEL_CONTROL_LOOP  The example vaporizer under sampled level and temperature control.
%   RUN = LEVEL_CONTROL_LOOP(P, REST, SETTINGS) simulates the vaporizer of
%   the property set P from its rest point REST (fields state, vapour,
%   heat, as VAPORIZER_STEADY_STATE returns them) through a step in the
%   liquid feed:
%     - a level transmitter (Transmit: 0 to 2 m span, 6 s dead time, two 5 s
%       lags) feeds a PI controller that moves the vapour draw;
%     - a temperature transmitter (0 to 200 degC, 4 s dead time, one 30 s
%       lag, a thermowell) feeds a PI controller that moves the heat input;
%     - both sample every SETTINGS.sample s and hold their outputs, and the
%       plant moves on between samples with its inputs held.
%   SETTINGS (every field optional):
%     integrator   'vaporizer_step' (default): one call per sample interval;
%                  'ode15s': the host's solver over each interval
%     jacobian     with 'ode15s': true to hand it A from vaporizer_linearize
%                  (default false: its own difference quotients)
%     tolerances   [RelTol AbsTol] of the integration (default [1e-7 1e-9])
%     feed_step    relative step of the liquid feed (default 0.2)
%     gain_factor  factors on the tuned [level temperature] controller gains
%                  (default [1 1])
%     step_time, horizon, sample   in s (defaults 300, 3600, 2)
%   RUN holds the sampled trajectories (t, states, measured level and
%   temperature, manipulated vapour draw and heat, pressure, vapour_comp),
%   the loops' tuning, the response (peak deviation, its time after the
%   step, settling time; NaN when not settled by the end) and seconds, the
%   wall time of the loop alone. Needs vaporizer, Transmit and, for the
%   default integrator, vaporizer_step on the path.

  defaults = struct('integrator', 'vaporizer_step', 'jacobian', false, 'tolerances', [1e-7 1e-9], ...
                    'feed_step', 0.2, 'gain_factor', [1 1], 'step_time', 300, ...
                    'horizon', 3600, 'sample', 2);
  if nargin < 3
    settings = struct();
  end
  for name = fieldnames(defaults)'
    if ~isfield(settings, name{1})
      settings.(name{1}) = defaults.(name{1});
    end
  end
  sample = settings.sample;
  level_setpoint = rest.state(7);
  temperature_setpoint = rest.state(8);
  feed2_after_step = (1 + settings.feed_step) * p.feed2_flow;

  % Tuned on the integrating part of each response with a chosen closed-loop
  % time: gain = capacity / (closed-loop time + loop delay), integral time
  % four times the denominator.
  x = [rest.state(1:3); 1 - sum(rest.state(1:6)); rest.state(4:6)];
  molar_density = 1 / sum(x .* p.molar_mass ./ p.density);              % mol/m^3
  holdup = molar_density * p.area * level_setpoint;                      % mol
  heat_capacity = holdup * sum(x .* p.molar_mass .* ...
                               (p.cp_liquid_a + p.cp_liquid_b * temperature_setpoint));  % kJ/K
  level = control_loop(sample, [0 2], 6, 5, 2, level_setpoint, rest.vapour, ...
                       [0 2 * rest.vapour], molar_density * p.area, 180);
  temperature = control_loop(sample, [0 200], 4, 30, 1, temperature_setpoint, rest.heat, ...
                             [0 2 * rest.heat], heat_capacity, 120);
  level.gain = settings.gain_factor(1) * level.gain;
  % A rising level needs more vapour (direct action); a rising temperature
  % needs less heat (reverse action).
  temperature.gain = -settings.gain_factor(2) * temperature.gain;

  steps = round(settings.horizon / sample);
  t = (0:steps)' * sample;
  states = zeros(steps + 1, 8);
  vapour_comp = zeros(steps + 1, 7);
  pressure = zeros(steps + 1, 1);
  measured = zeros(steps + 1, 2);
  manipulated = zeros(steps + 1, 2);
  ode_options = odeset('RelTol', settings.tolerances(1), 'AbsTol', settings.tolerances(2));
  stepping = strcmp(settings.integrator, 'vaporizer_step');
  c = vaporizer_inputs(p, rest.state, rest.vapour, rest.heat, p.feed2_flow);
  [~, ~, y, ~, pk] = vaporizer(c{:});

  started = tic();
  state = rest.state;
  for k = 1:steps + 1
    [level, vapour, measured(k, 1)] = sample_loop(level, state(7));
    [temperature, heat, measured(k, 2)] = sample_loop(temperature, state(8));
    states(k, :) = state';
    vapour_comp(k, :) = y';
    pressure(k) = pk;
    manipulated(k, :) = [vapour heat];
    if k > steps
      break;
    end
    % The controllers' outputs and the feed are held over the interval.
    c{1} = state;
    c{2} = vapour;
    c{3} = heat;
    c{7} = p.feed2_flow + (t(k) >= settings.step_time) * (feed2_after_step - p.feed2_flow);
    if stepping
      [state, ~, y, ~, pk] = vaporizer_step(c{:}, sample, ode_options);
    else
      if settings.jacobian
        ode_options = odeset(ode_options, 'Jacobian', @(tt, s) jacobian(s, c));
      end
      [~, trajectory] = ode15s(@(tt, s) derivatives(s, c), [t(k) t(k + 1)], state, ode_options);
      state = trajectory(end, :)';
      c{1} = state;
      [~, ~, y, ~, pk] = vaporizer(c{:});
    end
  end
  seconds = toc(started);

  [peak, peak_time, settling] = loop_response(t, states(:, 7:8), ...
                                              [level_setpoint temperature_setpoint], ...
                                              settings.step_time);
  run = struct('t', t, 'states', states, 'measured', measured, 'manipulated', manipulated, ...
               'pressure', pressure, 'vapour_comp', vapour_comp, ...
               'setpoints', [level_setpoint temperature_setpoint], ...
               'loops', {{level, temperature}}, 'peak_deviation', peak, ...
               'peak_time', peak_time, 'settling_time', settling, 'seconds', seconds, ...
               'settings', settings);
end

function ds = derivatives(state, c)
  c{1} = state;
  [ds, ~, ~, ~, ~] = vaporizer(c{:});
end

function A = jacobian(state, c)
  c{1} = state;
  A = vaporizer_linearize(c{:});
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
