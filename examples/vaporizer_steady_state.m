function [state, heat, vapour] = vaporizer_steady_state(p, level, temperature)
%VAPORIZER_STEADY_STATE  Rest point of the example vaporizer.
%   [STATE, HEAT, VAPOUR] = VAPORIZER_STEADY_STATE(P, LEVEL, TEMPERATURE)
%   returns the state at which the vaporizer of the property set P (see
%   CYCLOHEXANE_VAPORIZER_PARAMETERS), fed at its design flows, rests at
%   LEVEL and TEMPERATURE: the vapour draw VAPOUR takes all that comes in,
%   and fsolve finds the liquid composition and the heat input HEAT that
%   hold it there. Needs vaporizer on the path.

  vapour = p.feed1_flow + p.feed2_flow;
  guess = [0.5 * (p.feed1_comp + p.feed2_comp); 300];
  guess(4) = [];                 % cyclohexane is the dependent component
  options = optimset('TolFun', 1e-12, 'TolX', 1e-12, 'MaxIter', 400, 'Display', 'off');
  [solution, ~, flag] = fsolve(@(u) residual(u, p, level, temperature, vapour), guess, options);
  if flag <= 0
    error('vaporizer_steady_state:notFound', 'fsolve found no steady state (flag %d)', flag);
  end
  state = [solution(1:6); level; temperature];
  heat = solution(7);
end

function r = residual(u, p, level, temperature, vapour)
  % Unknowns: the six state mole fractions and the heat input; the
  % derivatives are scaled by the residence time so that all seven
  % residuals are of order one.
  state = [u(1:6); level; temperature];
  c = vaporizer_inputs(p, state, vapour, u(7), p.feed2_flow);
  [derivatives, ~, ~, ~, ~] = vaporizer(c{:});
  x = [state(1:3); 1 - sum(state(1:6)); state(4:6)];
  molar_density = 1 / sum(x .* p.molar_mass ./ p.density);
  residence = molar_density * level * p.area / vapour;
  r = derivatives([1:6 8]) * residence;
end
