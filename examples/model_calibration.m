function result = model_calibration(output_dir)
%MODEL_CALIBRATION  Fit the vaporizer's physical properties to an hour of plant data.
%   RESULT = MODEL_CALIBRATION(OUTPUT_DIR) calibrates the cyclohexane
%   vaporizer of CYCLOHEXANE_VAPORIZER_PARAMETERS against plant data with
%   the model's exact parameter sensitivities:
%     1. the plant data: an hour of LEVEL_CONTROL_LOOP (the 20 % feed step
%        of VAPORIZER_LEVEL_CONTROL, sampled every 2 s) run with the property
%        set as it stands, the "true" one; recorded are the transmitted
%        level and temperature at every sample and the vapour composition
%        from an analyser once a minute, each with seeded Gaussian noise of
%        a stated size, and the controllers' outputs, exactly;
%     2. three unknowns: the Wilson energy between an aromatic and a
%        saturated component (seen in the vapour composition), a factor on
%        the liquid heat capacities' constant coefficients, cp_liquid_a (the
%        temperature), and the density factor, the liquid's molar density
%        over the ideal mixture's (the level); the sensitivity matrix's
%        rank, singular values and condition number at the start say that
%        these data tell them apart, and they are printed beside those of
%        the set with a factor on the heats of vaporisation (the enthalpy
%        offsets) as a fourth, which the energy balance cannot tell from
%        the heat capacity;
%     3. the model's predictions: the recorded controller outputs and feed
%        replayed open loop through the model from the plant's known rest
%        state (CALIBRATION_REPLAY), the transmitters included;
%     4. a Levenberg-Marquardt fit from a perturbed start (nonlin_residmin,
%        Octave's optim package; Debian: octave-optim), once with the exact
%        Jacobian of the predictions (vaporizer_step's sensitivities
%        chained over the hour) and once with the solver's own finite
%        differences of whole replays;
%   then prints true, start and fitted values with 95 % confidence
%   intervals from the final Jacobian, and both fits' wall times and
%   iteration counts, and writes model_calibration.png (data, start and
%   fitted model) to OUTPUT_DIR (default build/demo). A true value outside
%   its interval, or a fit that did not converge, is an error.
%   Needs vaporizer, vaporizer_step, vaporizer_linearize and Transmit on
%   the path.

  if nargin < 1
    output_dir = fullfile('build', 'demo');
  end
  if exist('OCTAVE_VERSION', 'builtin')
    % optim loads statistics, whose own mean, std, ... shadow the core's
    % and say so on loading; nothing here calls them.
    shadowing = warning('off', 'Octave:shadowed-function');
    pkg('load', 'optim');
    warning(shadowing);
  end
  p = cyclohexane_vaporizer_parameters();
  [state0, heat0, vapour0] = vaporizer_steady_state(p, 1.0, 100);
  rest = struct('state', state0, 'vapour', vapour0, 'heat', heat0);

  % --- the plant data ---------------------------------------------------------
  run = level_control_loop(p, rest);
  settings = run.settings;
  samples = numel(run.t);
  analysed = (1:30:samples)';              % the analyser: one result a minute
  feed2 = p.feed2_flow * (1 + settings.feed_step * (run.t >= settings.step_time));
  % The controllers' outputs are known exactly, sample by sample, and each
  % was held over the interval after its sample; so is the feed.
  record = struct('t', run.t, 'sample', settings.sample, 'state', state0, ...
                  'inputs', [run.manipulated(1:end - 1, :), feed2(1:end - 1)], ...
                  'analysed', analysed, 'loops', {run.loops}, ...
                  'options', odeset('RelTol', settings.tolerances(1), ...
                                    'AbsTol', settings.tolerances(2)));
  noise = struct('level', 0.002, 'temperature', 0.05, 'composition', 2e-4);   % m, K, mol/mol
  sigma = [noise.level * ones(samples, 1); noise.temperature * ones(samples, 1); ...
           noise.composition * ones(7 * numel(analysed), 1)];
  % What the instruments showed: the transmitters' outputs, not the plant's
  % level and temperature themselves, so the model's predictions go through
  % the same transmitters (whose derivative is their own delay and lags,
  % Transmit being affine inside its span), and the analyser's composition.
  truth = [run.measured(:, 1); run.measured(:, 2); ...
           reshape(run.vapour_comp(analysed, :)', [], 1)];
  randn('state', 1);
  data = truth + sigma .* randn(size(truth));

  % --- the unknowns -------------------------------------------------------------
  % Each sets some elements of one property to THETA times a pattern: the
  % Wilson energy in J/mol on the 20 aromatic/saturated pairs, the two
  % factors on the nominal values.
  aromatic = logical([0 0 1 0 0 1 0]);
  pairs = find(aromatic(:) ~= aromatic(:)');
  unknowns = struct('name', {'Wilson energy, aromatic/saturated (J/mol)', ...
                             'factor on liquid cp, constant term', ...
                             'density factor'}, ...
                    'field', {'wilson_energy', 'cp_liquid_a', 'density_factor'}, ...
                    'elements', {pairs, (1:7)', 1}, ...
                    'pattern', {ones(numel(pairs), 1), p.cp_liquid_a, 1});
  true_theta = [600; 1; p.density_factor];
  start = [800; 0.9; 0.95];
  % A fourth candidate, for the identifiability check only: a factor on the
  % heats of vaporisation. The temperature answers to the energy balance,
  % in which it and the heat capacity act much alike.
  vaporisation = struct('name', 'factor on enthalpy offsets', 'field', 'enthalpy_offset', ...
                        'elements', (1:7)', 'pattern', p.enthalpy_offset);

  % --- identifiability at the start -------------------------------------------------
  % The weighted sensitivity matrix, each column per unit relative change of
  % its unknown: its singular values say how well the data fix each
  % direction in the unknowns (a noise-sized residual change per 1 / sigma).
  [~, J4] = calibration_replay(p, [start; 1], [unknowns, vaporisation], record);
  relative = (J4 ./ sigma) .* [start; 1]';
  singular3 = svd(relative(:, 1:3));
  singular4 = svd(relative);
  rank3 = rank(relative(:, 1:3));
  covariance4 = inv(relative' * relative);
  heat_correlation = covariance4(2, 4) / sqrt(covariance4(2, 2) * covariance4(4, 4));

  % --- the two fits --------------------------------------------------------------
  residual = @(theta, varargin) weighted_residual(p, theta, unknowns, record, data, sigma);
  exact = @(theta, varargin) exact_jacobian(p, theta, unknowns, record, sigma);
  % Both stop when an iteration lowers the sum of squares by less than a
  % millionth of it: the fitted values then move by far less than their
  % intervals.
  options = optimset('TolFun', 1e-6, 'MaxIter', 30);
  count_replays('reset');
  started = tic();
  [fitted, final_residual, converged, outcome] = ...
      nonlin_residmin(residual, start, optimset(options, 'dfdp', exact));
  exact_seconds = toc(started);
  exact_replays = count_replays('reset');
  started = tic();
  [fitted_fd, ~, converged_fd, outcome_fd] = nonlin_residmin(residual, start, options);
  fd_seconds = toc(started);
  fd_replays = count_replays('reset');

  % --- confidence intervals from the final Jacobian -----------------------------------
  % Linearized about the fit: cov = s^2 (J'J)^-1 with the noise's variance
  % estimated from the residuals (s^2 near 1 when the stated noise is
  % right); with thousands of data the t quantile is the normal one.
  J = exact(fitted);
  m = numel(final_residual);
  s2 = sum(final_residual .^ 2) / (m - numel(fitted));
  covariance = s2 * inv(J' * J);
  half_width = sqrt(2) * erfinv(0.95) * sqrt(diag(covariance));
  inside = abs(fitted - true_theta) <= half_width;
  correlation = covariance ./ sqrt(diag(covariance) * diag(covariance)');
  % What the finite-difference fit worked with instead: central differences
  % of replays, with the solver's relative step of a thousandth, against
  % the exact columns at the fit.
  difference_quotients = zeros(size(J));
  for i = 1:numel(fitted)
    step = zeros(size(fitted));
    step(i) = 1e-3 * abs(fitted(i));
    difference_quotients(:, i) = (residual(fitted + step) - residual(fitted - step)) / (2 * step(i));
  end
  quotient_error = sqrt(sum((difference_quotients - J) .^ 2)) ./ sqrt(sum(J .^ 2));

  % --- summary -------------------------------------------------------------------
  fprintf('\nCalibration of the vaporizer model against an hour of closed loop\n');
  fprintf(['  data: %d samples of transmitted level (noise %g m) and temperature (%g K), ' ...
           '%d vapour analyses (%g mol/mol), seeded\n'], samples, noise.level, ...
          noise.temperature, numel(analysed), noise.composition);
  fprintf('  model: the recorded controller outputs and feed replayed open loop from the known rest state\n');
  fprintf('  identifiability at the start (singular values of the weighted sensitivities per relative change):\n');
  fprintf('    the three unknowns: rank %d, %s, condition number %.3g\n', rank3, ...
          mat2str(singular3', 3), singular3(1) / singular3(end));
  fprintf(['    with a factor on the heats of vaporisation as a fourth: %s, condition ' ...
           'number %.3g,\n      its estimate correlated %.5f with the heat capacity''s: left out\n'], ...
          mat2str(singular4', 3), singular4(1) / singular4(end), heat_correlation);
  fprintf('  %-42s %6s %6s %10s %24s\n', 'unknown', 'true', 'start', 'fitted', '95 % interval');
  for i = 1:numel(unknowns)
    fprintf('  %-42s %6.4g %6.4g %10.6g  [%10.6g, %10.6g]%s\n', unknowns(i).name, ...
            true_theta(i), start(i), fitted(i), fitted(i) - half_width(i), ...
            fitted(i) + half_width(i), repmat(' true outside', 1, ~inside(i)));
  end
  fprintf(['  residual variance over the stated noise''s %.3f; largest correlation between ' ...
           'two estimates %.2f\n'], s2, max(abs(correlation(tril(true(3), -1)))));
  fprintf('  %-34s %8s %11s %8s %5s\n', 'Levenberg-Marquardt', 'seconds', 'iterations', ...
          'replays', 'exit');
  fprintf('  %-34s %8.2f %11d %8s %5d\n', 'exact sensitivities', exact_seconds, outcome.niter, ...
          sprintf('%d+%d', exact_replays), converged);
  fprintf('  %-34s %8.2f %11d %8d %5d\n', 'finite differences of replays', fd_seconds, ...
          outcome_fd.niter, fd_replays(1), converged_fd);
  fprintf(['  (replays: plain + with sensitivities; exit 3: an iteration lowered the sum of ' ...
           'squares by less than a millionth)\n']);
  fprintf(['  central differences at the fit differ from the exact columns by %s of their ' ...
           'norms\n'], strjoin(arrayfun(@(e) sprintf('%.1e', e), quotient_error, ...
                                        'UniformOutput', false), ', '));
  fprintf('  the two fits differ by at most %.2g of an interval''s half width\n', ...
          max(abs(fitted - fitted_fd) ./ half_width));

  % --- figure --------------------------------------------------------------------
  if ~exist(output_dir, 'dir')
    mkdir(output_dir);
  end
  png = fullfile(output_dir, 'model_calibration.png');
  draw(png, run.t / 60, analysed, data, calibration_replay(p, start, unknowns, record), ...
       calibration_replay(p, fitted, unknowns, record), p.names, settings.step_time / 60);
  fprintf('Figure: %s\n', png);

  if converged <= 0 || converged_fd <= 0
    error('model_calibration:notConverged', 'a fit did not converge (exact %d, finite differences %d)', ...
          converged, converged_fd);
  end
  if ~all(inside)
    error('model_calibration:trueOutside', 'the true value of %s lies outside its 95 %% interval', ...
          strjoin({unknowns(~inside).name}, ', '));
  end
  result = struct('true_theta', true_theta, 'start', start, 'fitted', fitted, ...
                  'half_width', half_width, 'fitted_fd', fitted_fd, ...
                  'exact_seconds', exact_seconds, 'exact_iterations', outcome.niter, ...
                  'fd_seconds', fd_seconds, 'fd_iterations', outcome_fd.niter, ...
                  'singular_values', singular3, 'figure', png);
end

function r = weighted_residual(p, theta, unknowns, record, data, sigma)
  r = (calibration_replay(p, theta, unknowns, record) - data) ./ sigma;
  count_replays('plain');
end

function J = exact_jacobian(p, theta, unknowns, record, sigma)
  % The weighted residuals' Jacobian. The last one is kept: when the fit
  % ends where the solver last asked for it, the intervals reuse it instead
  % of another replay.
  persistent last
  key = {theta, unknowns, record, sigma};
  if isstruct(last) && isequal(last.key, key)
    J = last.J;
    return;
  end
  [~, J] = calibration_replay(p, theta, unknowns, record);
  J = J ./ sigma;
  count_replays('sensitivities');
  last = struct('key', {key}, 'J', J);
end

function counts = count_replays(what)
  % [plain, with sensitivities] replays since the last reset.
  persistent counted
  if isempty(counted)
    counted = [0 0];
  end
  counts = counted;
  switch what
    case 'plain'
      counted(1) = counted(1) + 1;
    case 'sensitivities'
      counted(2) = counted(2) + 1;
    case 'reset'
      counted = [0 0];
  end
end

function draw(png, minutes, analysed, data, at_start, fitted, names, step_minute)
  if exist('OCTAVE_VERSION', 'builtin') && any(strcmp(available_graphics_toolkits(), 'gnuplot'))
    warning('off', 'Octave:gnuplot-graphics');
    graphics_toolkit('gnuplot');
  end
  figure_handle = figure('visible', 'off', 'position', [0 0 1200 1000]);
  n = numel(minutes);
  panels = {1:n, 'transmitted level / m', 'Level', 'northeast'; ...
            n + 1:2 * n, 'transmitted temperature / degC', 'Temperature', 'southeast'};
  for i = 1:2
    subplot(3, 1, i);
    rows = panels{i, 1};
    plot(minutes, data(rows), '.', 'color', [0.6 0.6 0.6], 'markersize', 4, ...
         minutes, at_start(rows), 'r--', 'linewidth', 1.5, minutes, fitted(rows), 'b-', ...
         'linewidth', 1.5);
    ylabel(panels{i, 2});
    legend('plant data', 'model at the start', 'fitted model', 'location', panels{i, 4});
    title(sprintf('%s: feed step at %g min, the controller outputs replayed', panels{i, 3}, ...
                  step_minute));
    grid on;
  end
  % The aromatics, whose volatility the Wilson energy moves most.
  subplot(3, 1, 3);
  composition = @(v, k) 100 * v(2 * n + k:7:end);
  hold on;
  styles = {'o', 's'};
  aromatic = [3 6];
  for j = 1:2
    k = aromatic(j);
    plot(minutes(analysed), composition(data, k), styles{j}, 'color', [0.5 0.5 0.5]);
    plot(minutes(analysed), composition(at_start, k), 'r--', 'linewidth', 1.5);
    plot(minutes(analysed), composition(fitted, k), 'b-', 'linewidth', 1.5);
  end
  hold off;
  ylabel('vapour / mol-%');
  xlabel('time / min');
  % Room above the curves for the legend, laid out in one row.
  limits = ylim();
  ylim([limits(1), limits(2) + 0.3 * (limits(2) - limits(1))]);
  legend(sprintf('%s, analyser', names{aromatic(1)}), 'model at the start', 'fitted model', ...
         sprintf('%s, analyser', names{aromatic(2)}), 'location', 'north', ...
         'orientation', 'horizontal');
  title('Vapour composition: the aromatics');
  grid on;
  print(figure_handle, png, '-dpng', '-r90');
  close(figure_handle);
end
