function [state, heat, vapour] = vaporizer_steady_state(p, level, temperature)
%VAPORIZER_STEADY_STATE  Rest point of the example vaporizer.
%   [STATE, HEAT, VAPOUR] = VAPORIZER_STEADY_STATE(P, LEVEL, TEMPERATURE)
%   returns the state at which the vaporizer of the property set P (see
%   CYCLOHEXANE_VAPORIZER_PARAMETERS), fed at its design flows, rests at
%   LEVEL and TEMPERATURE: the vapour draw VAPOUR takes all that comes in,
%   and Newton's method on the model's exact Jacobian (vaporizer_linearize)
%   finds the liquid composition and the heat input HEAT that hold it there.
%   Needs vaporizer and vaporizer_linearize on the path.
%
%   Every operation is written out, the 7-by-7 elimination included, so
%   that examples/python/vaporizer_plant.py repeats it in the same order and
%   finds the same bits.

  vapour = p.feed1_flow + p.feed2_flow;
  u = [0.5 * (p.feed1_comp + p.feed2_comp); 300];
  u(4) = [];                     % cyclohexane is the dependent component
  % The unknowns are the six state mole fractions and the heat input; their
  % equations the derivatives of those fractions and of the temperature.
  equations = [1:6 8];
  for iteration = 1:50
    state = [u(1:6); level; temperature];
    c = vaporizer_inputs(p, state, vapour, u(7), p.feed2_flow);
    [derivatives, ~, ~, ~, ~] = vaporizer(c{:});
    [A, B] = vaporizer_linearize(c{:});
    % heat_input is the second element of vaporizer_linearize's inputs u.
    step = solve_by_elimination([A(equations, 1:6), B(equations, 2)], -derivatives(equations));
    u = u + step;
    if max(abs(step)) <= 1e-14 * max(abs(u))
      state = [u(1:6); level; temperature];
      heat = u(7);
      return;
    end
  end
  error('vaporizer_steady_state:notFound', 'Newton''s method found no steady state in %d steps', ...
        iteration);
end

function x = solve_by_elimination(M, b)
  % Gaussian elimination with partial pivoting (the first largest pivot),
  % then back substitution, one scalar operation at a time.
  n = numel(b);
  for k = 1:n
    [~, pivot] = max(abs(M(k:n, k)));
    pivot = pivot + k - 1;
    M([k pivot], :) = M([pivot k], :);
    b([k pivot]) = b([pivot k]);
    for i = k + 1:n
      factor = M(i, k) / M(k, k);
      for j = k + 1:n
        M(i, j) = M(i, j) - factor * M(k, j);
      end
      b(i) = b(i) - factor * b(k);
    end
  end
  x = zeros(n, 1);
  for i = n:-1:1
    total = b(i);
    for j = i + 1:n
      total = total - M(i, j) * x(j);
    end
    x(i) = total / M(i, i);
  end
end
