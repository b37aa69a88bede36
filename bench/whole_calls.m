% Whole-call benchmarks in GNU Octave: every module against its floor gateway
% (a module that takes the same arguments and creates the same outputs but
% computes nothing) and against the m-code a user would otherwise write,
% murtal's cost per stored entry from 1e3 to 1e7 entries, vaporizer_step
% against ode15s over one sample interval (interval_step_rows.m), and
% vaporizer_linearize against vaporizer and as ode15s's Jacobian over the
% demo's hour of closed loop (linearize_rows.m).
%
% Method. Each repetition times one batch of calls of every contender back
% to back, in an order that rotates from one repetition to the next; the
% batch is long enough (a few milliseconds) for the clock to resolve it.
% Every figure is the median over the repetitions of the per-repetition ratio
% of two contenders' times per call. Pairing within a repetition cancels
% slow drifts (clock frequency, another process building), rotating the order
% cancels any advantage of going first, and the median discards repetitions
% that a burst of other work hit on one side only. The quartiles of the same
% ratios are printed beside each figure, so the spread can be judged.
%
% Environment: MEX_SUITE_BUILD_DIR is the build holding octave/ (default
% build-bench), MEX_SUITE_BENCH_ROWS the file that receives the markdown
% table rows, MEX_SUITE_BENCH_QUICK=1 a short run for development.

bench_dir = fileparts(mfilename('fullpath'));
build_dir = getenv('MEX_SUITE_BUILD_DIR');
if isempty(build_dir)
  build_dir = fullfile(bench_dir, '..', 'build-bench');
end
addpath(bench_dir);
addpath(fullfile(build_dir, 'octave'));
rows_file = getenv('MEX_SUITE_BENCH_ROWS');
quick = strcmp(getenv('MEX_SUITE_BENCH_QUICK'), '1');
if quick
  repetitions = 9;
  batch_seconds = 1e-3;
  murtal_sizes = [1e3 1e4 1e5 1e6];
else
  repetitions = 61;
  batch_seconds = 4e-3;
  murtal_sizes = [1e3 1e4 1e5 1e6 1e7];
end
rand('seed', 20261208);

rows = {};
row = @(what, result, target, verdict) sprintf('| whole call | %s | %s | %s | %s |', ...
                                             what, result, target, verdict);
verdict_words = {'**missed**', 'met'};
verdict = @(met) verdict_words{1 + met};
spread = @(r, lo, hi) sprintf('%.3fx (quartiles %.3f to %.3f)', r, lo, hi);
per_call = @(seconds) sprintf('%.2f us', 1e6 * seconds);

% ---------------------------------------------------------------- vaporizer
if exist('vaporizer') == 3 && exist('vaporizer_floor') == 3
  in = vaporizer_bench_inputs();
  s = in.state; V = in.vapour_flow; Q = in.heat_input; F1 = in.feed1_flow;
  z1 = in.feed1_comp; T1 = in.feed1_temp; F2 = in.feed2_flow; z2 = in.feed2_comp;
  T2 = in.feed2_temp; A = in.area; WV = in.wilson_volume; WE = in.wilson_energy;
  M = in.molar_mass; rho = in.density; H0 = in.enthalpy_offset;
  cla = in.cp_liquid_a; clb = in.cp_liquid_b; cva = in.cp_vapour_a; cvb = in.cp_vapour_b;
  aa = in.antoine_a; ab = in.antoine_b; ac = in.antoine_c;
  R = in.gas_constant; df = in.density_factor; T0 = in.temperature_offset;

  % The m-code peer must compute the same thing, or the comparison is void.
  module_out = cell(1, 5);
  mcode_out = cell(1, 5);
  [module_out{:}] = vaporizer(s, V, Q, F1, z1, T1, F2, z2, T2, A, WV, WE, M, rho, H0, ...
                              cla, clb, cva, cvb, aa, ab, ac, R, df, T0);
  [mcode_out{:}] = vaporizer_rhs_mcode(s, V, Q, F1, z1, T1, F2, z2, T2, A, WV, WE, M, rho, ...
                                       H0, cla, clb, cva, cvb, aa, ab, ac, R, df, T0);
  worst = 0;
  for k = 1:5
    assert(isequal(size(module_out{k}), size(mcode_out{k})));
    scale = max(abs(module_out{k}(:)));
    worst = max(worst, max(abs(module_out{k}(:) - mcode_out{k}(:))) / scale);
  end
  assert(all(isfinite(module_out{1})) && worst < 1e-12, ...
         'vaporizer and its m-code peer disagree: largest relative difference %g', worst);
  % The floor must hand back what the module hands back, or it is no floor.
  floor_out = cell(1, 5);
  [floor_out{:}] = vaporizer_floor(s, V, Q, F1, z1, T1, F2, z2, T2, A, WV, WE, M, rho, H0, ...
                                   cla, clb, cva, cvb, aa, ab, ac, R, df, T0);
  assert(isequal(cellfun(@size, floor_out, 'UniformOutput', false), ...
                 cellfun(@size, module_out, 'UniformOutput', false)), ...
         'vaporizer_floor and vaporizer return outputs of different shapes');
  printf('vaporizer agrees with its m-code peer to %.1e (relative to each output)\n', worst);

  t = tic;
  for i = 1:100
    [d, l, y, T, P] = vaporizer_floor(s, V, Q, F1, z1, T1, F2, z2, T2, A, WV, WE, M, rho, H0, ...
                                      cla, clb, cva, cvb, aa, ab, ac, R, df, T0);
  end
  n = max(20, round(batch_seconds / (toc(t) / 100)));
  times = zeros(repetitions, 3);
  for rep = 1:repetitions
    for contender = circshift(1:3, [0, rep])
      switch contender
        case 1
          t = tic;
          for i = 1:n
            [d, l, y, T, P] = vaporizer(s, V, Q, F1, z1, T1, F2, z2, T2, A, WV, WE, M, rho, ...
                                        H0, cla, clb, cva, cvb, aa, ab, ac, R, df, T0);
          end
          times(rep, 1) = toc(t) / n;
        case 2
          t = tic;
          for i = 1:n
            [d, l, y, T, P] = vaporizer_floor(s, V, Q, F1, z1, T1, F2, z2, T2, A, WV, WE, M, ...
                                              rho, H0, cla, clb, cva, cvb, aa, ab, ac, R, df, T0);
          end
          times(rep, 2) = toc(t) / n;
        case 3
          t = tic;
          for i = 1:n
            [d, l, y, T, P] = vaporizer_rhs_mcode(s, V, Q, F1, z1, T1, F2, z2, T2, A, WV, WE, ...
                                                  M, rho, H0, cla, clb, cva, cvb, aa, ab, ac, ...
                                                  R, df, T0);
          end
          times(rep, 3) = toc(t) / n;
      end
    end
  end
  [r, lo, hi] = interleaved_summary(times(:, 1), times(:, 2));
  rows{end + 1} = row(sprintf('vaporizer / its floor gateway (%s / %s per call)', ...
                              per_call(median(times(:, 1))), per_call(median(times(:, 2)))), ...
                      spread(r, lo, hi), '<= 1.05x', verdict(r <= 1.05));
  [r, lo, hi] = interleaved_summary(times(:, 3), times(:, 1));
  rows{end + 1} = row(sprintf('vectorised m-code right-hand side / vaporizer (%s per m-code call)', ...
                              per_call(median(times(:, 3)))), ...
                      spread(r, lo, hi), '>= 7x', verdict(r >= 7));
  [r, lo, hi] = interleaved_summary(times(:, 3), times(:, 2));
  rows{end + 1} = row(['vectorised m-code right-hand side / floor gateway: the most any ' ...
                       'vaporizer module could gain over the m-code in this host'], ...
                      spread(r, lo, hi), '', '');
  printf('%s\n', rows{end - 2 : end});
else
  rows{end + 1} = row('vaporizer', 'not built', '', '');
end

% ----------------------------------------------------------------- Transmit
if exist('Transmit') == 3 && exist('Transmit_floor') == 3
  stages = 5;
  for cells = [10 1e3 1e6]
    h = 0.1; tc = 2; td = 1; lo = 0; hi = 100; value = 42;
    line_m = zeros(cells, 1); lags_m = zeros(stages, 1);
    line_f = line_m; lags_f = lags_m;
    line_c = line_m; lags_c = lags_m;

    % A few steps of both with a moving value must agree bit for bit.
    for step = 1:5
      [line_m, lags_m] = Transmit(10 * step, line_m, lags_m, td, tc, cells, stages, h, lo, hi);
      [line_c, lags_c] = transmit_step_mcode(10 * step, line_c, lags_c, td, tc, cells, stages, ...
                                             h, lo, hi);
    end
    assert(isequal(line_m, line_c) && isequal(lags_m, lags_c), ...
           'Transmit and its m-code peer disagree');
    [line_f, lags_f] = Transmit_floor(value, line_f, lags_f, td, tc, cells, stages, h, lo, hi);
    assert(isequal(size(line_f), size(line_m)) && isequal(size(lags_f), size(lags_m)), ...
           'Transmit_floor and Transmit return outputs of different shapes');

    t = tic;
    for i = 1:20
      [line_f, lags_f] = Transmit_floor(value, line_f, lags_f, td, tc, cells, stages, h, lo, hi);
    end
    n = max(3, round(batch_seconds / (toc(t) / 20)));
    reps = repetitions;
    if cells >= 1e6
      reps = max(9, round(repetitions / 2));
    end
    times = zeros(reps, 3);
    for rep = 1:reps
      for contender = circshift(1:3, [0, rep])
        switch contender
          case 1
            t = tic;
            for i = 1:n
              [line_m, lags_m] = Transmit(value, line_m, lags_m, td, tc, cells, stages, h, lo, hi);
            end
            times(rep, 1) = toc(t) / n;
          case 2
            t = tic;
            for i = 1:n
              [line_f, lags_f] = Transmit_floor(value, line_f, lags_f, td, tc, cells, stages, ...
                                                h, lo, hi);
            end
            times(rep, 2) = toc(t) / n;
          case 3
            t = tic;
            for i = 1:n
              [line_c, lags_c] = transmit_step_mcode(value, line_c, lags_c, td, tc, cells, ...
                                                     stages, h, lo, hi);
            end
            times(rep, 3) = toc(t) / n;
        end
      end
    end
    [r, rlo, rhi] = interleaved_summary(times(:, 1), times(:, 2));
    rows{end + 1} = row(sprintf('Transmit / its floor gateway, %g cells, %d stages (%s / %s per call)', ...
                                cells, stages, per_call(median(times(:, 1))), ...
                                per_call(median(times(:, 2)))), ...
                        spread(r, rlo, rhi), '<= 1.05x', verdict(r <= 1.05));
    [r, rlo, rhi] = interleaved_summary(times(:, 3), times(:, 1));
    rows{end + 1} = row(sprintf('m-code Transmit step / Transmit, %g cells (%s per m-code call)', ...
                                cells, per_call(median(times(:, 3)))), ...
                        spread(r, rlo, rhi), '', '');
    [r, rlo, rhi] = interleaved_summary(times(:, 3), times(:, 2));
    rows{end + 1} = row(sprintf('m-code Transmit step / floor gateway, %g cells: the most any module could gain', ...
                                cells), spread(r, rlo, rhi), '', '');
    printf('%s\n', rows{end - 2 : end});
  end
else
  rows{end + 1} = row('Transmit', 'not built', '', '');
end

% ------------------------------------------------------------------- murtal
if exist('murtal') == 3 && exist('murtal_floor') == 3
  K = 100;
  for stored = murtal_sizes
    % stored entries in random rows among twice as many, every row labelled.
    row_count = 2 * stored;
    C = sparse(sort(randperm(row_count, stored)), 1, 1, row_count, 1);
    L = randi(K, row_count, 1);
    assert(isequal(murtal(C, K, L), accumarray(L(find(C)), 1, [K 1])));
    assert(isequal(size(murtal_floor(C, K, L)), [K 1]));

    t = tic;
    c = murtal(C, K, L);
    n = max(1, round(batch_seconds / toc(t)));
    % About six seconds per size, the peer taking most of them.
    reps = max(7, min(repetitions, round(6 / (41e-9 * stored * n))));
    times = zeros(reps, 3);
    for rep = 1:reps
      for contender = circshift(1:3, [0, rep])
        switch contender
          case 1
            t = tic;
            for i = 1:n
              c = murtal(C, K, L);
            end
            times(rep, 1) = toc(t) / n;
          case 2
            t = tic;
            for i = 1:n
              c = murtal_floor(C, K, L);
            end
            times(rep, 2) = toc(t) / n;
          case 3
            t = tic;
            for i = 1:n
              c = accumarray(L(find(C)), 1, [K 1]);
            end
            times(rep, 3) = toc(t) / n;
        end
      end
    end
    ns_module = 1e9 * median(times(:, 1)) / stored;
    ns_counting = 1e9 * median(times(:, 1) - times(:, 2)) / stored;
    ns_accumarray = 1e9 * median(times(:, 3)) / stored;
    [speedup, slo, shi] = interleaved_summary(times(:, 3), times(:, 1));
    [r, rlo, rhi] = interleaved_summary(times(:, 1), times(:, 2));
    at_top = stored == 1e7;
    target_ns = ''; verdict_ns = ''; target_speedup = ''; verdict_speedup = '';
    if at_top
      target_ns = '<= 2 ns'; verdict_ns = verdict(ns_module <= 2);
      target_speedup = '>= 100x'; verdict_speedup = verdict(speedup >= 100);
    end
    rows{end + 1} = row(sprintf(['murtal, %g stored entries in %g rows, K = %d: whole call per ' ...
                                 'stored entry (counting pass alone: %.2f ns; %.2fx the floor ' ...
                                 'gateway, %s per floor call)'], stored, row_count, K, ...
                                ns_counting, r, per_call(median(times(:, 2)))), ...
                        sprintf('%.2f ns', ns_module), target_ns, verdict_ns);
    rows{end + 1} = row(sprintf('accumarray(L(find(C)), 1, [K 1]) / murtal, %g stored entries (%.1f ns per entry)', ...
                                stored, ns_accumarray), ...
                        spread(speedup, slo, shi), target_speedup, verdict_speedup);
    printf('%s\n', rows{end - 1 : end});

    if at_top || stored == murtal_sizes(end)
      % Where the peer's time goes: its three steps timed on their own.
      steps = zeros(max(5, round(reps / 2)), 3);
      for rep = 1:size(steps, 1)
        t = tic; f = find(C); steps(rep, 1) = toc(t);
        t = tic; g = L(f); steps(rep, 2) = toc(t);
        t = tic; c = accumarray(g, 1, [K 1]); steps(rep, 3) = toc(t);
      end
      clear f g;
      ns_steps = 1e9 * median(steps) / stored;
      rows{end + 1} = row(sprintf(['accumarray peer in steps, %g stored entries: find(C) %.1f, ' ...
                                   'L(idx) %.1f, accumarray %.1f ns per entry'], stored, ns_steps), ...
                          sprintf('%.1f ns', sum(ns_steps)), '', '');
      printf('%s\n', rows{end});
    end
    clear C L c;
  end
else
  rows{end + 1} = row('murtal', 'not built', '', '');
end

% ----------------------------------------------------- vaporizer_step
rows = [rows, interval_step_rows(row, spread, verdict, max(5, round(repetitions / 4)))];

% ------------------------------------------------ vaporizer_linearize
rows = [rows, linearize_rows(row, spread, verdict, max(5, round(repetitions / 4)))];

if ~isempty(rows_file)
  out = fopen(rows_file, 'w');
  fprintf(out, '%s\n', rows{:});
  fclose(out);
end
