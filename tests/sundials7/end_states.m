function end_states(file)
%END_STATES  Writes to FILE (Octave's binary format) the end states of
%   vaporizer_step over seeded random operating points, intervals from 0.1 s
%   to 1000 s and three tolerance settings, with whichever build of the
%   module is on the path: two builds that write the same bytes agree bit
%   for bit.
  p = cyclohexane_vaporizer_parameters();
  rest = [0.0054; 0.0153; 0.0113; 0.0650; 0.0339; 0.0855; 1.0; 100];
  rand('seed', 1);
  states = [];
  tolerances = {[], odeset('RelTol', 1e-8, 'AbsTol', 1e-10), odeset('RelTol', 1e-3, 'AbsTol', 1e-6)};
  for n = 1:30
    s = rest .* (1 + 0.2 * (rand(8, 1) - 0.5));
    c = vaporizer_inputs(p, s, 12 * (0.8 + 0.4 * rand), 302.3 * (0.8 + 0.4 * rand), ...
                         p.feed2_flow * (0.8 + 0.4 * rand));
    states = [states, vaporizer_step(c{:}, 10^(4 * rand - 1), tolerances{mod(n, 3) + 1})];
  end
  save('-binary', file, 'states');
end
