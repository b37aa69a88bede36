function [p, rest] = example_plant_at_rest()
%EXAMPLE_PLANT_AT_REST  The example plant and its rest point, for the benchmarks.
%   [P, REST] = EXAMPLE_PLANT_AT_REST() puts examples/ on the path and
%   returns the cyclohexane vaporizer's property set and its rest point at
%   1 m and 100 degC (REST.state, REST.vapour, REST.heat), as the demo uses
%   them.
  addpath(fullfile(fileparts(mfilename('fullpath')), '..', 'examples'));
  p = cyclohexane_vaporizer_parameters();
  [state, heat, vapour] = vaporizer_steady_state(p, 1.0, 100);
  rest = struct('state', state, 'vapour', vapour, 'heat', heat);
end
