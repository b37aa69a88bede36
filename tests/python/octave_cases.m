function octave_cases(file)
%OCTAVE_CASES  Inputs and what the Octave modules return for them, for the
%   Python package's tests: saves to FILE (-v7, for scipy.io.loadmat)
%   vaporizer, vaporizer_step (at the defaults and with options), Transmit
%   and murtal calls with their outputs, named bad calls with the
%   identifier and message (without the "<function>: " prefix) each gives,
%   every input of the five functions in each class but double, and the
%   example's property set and ten minutes of its closed loop.
%   Needs build/octave, examples/ and tests/octave on the path.
  rand('seed', 20261208);
  p = cyclohexane_vaporizer_parameters();
  props = {p.wilson_volume, p.wilson_energy, p.molar_mass, p.density, p.enthalpy_offset, ...
           p.cp_liquid_a, p.cp_liquid_b, p.cp_vapour_a, p.cp_vapour_b, p.antoine_a, ...
           p.antoine_b, p.antoine_c, p.gas_constant, p.density_factor, p.temperature_offset};

  % vaporizer over seeded random sets in which every input moves.
  vap_in = cell(12, 25);
  vap_out = cell(12, 5);
  for k = 1:12
    [state, args] = random_vaporizer_arguments(props);
    vap_in(k, :) = [{state}, args];
    [vap_out{k, :}] = vaporizer(vap_in{k, :});
  end
  % ... and their linear models.
  % (with a selection of property data: one of each kind, a last element)
  selection = [10 1; 12 49; 16 3; 21 7; 25 1];
  lin_out = cell(12, 6);
  for k = 1:12
    [lin_out{k, :}] = vaporizer_linearize(vap_in{k, :}, selection);
  end

  % vaporizer_step on the example plant after a feed step, at the defaults
  % and with each option; options as {RelTol, AbsTol, MaxStep, InitialStep},
  % [] for one not given.
  state = [0.0054; 0.0153; 0.0113; 0.0650; 0.0339; 0.0855; 1.0; 100];
  base = vaporizer_inputs(p, state, 12, 302.3, 1.2 * p.feed2_flow);
  settings = {2, {[], [], [], []};
              60, {[], [], [], []};
              2, {1e-6, 1e-9, [], []};
              30, {1e-7, 1e-10 * [1 1 1 1 1 1 2 300]', 0.5, 1e-3}};
  step_in = cell(rows(settings), 25);
  step_interval = zeros(rows(settings), 1);
  step_options = cell(rows(settings), 4);
  step_out = cell(rows(settings), 6);
  for k = 1:rows(settings)
    c = base;
    c{1} = state + 1e-3 * (k - 1) * [ones(6, 1); 0; 10];
    step_in(k, :) = c;
    step_interval(k) = settings{k, 1};
    step_options(k, :) = settings{k, 2};
    o = cell2struct(settings{k, 2}(:), {'RelTol'; 'AbsTol'; 'MaxStep'; 'InitialStep'}, 1);
    [s, level, y, T, P, stats] = vaporizer_step(c{:}, settings{k, 1}, o);
    step_out(k, :) = {s, level, y, T, P, cell2mat(struct2cell(stats))'};
  end
  % The first with its sensitivities, to the selection's parameters too.
  sens_out = cell(1, 9);
  [sens_out{:}] = vaporizer_step(step_in{1, :}, step_interval(1), [], selection);
  sens_out{6} = cell2mat(struct2cell(sens_out{6}))';

  % Transmit over random lines, lag chains and settings that cross both
  % thresholds.
  between = @(lo, hi) lo + (hi - lo) * rand();
  tr_in = cell(40, 10);
  tr_out = cell(40, 2);
  for k = 1:40
    cells = randi(6);
    stages = randi(4) - 1;
    tr_in(k, :) = {between(-1, 3), rand(cells, 1), rand(stages, 1), between(0, 8), ...
                   between(0, 8) * (rand() > 0.2), randi(cells), randi(stages + 1) - 1, ...
                   between(0.5, 3), between(-1, 0.5), between(1, 3)};
    [tr_out{k, :}] = Transmit(tr_in{k, :});
  end

  % murtal on random sparse columns and labels.
  mu_in = cell(5, 3);
  mu_out = cell(5, 1);
  for k = 1:5
    n = 50 * k;
    C = sprand(n, 1, 0.3);
    K = k + 2;
    mu_in(k, :) = {C, K, 1 + rand(n, 1) * K * 0.999};
    mu_out{k} = murtal(mu_in{k, :});
  end

  % Ten minutes of the example's closed loop from Octave's rest point, for
  % the port in examples/python.
  [rest_state, rest_heat, rest_vapour] = vaporizer_steady_state(p, 1, 100);
  loop = level_control_loop(p, struct('state', rest_state, 'heat', rest_heat, ...
                                      'vapour', rest_vapour), ...
                            struct('horizon', 600, 'feed_step', 0.3, 'gain_factor', [1.5 0.5]));
  loop_states = loop.states;
  loop_measured = loop.measured;
  loop_manipulated = loop.manipulated;
  example_parameters = rmfield(p, 'names');

  % Bad calls by name; the Python tests make the same ones.
  t = {0.7, ones(4, 1), ones(2, 1), 6, 5, 4, 2, 2, 0, 2};
  dry = vaporizer_inputs(p, state, 30, 30 * 31, p.feed2_flow);
  bad = {
    'vaporizer_feed1_comp_not_numbers', 'vaporizer',      with(base, 5, {1})
    'vaporizer_vapour_flow_empty',      'vaporizer',      with(base, 2, [])
    'vaporizer_wilson_volume_short',    'vaporizer',      with(base, 11, ones(48, 1))
    'vaporizer_density_sparse',         'vaporizer',      with(base, 14, sparse(p.density))
    'step_interval_negative',           'vaporizer_step', [base, {-1}]
    'step_rtol_negative',               'vaporizer_step', [base, {2, odeset('RelTol', -1)}]
    'step_atol_three',                  'vaporizer_step', [base, {2, odeset('AbsTol', [1 2 3]')}]
    'step_max_step_tiny',               'vaporizer_step', [base, {2, odeset('MaxStep', 1e-20)}]
    'step_interval_true',               'vaporizer_step', [base, {true}]
    'step_rtol_true',                   'vaporizer_step', [base, {2, odeset('RelTol', true)}]
    'step_atol_true',                   'vaporizer_step', [base, {2, odeset('AbsTol', true)}]
    'step_atol_int',                    'vaporizer_step', [base, {2, odeset('AbsTol', int64(ones(8, 1)))}]
    'step_atol_logical',                'vaporizer_step', [base, {2, odeset('AbsTol', true(8, 1))}]
    'step_atol_single',                 'vaporizer_step', [base, {2, odeset('AbsTol', single(1e-9 * ones(8, 1)))}]
    'vaporizer_feed1_comp_int',         'vaporizer',      with(base, 5, int64([0; 0; 0; 1; 0; 0; 0]))
    'linearize_state_single',           'vaporizer_linearize', with(base, 1, single(state))
    'linearize_parameters_element',     'vaporizer_linearize', [base, {[12 2; 16 8]}]
    'step_parameters_position',         'vaporizer_step', [base, {2, [], [9.5 1]}]
    'step_runs_dry',                    'vaporizer_step', [dry, {3000}]
    'transmit_delay_length_long',       'Transmit',       with(t, 6, 9)
    'transmit_stage_count_nan',         'Transmit',       with(t, 7, NaN)
    'transmit_line_not_numbers',        'Transmit',       with(t, 2, {1})
    'murtal_dense',                     'murtal',         {[0; 1; 1], 3, [1; 2; 3]}
    'murtal_two_columns',               'murtal',         {sparse(ones(3, 2)), 3, [1; 2; 3]}
    'murtal_negative_k',                'murtal',         {sparse([0; 1; 1]), -1, [1; 2; 3]}
    'murtal_bad_label',                 'murtal',         {sparse([0; 1; 1]), 3, [1; 2; 4]}
    'murtal_short_labels',              'murtal',         {sparse([0; 1; 1]), 3, [1; 2]}
    'murtal_logical_labels',            'murtal',         {sparse([0; 1; 1]), 3, true(3, 1)}
    'transmit_line_single',             'Transmit',       with(t, 2, single(ones(4, 1)))
  };
  outputs = struct('vaporizer', 5, 'vaporizer_step', 6, 'Transmit', 2, 'murtal', 1, ...
                   'vaporizer_linearize', 4);
  errors = cell(rows(bad), 3);
  for k = 1:rows(bad)
    out = cell(1, outputs.(bad{k, 2}));
    try
      [out{:}] = feval(bad{k, 2}, bad{k, 3}{:});
      error('octave_cases:noError', '%s gave no error', bad{k, 1});
    catch err
      errors(k, :) = {bad{k, 1}, err.identifier, regexprep(err.message, '^\w+: ', '', 'once')};
    end
  end

  % Every input of the five functions in each class but double that holds
  % numbers: what a call with it gives, the first output or the identifier
  % and message. Options of vaporizer_step are inputs 27 to 30.
  class_calls = {'vaporizer', base; 'vaporizer_linearize', base; ...
                 'vaporizer_step', [base, {2, 1e-7, 1e-10 * [1 1 1 1 1 1 2 300]', 0.5, 1e-3}]; ...
                 'Transmit', t; 'murtal', {sparse([0; 1; 1; 0; 1]), 3, [3; 1; 2.9; 0; 1]}};
  classes = {'single', 'int32', 'logical', 'complex', 'sparse'};
  class_cases = cell(0, 7);  % function, input, class, value, output, identifier, message
  for f = 1:rows(class_calls)
    for position = 1:numel(class_calls{f, 2})
      for c = 1:numel(classes)
        args = class_calls{f, 2};
        args{position} = in_class(args{position}, classes{c});
        if strcmp(class_calls{f, 1}, 'vaporizer_step')
          args = [args(1:26), {cell2struct(args(27:30)', {'RelTol'; 'AbsTol'; 'MaxStep'; 'InitialStep'}, 1)}];
        end
        first = {[], '', ''};
        try
          out = cell(1, outputs.(class_calls{f, 1}));
          [out{:}] = feval(class_calls{f, 1}, args{:});
          first{1} = out{1};
        catch err
          first(2:3) = {err.identifier, regexprep(err.message, '^\w+: ', '', 'once')};
        end
        class_cases(end + 1, :) = [class_calls(f, 1), {position, classes{c}, ...
                                   in_class(class_calls{f, 2}{position}, classes{c})}, first];
      end
    end
  end

  save('-v7', file, 'vap_in', 'vap_out', 'lin_out', 'selection', 'sens_out', 'base', 'step_in', 'step_interval', 'step_options', ...
       'step_out', 'tr_in', 'tr_out', 'mu_in', 'mu_out', 'errors', 'class_calls', 'class_cases', ...
       'example_parameters', ...
       'rest_state', 'rest_heat', 'rest_vapour', 'loop_states', 'loop_measured', 'loop_manipulated');
end

function c = with(c, k, value)
  c{k} = value;
end

% A value in another class: its real part and 1i for complex.
function v = in_class(v, name)
  switch name
    case 'complex'
      v = full(v) + 1i;
    case 'sparse'
      v = sparse(full(v));
    otherwise
      v = feval(name, full(v));
  end
end
