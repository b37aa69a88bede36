function rows = kernel_table_rows(results_dir)
  % Markdown table rows for the kernel benchmarks whose JSON output
  % (Google Benchmark, repetitions with aggregates) lies in results_dir:
  % first the ratios that have targets, then the median of every benchmark.
  % A ratio is the ratio of the two benchmarks' medians; the framework ran
  % their repetitions interleaved in random order, so drifts hit both alike.
  files = dir(fullfile(results_dir, '*.json'));
  medians = struct('executable', {}, 'name', {}, 'seconds', {}, 'counters', {});
  for f = 1:numel(files)
    [~, executable] = fileparts(files(f).name);
    report = jsondecode(fileread(fullfile(results_dir, files(f).name)));
    entries = report.benchmarks;
    if ~iscell(entries)
      entries = num2cell(entries);
    end
    for e = 1:numel(entries)
      entry = entries{e};
      if ~isfield(entry, 'aggregate_name') || ~strcmp(entry.aggregate_name, 'median')
        continue;
      end
      medians(end + 1).executable = executable;
      medians(end).name = entry.run_name;
      medians(end).seconds = entry.real_time * unit_seconds(entry.time_unit);
      medians(end).counters = entry_counters(entry);
    end
  end

  % Ratios with a target: numerator benchmark, denominator benchmark, the
  % most the ratio may be, and what it means.
  targets = {
    'vaporizer_derivatives_kernel', 'floor_63_exp_7_log', 1.3, ...
        'vaporizer_derivatives / its libm floor (the same 63 exp and 7 log calls alone)'
    'transmission_update_step/1000000', 'memcpy_of_the_shift/1000000', 1.2, ...
        'transmission_update, 1e6-cell shift / memcpy of the same bytes'
    step_call(8, 1, 1), step_call(6, 1, 1), 5, ...
        'vaporizer_step with all 28 sensitivities / without, 2 s after a 20 % feed step, RelTol 1e-8, AbsTol 1e-10'
    step_call(8, 0, 1), step_call(6, 0, 1), 5, ...
        'vaporizer_step with all 28 sensitivities / without, 2 s at rest, RelTol 1e-8, AbsTol 1e-10'
  };
  informative = {
    'vaporizer_derivatives_kernel', 'floor_63_exp_7_log_4_pow', ...
        'vaporizer_derivatives / the libm floor with its 4 pow calls added'
    'transmission_update_step/10', 'memcpy_of_the_shift/10', ...
        'transmission_update, 10-cell line / memcpy of the same bytes'
    'transmission_update_step/1000', 'memcpy_of_the_shift/1000', ...
        'transmission_update, 1e3-cell line / memcpy of the same bytes'
    'murtal_call/10000000', 'label_gather/10000000', ...
        'murtal call, 1e7 stored entries / reading the same row indices and labels without counting'
    'murtal_call/10000000', 'sequential_read/10000000', ...
        'murtal call, 1e7 stored entries / reading all its row indices and labels in order'
    step_call(7, 1, 1), step_call(6, 1, 1), ...
        'vaporizer_step with the 8 sensitivities to the start state / without, after the feed step'
    step_call(9, 1, 1), step_call(8, 1, 1), ...
        'vaporizer_step with 3 sensitivities to property data too (31) / the 28 alone, after the feed step'
    step_call(8, 1, 0), step_call(6, 1, 1), ...
        'vaporizer_step with all 28 sensitivities, SensitivityErrorControl off / without, after the feed step'
    step_call(8, 0, 0), step_call(6, 0, 1), ...
        'vaporizer_step with all 28 sensitivities, SensitivityErrorControl off / without, at rest'
  };

  rows = {};
  for t = 1:size(targets, 1)
    [ratio, detail] = ratio_of(medians, targets{t, 1}, targets{t, 2});
    if isnan(ratio)
      rows{end + 1} = sprintf('| kernel | %s | not measured | <= %.2gx | |', targets{t, 4}, targets{t, 3});
    else
      met = {'**missed**', 'met'};
      rows{end + 1} = sprintf('| kernel | %s (%s) | %.3fx | <= %.2gx | %s |', targets{t, 4}, ...
                              detail, ratio, targets{t, 3}, met{1 + (ratio <= targets{t, 3})});
    end
  end
  for t = 1:size(informative, 1)
    [ratio, detail] = ratio_of(medians, informative{t, 1}, informative{t, 2});
    if ~isnan(ratio)
      rows{end + 1} = sprintf('| kernel | %s (%s) | %.3fx | | |', informative{t, 3}, detail, ratio);
    end
  end
  % In a stable order: by executable, then by name with the sizes compared
  % as numbers, since the interleaved repetitions finish in random order
  % (named arguments, outputs:8/..., as text).
  keys = cell(numel(medians), 1);
  for m = 1:numel(medians)
    [family, size_text] = strtok(medians(m).name, '/');
    size_key = sprintf('%020.0f', str2double([size_text(2:end) '0']) / 10);
    if any(size_text == ':')
      size_key = size_text;
    end
    keys{m} = sprintf('%s %s %s', medians(m).executable, family, size_key);
  end
  [~, order] = sort(keys);
  medians = medians(order);
  for m = 1:numel(medians)
    extra = '';
    if isfield(medians(m).counters, 'ns_per_entry')
      extra = sprintf(', %.2f ns per stored entry', medians(m).counters.ns_per_entry);
    end
    if isfield(medians(m).counters, 'steps')
      extra = sprintf(', %d steps, %d right-hand sides', medians(m).counters.steps, ...
                      medians(m).counters.rhs_evaluations);
    end
    rows{end + 1} = sprintf('| kernel | %s: %s (median time per iteration%s) | %s | | |', ...
                            medians(m).executable, medians(m).name, extra, ...
                            duration_text(medians(m).seconds));
  end
end

function [ratio, detail] = ratio_of(medians, numerator, denominator)
  names = {medians.name};
  top = find(strcmp(names, numerator), 1);
  bottom = find(strcmp(names, denominator), 1);
  ratio = NaN;
  detail = '';
  if ~isempty(top) && ~isempty(bottom)
    ratio = medians(top).seconds / medians(bottom).seconds;
    detail = sprintf('%s / %s', duration_text(medians(top).seconds), ...
                     duration_text(medians(bottom).seconds));
  end
end

function counters = entry_counters(entry)
  counters = struct();
  for name = {'ns_per_entry', 'steps', 'rhs_evaluations'}
    if isfield(entry, name{1})
      counters.(name{1}) = entry.(name{1});
    end
  end
end

% The name of a vaporizer_step_call benchmark (vaporizer_step_bench).
function name = step_call(outputs, feed_step, error_control)
  name = sprintf('vaporizer_step_call/outputs:%d/feed_step:%d/sensitivity_error_control:%d', ...
                 outputs, feed_step, error_control);
end

function s = unit_seconds(unit)
  switch unit
    case 'ns', s = 1e-9;
    case 'us', s = 1e-6;
    case 'ms', s = 1e-3;
    otherwise, s = 1;
  end
end

function text = duration_text(seconds)
  if seconds < 1e-6
    text = sprintf('%.1f ns', 1e9 * seconds);
  elseif seconds < 1e-3
    text = sprintf('%.2f us', 1e6 * seconds);
  else
    text = sprintf('%.3f ms', 1e3 * seconds);
  end
end
