function [state, args] = random_vaporizer_arguments(props)
%RANDOM_VAPORIZER_ARGUMENTS  A realistic vaporizer call in which every input
%   moves: a state (the dependent fraction at least 0.1), flows, heat input,
%   feed temperatures and compositions, area, the property vectors of PROPS
%   within 20 % (Antoine A within 2 %, Wilson diagonals kept), R, density
%   factor and T0. ARGS are the 24 inputs after the state, PROPS the last 15
%   of them. Draws from rand, which the caller seeds.
  between = @(lo, hi, varargin) lo + (hi - lo) * rand(varargin{:});
  state = [between(0, 0.15, 6, 1); between(0.3, 2.5); between(20, 170)];
  scale = @(v, spread) v .* between(1 - spread, 1 + spread, size(v));
  off_diagonal = ~eye(7);
  for w = 1:2
    props{w}(off_diagonal) = scale(props{w}(off_diagonal), 0.2);
  end
  for p = [3:9, 11:12]
    props{p} = scale(props{p}, 0.2);
  end
  props{10} = scale(props{10}, 0.02);
  props(13:15) = {between(1.98, 8.32), between(0.5, 2), between(250, 300)};
  args = {between(0.5, 8), between(0, 4e5), between(0.5, 10), composition(between), ...
          between(20, 150), between(0.5, 10), composition(between), between(20, 150), ...
          between(0.5, 3), props{:}};
end

function z = composition(between)
  z = between(0.02, 1, 7, 1);
  z = z / sum(z);
end
