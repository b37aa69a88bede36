function [prediction, jacobian] = calibration_replay(p, theta, unknowns, record)
%CALIBRATION_REPLAY  The model's answer to a recorded hour of the plant's inputs.
%   PREDICTION = CALIBRATION_REPLAY(P, THETA, UNKNOWNS, RECORD) runs the
%   vaporizer of the property set P, with the unknowns set to THETA, through
%   the inputs a closed loop recorded (open loop: the recorded vapour draw,
%   heat input and liquid feed of each sample interval are held over it, as
%   the plant's own controllers held them), and returns what the plant's
%   instruments would have shown, stacked in one column:
%     the transmitted level at every sample (RECORD.t),
%     the transmitted temperature at every sample,
%     the vapour composition (7 values per analysis) at RECORD.analysed,
%       one analysis after another.
%   Unknown i sets P.(UNKNOWNS(i).field)(UNKNOWNS(i).elements) to
%   THETA(i) * UNKNOWNS(i).pattern, so THETA(i) may be a physical value
%   shared by several elements (pattern ones) or a factor on their nominal
%   values (pattern the nominal values).
%
%   [PREDICTION, JACOBIAN] = ... also returns d PREDICTION / d THETA, exact:
%   vaporizer_step's sensitivities of every interval chained,
%     S(k+1) = Sx(k) * S(k) + Sp(k) * D,   S(1) = 0,
%   (D maps the elements' derivatives to THETA's: the patterns), the state
%   starting from RECORD.state for every THETA, a known start. The vapour
%   composition is an output of the model, y(x, p), so its derivative is
%   C_y * S + F_y with C and F from vaporizer_linearize. The transmitters
%   (Transmit: span, dead time, Euler lags) are affine in their input while
%   it stays inside the span, which the replay checks; so a transmitted
%   value's derivative is the same delay line and lags run on the plant
%   value's derivative from rest (TRANSMITTER_FILTER below).
%
%   RECORD holds t (samples, column), sample (s), state (8, the start),
%   inputs (one row [vapour heat feed2] per sample interval), analysed
%   (sample indices of the analyses), loops (the two transmitters' settings
%   as LEVEL_CONTROL_LOOP keeps them: span, dead_time, lag_time,
%   delay_length, lag_stages) and options (vaporizer_step's). Needs
%   vaporizer, vaporizer_step, vaporizer_linearize and Transmit.

  q = p;
  for i = 1:numel(unknowns)
    q.(unknowns(i).field)(unknowns(i).elements) = theta(i) * unknowns(i).pattern;
  end
  samples = numel(record.t);
  with_sensitivities = nargout > 1;
  if with_sensitivities
    [rows, D] = parameter_rows(unknowns);
    S = zeros(8, numel(unknowns));
    plant_sensitivity = zeros(samples, 2, numel(unknowns));
    composition_sensitivity = zeros(7 * numel(record.analysed), numel(unknowns));
  end
  c = vaporizer_inputs(q, record.state, record.inputs(1, 1), record.inputs(1, 2), ...
                       record.inputs(1, 3));
  [~, ~, y, ~, ~] = vaporizer(c{:});
  transmitters = record.loops;
  for j = 1:2
    fraction = plant_fraction(transmitters{j}, record.state(6 + j));
    transmitters{j}.delay_line = fraction * ones(transmitters{j}.delay_length, 1);
    transmitters{j}.lag_states = fraction * ones(transmitters{j}.lag_stages, 1);
  end
  measured = zeros(samples, 2);
  composition = zeros(7, numel(record.analysed));
  analysis = 1;
  state = record.state;
  for k = 1:samples
    for j = 1:2
      m = transmitters{j};
      plant_fraction(m, state(6 + j));   % inside the span, or an error
      [m.delay_line, m.lag_states] = Transmit(state(6 + j), m.delay_line, m.lag_states, ...
          m.dead_time, m.lag_time, m.delay_length, m.lag_stages, m.sample, m.span(1), m.span(2));
      measured(k, j) = m.span(1) + m.lag_states(m.lag_stages) * (m.span(2) - m.span(1));
      transmitters{j} = m;
    end
    if analysis <= numel(record.analysed) && record.analysed(analysis) == k
      composition(:, analysis) = y;
      if with_sensitivities
        c{1} = state;
        [~, ~, C, ~, ~, F] = vaporizer_linearize(c{:}, rows);
        % C's and F's rows 2 to 8 are the vapour composition's.
        composition_sensitivity(7 * analysis - 6:7 * analysis, :) = ...
            C(2:8, :) * S + F(2:8, :) * D;
      end
      analysis = analysis + 1;
    end
    if with_sensitivities
      plant_sensitivity(k, :, :) = reshape(S(7:8, :), [1 2 numel(unknowns)]);
    end
    if k == samples
      break;
    end
    c{1} = state;
    c{2} = record.inputs(k, 1);
    c{3} = record.inputs(k, 2);
    c{7} = record.inputs(k, 3);
    if with_sensitivities
      [state, ~, y, ~, ~, ~, Sx, ~, Sp] = vaporizer_step(c{:}, record.sample, record.options, rows);
      S = Sx * S + Sp * D;
    else
      [state, ~, y] = vaporizer_step(c{:}, record.sample, record.options);
    end
  end
  prediction = [measured(:, 1); measured(:, 2); composition(:)];
  if with_sensitivities
    jacobian = [transmitter_filter(squeeze(plant_sensitivity(:, 1, :)), record.loops{1}); ...
                transmitter_filter(squeeze(plant_sensitivity(:, 2, :)), record.loops{2}); ...
                composition_sensitivity];
  end
end

function fraction = plant_fraction(transmitter, value)
  % Transmit clips its input to the span; past the clip the derivative is
  % zero rather than the filter's, so the replay stops instead.
  fraction = (value - transmitter.span(1)) / (transmitter.span(2) - transmitter.span(1));
  if ~(fraction > 0 && fraction < 1)
    error('calibration_replay:outsideSpan', ...
          'the model''s value %g left the transmitter''s span [%g %g]', value, transmitter.span);
  end
end

function [rows, D] = parameter_rows(unknowns)
  % vaporizer_step's parameter rows [position, element] and the matrix that
  % takes their derivatives to those of THETA: element e of unknown i is
  % THETA(i) * pattern(e), so its column of D holds the pattern.
  names = {'area', 'wilson_volume', 'wilson_energy', 'molar_mass', 'density', ...
           'enthalpy_offset', 'cp_liquid_a', 'cp_liquid_b', 'cp_vapour_a', 'cp_vapour_b', ...
           'antoine_a', 'antoine_b', 'antoine_c', 'gas_constant', 'density_factor', ...
           'temperature_offset'};
  rows = zeros(0, 2);
  D = zeros(0, numel(unknowns));
  for i = 1:numel(unknowns)
    position = 9 + find(strcmp(unknowns(i).field, names));
    elements = unknowns(i).elements(:);
    rows = [rows; position * ones(numel(elements), 1), elements];
    block = zeros(numel(elements), numel(unknowns));
    block(:, i) = unknowns(i).pattern(:);
    D = [D; block];
  end
end

function out = transmitter_filter(in, transmitter)
  % Transmit's delay line and lag stages (its help gives the step) run on
  % each column of IN, from zero, in units of the plant value: the
  % derivative of the transmitted value where the transmitter is affine.
  L = transmitter.delay_length;
  n = transmitter.lag_stages;
  line = zeros(L, size(in, 2));
  lags = zeros(n, size(in, 2));
  out = zeros(size(in));
  for k = 1:size(in, 1)
    line = [in(k, :); line(1:L - 1, :)];
    previous = lags;
    lags(1, :) = previous(1, :) + ((line(L, :) - previous(1, :)) / transmitter.lag_time) ...
                 * transmitter.sample;
    for i = 2:n
      lags(i, :) = previous(i, :) + ((previous(i - 1, :) - previous(i, :)) / transmitter.lag_time) ...
                   * transmitter.sample;
    end
    out(k, :) = lags(n, :);
  end
end
