% The calibration example's replay of recorded inputs: at the plant's own
% properties it reproduces the closed loop's instruments bit for bit (the
% inputs held over the right intervals, the transmitters started and driven
% as the loop drives them), and its exact Jacobian agrees with central
% differences of whole replays, instrument by instrument. Both integrate
% tightly: at the loop's usual tolerances the difference quotients of the
% small entries are off by several percent.

addpath(fullfile(getenv('MEX_SUITE_SOURCE_DIR'), 'examples'));
p = cyclohexane_vaporizer_parameters();
[state0, heat0, vapour0] = vaporizer_steady_state(p, 1.0, 100);
settings = struct('horizon', 600, 'step_time', 60, 'tolerances', [1e-10 1e-12]);
run = level_control_loop(p, struct('state', state0, 'vapour', vapour0, 'heat', heat0), settings);
feed2 = p.feed2_flow * (1 + run.settings.feed_step * (run.t >= settings.step_time));
analysed = (1:30:numel(run.t))';
record = struct('t', run.t, 'sample', run.settings.sample, 'state', state0, ...
                'inputs', [run.manipulated(1:end - 1, :), feed2(1:end - 1)], ...
                'analysed', analysed, 'loops', {run.loops}, ...
                'options', odeset('RelTol', 1e-10, 'AbsTol', 1e-12));
aromatic = logical([0 0 1 0 0 1 0]);
pairs = find(aromatic(:) ~= aromatic(:)');
unknowns = struct('field', {'wilson_energy', 'cp_liquid_a', 'density'}, ...
                  'elements', {pairs, (1:7)', 5}, ...
                  'pattern', {ones(numel(pairs), 1), p.cp_liquid_a, p.density(5)});

prediction = calibration_replay(p, [600; 1; 1], unknowns, record);
assert(isequal(prediction, [run.measured(:); reshape(run.vapour_comp(analysed, :)', [], 1)]), ...
       'the replay differs from the closed loop it replays');

% Away from the plant's values, so that no derivative vanishes by symmetry.
theta = [650; 0.95; 1.02];
[prediction, jacobian] = calibration_replay(p, theta, unknowns, record);
for i = 1:numel(theta)
  h = 1e-3 * theta(i);
  up = theta;
  up(i) = up(i) + h;
  down = theta;
  down(i) = down(i) - h;
  difference = (calibration_replay(p, up, unknowns, record) - ...
                calibration_replay(p, down, unknowns, record)) / (2 * h);
  n = numel(run.t);
  for block = {1:n, n + 1:2 * n, 2 * n + 1:numel(prediction)}  % level, temperature, vapour
    error_norm = norm(jacobian(block{1}, i) - difference(block{1}));
    assert(error_norm < 1e-3 * norm(difference(block{1})), ...
           'unknown %d, rows %d on: the exact Jacobian is off by %g of its norm', i, ...
           block{1}(1), error_norm / norm(difference(block{1})));
  end
end

% One unknown alone, the others' values set as THETA sets them: the same
% column as among three, but for the integration's error, which the
% sensitivities of the others steer.
q = p;
q.wilson_energy(pairs) = theta(1);
q.density(5) = theta(3) * p.density(5);
[~, alone] = calibration_replay(q, theta(2), unknowns(2), record);
assert(norm(alone - jacobian(:, 2)) <= 1e-6 * norm(alone), 'one unknown alone differs by %g', ...
       norm(alone - jacobian(:, 2)) / norm(alone));

% A level that leaves the transmitter's span, where Transmit clips and the
% filtered derivative would be wrong, ends the replay: the feed step lifts
% it past a span that ends 1 cm above the start.
narrow = record;
narrow.loops{1}.span = [0, state0(7) + 0.01];
try
  calibration_replay(p, [600; 1; 1], unknowns, narrow);
  error('test:noError', 'a level outside the span was replayed');
catch failure
  assert(strcmp(failure.identifier, 'calibration_replay:outsideSpan'), failure.message);
end
