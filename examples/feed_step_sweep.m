function sweep = feed_step_sweep(output_dir)
%FEED_STEP_SWEEP  The worked example's closed loop over a grid of feed steps and gains.
%   SWEEP = FEED_STEP_SWEEP(OUTPUT_DIR) simulates the hour of level and
%   temperature control of VAPORIZER_LEVEL_CONTROL (LEVEL_CONTROL_LOOP,
%   integrated with vaporizer_step) for every pair of 8 liquid feed steps
%   (5 to 40 %) and 4 factors on both controllers' tuned gains (0.5 to 2):
%   32 runs. It runs them once one after another, and once spread over
%   every core with parcellfun (Octave's parallel package), checks that the
%   two give the same bits, prints the speed-up, and draws the peak level
%   deviation and the settling times over the grid into
%   OUTPUT_DIR/feed_step_sweep.png (default build/demo).
%
%   Every run is independent and the modules keep no state, so the runs
%   can go to any worker in any order and still give the same bits.
%
%   SWEEP holds the grid (feed_steps, gain_factors), the runs' responses
%   (peak_deviation, settling_time: feed steps down, gains across, level and
%   temperature along the third dimension), the serial and parallel wall
%   times and the number of workers. Needs vaporizer, vaporizer_step and
%   Transmit on the path, and the parallel package for the parallel half.

  if nargin < 1
    output_dir = fullfile('build', 'demo');
  end
  p = cyclohexane_vaporizer_parameters();
  [state, heat, vapour] = vaporizer_steady_state(p, 1.0, 100);
  rest = struct('state', state, 'vapour', vapour, 'heat', heat);
  feed_steps = 0.05:0.05:0.40;
  gain_factors = [0.5 1 1.5 2];
  [steps, gains] = ndgrid(feed_steps, gain_factors);
  runs = numel(steps);
  % What a run hands back: its response and its state trajectory, for the
  % comparison of the serial and the parallel runs; not its wall time, which
  % differs from run to run. (Anonymous functions only: a handle to a local
  % function does not reach parcellfun's workers.)
  keep = @(run) struct('states', run.states, 'peak_deviation', run.peak_deviation, ...
                       'peak_time', run.peak_time, 'settling_time', run.settling_time);
  simulate = @(feed_step, gain) keep(level_control_loop(p, rest, ...
      struct('feed_step', feed_step, 'gain_factor', [gain gain])));

  % One run first, so that neither timing pays for parsing the m-files.
  simulate(feed_steps(1), gain_factors(1));
  started = tic();
  serial = arrayfun(simulate, steps(:), gains(:), 'UniformOutput', false);
  serial_seconds = toc(started);

  workers = nproc();
  parallel_seconds = NaN;
  if load_parallel_package()
    started = tic();
    spread = parcellfun(workers, simulate, num2cell(steps(:)), num2cell(gains(:)), ...
                        'UniformOutput', false, 'VerboseLevel', 0);
    parallel_seconds = toc(started);
    if ~same_bits(serial, spread)
      error('feed_step_sweep:notIdentical', 'the parallel runs differ from the serial ones');
    end
  end

  peak = zeros([size(steps) 2]);
  settling = zeros([size(steps) 2]);
  for r = 1:runs
    [i, j] = ind2sub(size(steps), r);
    peak(i, j, :) = serial{r}.peak_deviation;
    settling(i, j, :) = serial{r}.settling_time;
  end

  fprintf('\nFeed step sweep: %d closed-loop hours (%d feed steps x %d gain factors)\n', runs, ...
          numel(feed_steps), numel(gain_factors));
  fprintf('  serial %.1f s (%.2f s per run)', serial_seconds, serial_seconds / runs);
  if isnan(parallel_seconds)
    fprintf('; the parallel package is not installed, so no parallel run\n');
  else
    fprintf(', parcellfun on %d workers %.1f s: %.2fx faster; results bit-identical\n', ...
            workers, parallel_seconds, serial_seconds / parallel_seconds);
  end
  fprintf('  %-10s %s\n', 'feed step', sprintf('gain x%-14.1f', gain_factors));
  for i = 1:numel(feed_steps)
    fprintf('  %8.0f %% ', 100 * feed_steps(i));
    fprintf(' %+6.1f mm %5.0f s  ', [1000 * peak(i, :, 1); settling(i, :, 1)]);
    fprintf('\n');
  end
  fprintf('  (peak level deviation, level settling time within 10 mm)\n');

  if ~exist(output_dir, 'dir')
    mkdir(output_dir);
  end
  png = fullfile(output_dir, 'feed_step_sweep.png');
  draw(png, feed_steps, gain_factors, peak, settling);
  fprintf('Figure: %s\n', png);

  sweep = struct('feed_steps', feed_steps, 'gain_factors', gain_factors, ...
                 'peak_deviation', peak, 'settling_time', settling, ...
                 'serial_seconds', serial_seconds, 'parallel_seconds', parallel_seconds, ...
                 'workers', workers, 'figure', png);
end

function same = same_bits(a, b)
  % True when A and B hold the same values bit for bit: NaN equals NaN, and
  % 0 and -0 differ.
  same = strcmp(class(a), class(b)) && isequal(size(a), size(b));
  if ~same
    return;
  elseif iscell(a)
    same = all(cellfun(@same_bits, a(:), b(:)));
  elseif isstruct(a)
    same = isequal(fieldnames(a), fieldnames(b)) && ...
           same_bits(struct2cell(a(:)), struct2cell(b(:)));
  elseif isfloat(a)
    same = isequal(typecast(a(:), 'uint64'), typecast(b(:), 'uint64'));
  else
    same = isequal(a, b);
  end
end

function loaded = load_parallel_package()
  loaded = false;
  if exist('OCTAVE_VERSION', 'builtin')
    try
      pkg('load', 'parallel');
      loaded = exist('parcellfun') == 2;
    catch
    end
  end
end

function draw(png, feed_steps, gain_factors, peak, settling)
  if exist('OCTAVE_VERSION', 'builtin') && any(strcmp(available_graphics_toolkits(), 'gnuplot'))
    warning('off', 'Octave:gnuplot-graphics');
    graphics_toolkit('gnuplot');
  end
  handle = figure('visible', 'off', 'position', [0 0 1200 420]);
  labels = arrayfun(@(g) sprintf('gain x%.1f', g), gain_factors, 'UniformOutput', false);
  percent = 100 * feed_steps;
  panels = {1000 * peak(:, :, 1), 'peak level deviation / mm', 'Peak level deviation';
            settling(:, :, 1) / 60, 'settling time / min', 'Level settles within 10 mm (gap: not in the hour)';
            settling(:, :, 2) / 60, 'settling time / min', 'Temperature within 0.5 K (gap: not in the hour)'};
  for k = 1:3
    subplot(1, 3, k);
    plot(percent, panels{k, 1}, 'o-', 'linewidth', 1.5);
    grid on;
    xlabel('liquid feed step / %');
    ylabel(panels{k, 2});
    title(panels{k, 3});
    if k == 1
      legend(labels, 'location', 'northwest');
    end
  end
  print(handle, png, '-dpng', '-r100');
  close(handle);
end
