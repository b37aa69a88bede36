function result = linear_control_design(output_dir)
%LINEAR_CONTROL_DESIGN  An LQR for the example vaporizer from its exact linear model.
%   RESULT = LINEAR_CONTROL_DESIGN(OUTPUT_DIR) takes the cyclohexane
%   vaporizer of CYCLOHEXANE_VAPORIZER_PARAMETERS at its rest point (1 m,
%   100 degC; VAPORIZER_STEADY_STATE) and
%     1. linearizes it there (vaporizer_linearize) and samples the linear
%        model at the loops' 2 s interval: Phi = d x(end)/d x(start) and
%        Gamma = d x(end)/du with u held, from vaporizer_step's sensitivity
%        outputs (compared with the matrix exponential of [A B; 0 0]);
%     2. checks the sampled model against the nonlinear plant over five
%        minutes after a 2 % step of the liquid feed;
%     3. designs a discrete LQR with integral action on the transmitted
%        level and temperature, moving the vapour draw and the heat input
%        (dlqr, from the control package), with a Kalman filter that
%        estimates the plant from the two transmitted values alone, through
%        a model of the transmitters (dead time and lags, as Transmit runs
%        them);
%     4. runs it on the nonlinear plant (vaporizer_step between samples)
%        through the PI loop's own transmitters against the same 20 % feed
%        step, beside the PI loop of LEVEL_CONTROL_LOOP;
%   then prints the peak deviations and settling times of both and writes
%   linear_control_design.png to OUTPUT_DIR (default build/demo). Needs
%   vaporizer, vaporizer_step, vaporizer_linearize and Transmit on the path
%   and Octave's control package (Debian: octave-control).

  if nargin < 1
    output_dir = fullfile('build', 'demo');
  end
  if exist('OCTAVE_VERSION', 'builtin')
    pkg('load', 'control');
  end
  p = cyclohexane_vaporizer_parameters();
  [state0, heat0, vapour0] = vaporizer_steady_state(p, 1.0, 100);
  rest = struct('state', state0, 'vapour', vapour0, 'heat', heat0);

  % The PI loop first: its run fixes the sample interval, the transmitters
  % and the disturbance that the LQR meets too.
  pi_run = level_control_loop(p, rest, struct('integrator', 'vaporizer_step'));
  settings = pi_run.settings;
  h = settings.sample;
  step_options = odeset('RelTol', settings.tolerances(1), 'AbsTol', settings.tolerances(2));

  % --- the linear model and its sampled form ----------------------------------
  c = vaporizer_inputs(p, state0, vapour0, heat0, p.feed2_flow);
  [A, B, C] = vaporizer_linearize(c{:});
  % vaporizer_step's sensitivities of the end state are the sampled model;
  % at a steady state they equal the exponential of the linear model.
  [~, ~, ~, ~, ~, ~, Phi, Gamma] = vaporizer_step(c{:}, h, step_options);
  exponential = expm([A B; zeros(20, 28)] * h);
  expm_difference = max(max(abs([Phi Gamma] - exponential(1:8, :)) ./ ...
                            max(abs(exponential(1:8, :)), [], 2)));
  manipulated = [1 2];          % u(1) vapour draw, u(2) heat input
  feed2 = 12;                   % u(12) liquid feed
  outputs = [1 9];              % y(1) level, y(9) temperature

  % --- the linear model against the plant: a small feed step -----------------
  check_steps = 150;
  small_step = 0.02 * p.feed2_flow;
  nonlinear = zeros(check_steps + 1, 8);
  linear = zeros(check_steps + 1, 8);
  nonlinear(1, :) = state0';
  linear(1, :) = state0';
  stepped = c;
  stepped{7} = p.feed2_flow + small_step;
  dx = zeros(8, 1);
  for k = 1:check_steps
    stepped{1} = nonlinear(k, :)';
    nonlinear(k + 1, :) = vaporizer_step(stepped{:}, h, step_options)';
    dx = Phi * dx + Gamma(:, feed2) * small_step;
    linear(k + 1, :) = (state0 + dx)';
  end
  moved = nonlinear(:, 7:8) - state0(7:8)';
  linear_error = max(abs(linear(:, 7:8) - nonlinear(:, 7:8))) ./ max(abs(moved));

  % --- design ---------------------------------------------------------------
  loops = pi_run.loops;
  transmitters = cellfun(@transmitter_model, loops, 'UniformOutput', false);
  [F1, G1, H1] = transmitters{1}{:};
  [F2, G2, H2] = transmitters{2}{:};
  n1 = size(F1, 1);
  n2 = size(F2, 1);
  % The model the controller knows, in deviations from rest: the plant's
  % state at a sample and the transmitters' states before that sample's
  % call of Transmit; the transmitted values in the plant's units.
  Cy = C(outputs, :);
  Aa = [Phi, zeros(8, n1 + n2)
        G1 * Cy(1, :), F1, zeros(n1, n2)
        G2 * Cy(2, :), zeros(n2, n1), F2];
  Ba = [Gamma(:, manipulated); zeros(n1 + n2, 2)];
  Ca = [H1 * G1 * Cy(1, :), H1 * F1, zeros(1, n2)
        H2 * G2 * Cy(2, :), zeros(1, n1), H2 * F2];
  na = size(Aa, 1);
  % Integral action on the transmitted values: z(k+1) = z(k) + h m(k).
  Az = [Aa, zeros(na, 2); h * Ca, eye(2)];
  Bz = [Ba; zeros(2, 2)];
  % Weights by the size that is acceptable (Bryson): 10 mm and 0.5 K on
  % the transmitted values, their integrals over three minutes, and a
  % twentieth of the design vapour draw and heat input.
  acceptable_y = [0.01 0.5];
  acceptable_u = [vapour0 heat0] / 20;
  Qz = blkdiag(zeros(na - 2), zeros(2), diag(1 ./ (180 * acceptable_y) .^ 2));
  Qz(1:na, 1:na) = Qz(1:na, 1:na) + Ca' * diag(1 ./ acceptable_y .^ 2) * Ca;
  K = dlqr(Az, Bz, Qz, diag(1 ./ acceptable_u .^ 2));
  % Kalman filter (by duality, with dlqr): the feed is the unmeasured
  % disturbance that drives the plant; the transmitted values carry a
  % little noise.
  disturbance = [Gamma(:, feed2); zeros(n1 + n2, 1)];
  process_noise = disturbance * (0.05 * p.feed2_flow) ^ 2 * disturbance' + 1e-12 * eye(na);
  measurement_noise = diag((1e-3 * acceptable_y) .^ 2);
  [~, P] = dlqr(Aa', Ca', process_noise, measurement_noise);
  M = P * Ca' / (Ca * P * Ca' + measurement_noise);

  % --- the LQR on the nonlinear plant ----------------------------------------
  lqr_run = run_lqr(p, rest, settings, loops, struct('Aa', Aa, 'Ba', Ba, 'Ca', Ca, 'K', K, ...
                                                   'M', M), step_options);
  [lqr_run.peak_deviation, lqr_run.peak_time, lqr_run.settling_time] = ...
      loop_response(lqr_run.t, lqr_run.states(:, 7:8), pi_run.setpoints, settings.step_time);

  % --- summary --------------------------------------------------------------
  fprintf('\nLinear control design for the cyclohexane vaporizer at %.2f m, %.1f degC\n', ...
         state0(7), state0(8));
  fprintf('  eigenvalues of A: %s (1/s)\n', strjoin(arrayfun(@(e) sprintf('%.3g', e), ...
         sort(real(eig(A))), 'UniformOutput', false), ', '));
  fprintf(['  sampled model (%g s): vaporizer_step''s sensitivities; largest difference ' ...
           'from expm([A B; 0 0] h) %.1e relative\n'], h, expm_difference);
  fprintf(['  against the plant, %g s after a %g %% feed step: the linear model is off by ' ...
           '%.1e of the level''s and %.1e of the temperature''s change\n'], ...
         check_steps * h, 100 * small_step / p.feed2_flow, linear_error);
  fprintf('  LQR with integral action: %d states (plant 8, transmitters %d, integrals 2)\n', ...
         size(Az, 1), n1 + n2);
  fprintf('20 %% liquid feed step at t = %g s, %g s simulated:\n', settings.step_time, ...
         settings.horizon);
  fprintf('  %-11s %-4s %12s %12s %14s\n', '', '', 'peak', 'at (s)', 'settled (s)');
  names = {'level', 'temperature'};
  units = {'m', 'K'};
  runs = {pi_run, lqr_run};
  labels = {'PI', 'LQR'};
  for i = 1:2
    for r = 1:2
      fprintf('  %-11s %-4s %+10.4f %s %10.0f %14s\n', names{i}, labels{r}, ...
             runs{r}.peak_deviation(i), units{i}, runs{r}.peak_time(i), ...
             settled_text(runs{r}.settling_time(i)));
    end
  end

  % --- figure ---------------------------------------------------------------
  if ~exist(output_dir, 'dir')
    mkdir(output_dir);
  end
  png = fullfile(output_dir, 'linear_control_design.png');
  draw(png, (0:check_steps)' * h / 60, nonlinear, linear, state0, pi_run, lqr_run, ...
       settings.step_time / 60);
  fprintf('Figure: %s\n', png);

  if any(linear_error > 0.05) || any(isnan(lqr_run.settling_time)) || ...
     any(abs(lqr_run.states(end, 7:8) - pi_run.setpoints) > [0.01 0.5])
    error('linear_control_design:failed', ...
          'linear model off by %g, %g; LQR settling times %g s, %g s', linear_error, ...
          lqr_run.settling_time);
  end
  result = struct('A', A, 'B', B, 'C', C, 'Phi', Phi, 'Gamma', Gamma, ...
                  'expm_difference', expm_difference, 'linear_error', linear_error, 'K', K, ...
                  'pi', pi_run, 'lqr', lqr_run, 'figure', png);
end

function model = transmitter_model(loop)
  % Transmit's step as a linear map, in deviations and within the span:
  % state [delay line; lag stages] before a call, the plant's value v at the
  % call, tau' = F tau + G v, and the transmitted value after the call
  % H tau' in the plant's units (see help Transmit).
  L = loop.delay_length;
  n = loop.lag_stages;
  a = loop.sample / loop.lag_time;
  span = loop.span(2) - loop.span(1);
  shift = diag(ones(L - 1, 1), -1);
  entry = [1; zeros(L - 1, 1)] / span;
  % The first stage follows the newest cell L-1 of the advanced line.
  last = [zeros(1, L - 1) 1];
  lags = (1 - a) * eye(n) + a * diag(ones(n - 1, 1), -1);
  F = [shift, zeros(L, n); a * [1; zeros(n - 1, 1)] * last * shift, lags];
  G = [entry; a * [1; zeros(n - 1, 1)] * last * entry];
  H = [zeros(1, L + n - 1), span];
  model = {F, G, H};
end

function run = run_lqr(p, rest, settings, loops, design, options)
  % The loop of LEVEL_CONTROL_LOOP with the LQR in place of the two PI
  % controllers: the same transmitters, limits, feed step and plant.
  h = settings.sample;
  steps = round(settings.horizon / h);
  t = (0:steps)' * h;
  states = zeros(steps + 1, 8);
  measured = zeros(steps + 1, 2);
  moved = zeros(steps + 1, 2);
  u0 = [rest.vapour; rest.heat];
  limits = [loops{1}.limits; loops{2}.limits];
  setpoints = rest.state([7 8]);
  for i = 1:2
    line{i} = loops{i}.delay_line;
    lag{i} = loops{i}.lag_states;
  end
  estimate = zeros(size(design.Aa, 1), 1);    % prior, deviations from rest
  integral = zeros(2, 1);
  c = vaporizer_inputs(p, rest.state, rest.vapour, rest.heat, p.feed2_flow);
  state = rest.state;
  for k = 1:steps + 1
    m = zeros(2, 1);
    for i = 1:2
      l = loops{i};
      [line{i}, lag{i}] = Transmit(state(6 + i), line{i}, lag{i}, l.dead_time, l.lag_time, ...
                                   l.delay_length, l.lag_stages, h, l.span(1), l.span(2));
      m(i) = l.span(1) + lag{i}(l.lag_stages) * (l.span(2) - l.span(1));
    end
    deviation = m - setpoints;
    estimate = estimate + design.M * (deviation - design.Ca * estimate);
    unclipped = u0 - design.K * [estimate; integral];
    u = min(max(unclipped, limits(:, 1)), limits(:, 2));
    % The integrals move only while both outputs are inside their limits.
    if isequal(u, unclipped)
      integral = integral + h * deviation;
    end
    estimate = design.Aa * estimate + design.Ba * (u - u0);
    states(k, :) = state';
    measured(k, :) = m';
    moved(k, :) = u';
    if k > steps
      break;
    end
    c{1} = state;
    c{2} = u(1);
    c{3} = u(2);
    c{7} = p.feed2_flow * (1 + (t(k) >= settings.step_time) * settings.feed_step);
    state = vaporizer_step(c{:}, h, options);
  end
  run = struct('t', t, 'states', states, 'measured', measured, 'manipulated', moved);
end

function text = settled_text(seconds)
  if isnan(seconds)
    text = 'not settled';
  else
    text = sprintf('%.0f', seconds);
  end
end

function draw(png, check_minutes, nonlinear, linear, state0, pi_run, lqr_run, step_minute)
  if exist('OCTAVE_VERSION', 'builtin') && any(strcmp(available_graphics_toolkits(), 'gnuplot'))
    warning('off', 'Octave:gnuplot-graphics');
    graphics_toolkit('gnuplot');
  end
  figure_handle = figure('visible', 'off', 'position', [0 0 1200 1000]);
  minutes = pi_run.t / 60;
  ylabels = {'level change / mm', 'temperature change / K'};
  scale = [1000 1];
  for i = 1:2
    subplot(3, 2, i);
    plot(check_minutes, scale(i) * (nonlinear(:, 6 + i) - state0(6 + i)), 'b-', 'linewidth', 2, ...
         check_minutes, scale(i) * (linear(:, 6 + i) - state0(6 + i)), 'r--', 'linewidth', 1.5);
    ylabel(ylabels{i});
    xlabel('time / min');
    legend('nonlinear plant', 'sampled linear model', 'location', 'northwest');
    title('Open loop, liquid feed +2 % at t = 0');
    grid on;
  end
  quantities = {'liquid level / m', 'temperature / degC'};
  moved = {'vapour draw / (mol/s)', 'heat input / kW'};
  for i = 1:2
    subplot(3, 2, 2 + i);
    plot(minutes, pi_run.states(:, 6 + i), 'b-', 'linewidth', 1.5, ...
         minutes, lqr_run.states(:, 6 + i), 'r-', 'linewidth', 1.5, ...
         minutes([1 end]), pi_run.setpoints([i i]), 'k:');
    ylabel(quantities{i});
    legend('PI', 'LQR', 'setpoint', 'location', 'northeast');
    title('Closed loop, liquid feed +20 % (grey line)');
    mark_step(step_minute);
    subplot(3, 2, 4 + i);
    plot(minutes, pi_run.manipulated(:, i), 'b-', 'linewidth', 1.5, ...
         minutes, lqr_run.manipulated(:, i), 'r-', 'linewidth', 1.5);
    ylabel(moved{i});
    legend('PI', 'LQR', 'location', 'southeast');
    title('Controller output');
    mark_step(step_minute);
  end
  print(figure_handle, png, '-dpng', '-r90');
  close(figure_handle);
end

function mark_step(step_minute)
  grid on;
  xlabel('time / min');
  limits = ylim();
  line([step_minute step_minute], limits, 'color', [0.6 0.6 0.6]);
  ylim(limits);
end
