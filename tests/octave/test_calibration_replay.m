% The calibration example's replay of recorded inputs: at the plant's own
% properties it reproduces the closed loop's instruments bit for bit (the
% inputs held over the right intervals, the transmitters started and driven
% as the loop drives them).

addpath(fullfile(getenv('MEX_SUITE_SOURCE_DIR'), 'examples'));
p = cyclohexane_vaporizer_parameters();
[state0, heat0, vapour0] = vaporizer_steady_state(p, 1.0, 100);
settings = struct('horizon', 600, 'step_time', 60);
run = level_control_loop(p, struct('state', state0, 'vapour', vapour0, 'heat', heat0), settings);
feed2 = p.feed2_flow * (1 + run.settings.feed_step * (run.t >= settings.step_time));
analysed = (1:30:numel(run.t))';
record = struct('t', run.t, 'sample', run.settings.sample, 'state', state0, ...
                'inputs', [run.manipulated(1:end - 1, :), feed2(1:end - 1)], ...
                'analysed', analysed, 'loops', {run.loops}, ...
                'options', odeset('RelTol', 1e-7, 'AbsTol', 1e-9));
aromatic = logical([0 0 1 0 0 1 0]);
pairs = find(aromatic(:) ~= aromatic(:)');
unknowns = struct('field', {'wilson_energy', 'cp_liquid_a', 'density'}, ...
                  'elements', {pairs, (1:7)', 5}, ...
                  'pattern', {ones(numel(pairs), 1), p.cp_liquid_a, p.density(5)});

prediction = calibration_replay(p, [600; 1; 1], unknowns, record);
assert(isequal(prediction, [run.measured(:); reshape(run.vapour_comp(analysed, :)', [], 1)]), ...
       'the replay differs from the closed loop it replays');
