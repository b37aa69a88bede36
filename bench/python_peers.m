function python_peers(build_dir, repetitions)
%PYTHON_PEERS  The Octave side of the Python rows of make bench (python_calls.py):
%   prints the median time of one vaporizer call on the example plant (over
%   REPETITIONS batches of 2000 calls) and the median wall time of the
%   example's hour of closed loop with vaporizer_step (level_control_loop's
%   own seconds, over 5 runs), in seconds, one per line.
  addpath(fullfile(build_dir, 'octave'));
  addpath(fullfile(fileparts(mfilename('fullpath')), '..', 'examples'));
  p = cyclohexane_vaporizer_parameters();
  state = [0.0054; 0.0153; 0.0113; 0.0650; 0.0339; 0.0855; 1.0; 100];
  c = vaporizer_inputs(p, state, 12, 302.3, 1.2 * p.feed2_flow);
  n = 2000;
  times = zeros(repetitions, 1);
  for rep = 1:repetitions
    t = tic;
    for i = 1:n
      [d, l, y, T, P] = vaporizer(c{:});
    end
    times(rep) = toc(t) / n;
  end
  [s, h, v] = vaporizer_steady_state(p, 1, 100);
  rest = struct('state', s, 'vapour', v, 'heat', h);
  hours = zeros(5, 1);
  level_control_loop(p, rest);
  for rep = 1:5
    run = level_control_loop(p, rest);
    hours(rep) = run.seconds;
  end
  printf('%.9g\n%.9g\n', median(times), median(hours));
end
