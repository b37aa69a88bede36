function [ds, level, y, temperature, pressure] = vaporizer_reference(s, V, Q, F1, z1, T1, ...
    F2, z2, T2, A, WV, WE, M, rho, e, ca, cb, cva, cvb, anta, antb, antc, R, df, T0)
%VAPORIZER_REFERENCE  The vaporizer's equations in plain m-code.
%   [DSTATE, LEVEL, Y, TEMPERATURE, PRESSURE] = VAPORIZER_REFERENCE(...)
%   takes the 25 inputs of VAPORIZER and returns what it returns, bit for
%   bit: scalar m-code, one operation at a time in the model's order, sums
%   in index order, and T^2 of a scalar, which calls the C library's pow as
%   the module does (the element-wise square of an array would not). Slow,
%   but every step of the model can be read, changed and stepped through
%   here. Scalars must be 1-by-1 and arrays of the lengths VAPORIZER's help
%   gives (longer ones keep their shape, as the module's outputs do); no
%   input is checked.
%   Each operation is analytic, so complex inputs give complex-step
%   derivatives: the imaginary part of the outputs at x + 1i*h, over h, is
%   the derivative by x, exact to rounding for h = 1e-100.
%
%   Example: the module against its reference at the example plant
%     p = cyclohexane_vaporizer_parameters();
%     c = vaporizer_inputs(p, [0.0054; 0.0153; 0.0113; 0.0650; 0.0339; ...
%                              0.0855; 1.0; 100], 12, 302.3, p.feed2_flow);
%     [ds, level, y, T, P] = vaporizer(c{:});
%     [ds2, level2, y2, T2, P2] = vaporizer_reference(c{:});
%     isequal([ds; level; y; T; P], [ds2; level2; y2; T2; P2])   % true
%
%   See also vaporizer, vaporizer_linearize.
  x = [s(1), s(2), s(3), 1 - (s(1) + s(2) + s(3) + s(4) + s(5) + s(6)), s(4), s(5), s(6)];
  L = s(7);
  T = s(8);
  v = 0;
  for k = 1:7
    v = v + x(k) * M(k) / rho(k);
  end
  c = df / v;
  W = L * A;
  [~, H1] = enthalpies(z1, T1, M, e, ca, cb, cva, cvb);
  [H2, ~] = enthalpies(z2, T2, M, e, ca, cb, cva, cvb);

  den = R * (T + T0);
  lambda = zeros(1, 49);
  for ij = 1:49
    lambda(ij) = WV(ij) * exp(-WE(ij) / den);
  end
  S = zeros(1, 7);
  for i = 0:6
    for j = 0:6
      S(i + 1) = S(i + 1) + lambda(i * 7 + j + 1) * x(j + 1);
    end
  end
  gamma = zeros(1, 7);
  for i = 0:6
    U = 0;
    for k = 0:6
      U = U + (lambda(k * 7 + i + 1) / S(k + 1)) * x(k + 1);
    end
    gamma(i + 1) = exp((1 - log(S(i + 1))) - U);
  end

  Ps = zeros(1, 7);
  for k = 1:7
    Ps(k) = exp(anta(k) + antb(k) / (T + antc(k)));
  end
  pressure = 0;
  for k = 1:7
    pressure = pressure + x(k) * Ps(k) * gamma(k);
  end
  yk = zeros(1, 7);
  for k = 1:7
    yk(k) = x(k) * Ps(k) * gamma(k) / pressure;
  end
  [hL, ~] = enthalpies(x, T, M, e, ca, cb, cva, cvb);
  [~, HV] = enthalpies(yk, T, M, e, ca, cb, cva, cvb);
  Cp = 0;
  for k = 1:7
    Cp = Cp + x(k) * M(k) * (ca(k) + cb(k) * T);
  end
  N = (F1 + F2) - V;
  dx = zeros(1, 7);
  for k = 1:7
    dx(k) = ((F1 * z1(k) + F2 * z2(k)) - V * yk(k) - x(k) * N) / c / W;
  end
  dL = N / c / A;
  dT = ((F1 * (H1 - hL) + F2 * (H2 - hL)) - V * (HV - hL) + Q) / (c * W) / Cp;

  % Outputs take the shapes the module gives them.
  ds = zeros(size(s));
  ds(1:8) = [dx(1), dx(2), dx(3), dx(5), dx(6), dx(7), dL, dT];
  level = s(7);
  y = zeros(size(z1));
  y(1:7) = yk;
  temperature = s(8);
end

function [sumL, sumV] = enthalpies(w, T, M, e, a, b, c, d)
  sumL = 0;
  sumV = 0;
  for k = 1:7
    Tsq = T^2;
    hL = (a(k) * T + (0.5 * b(k)) * Tsq) * M(k);
    hV = (c(k) * T + (0.5 * d(k)) * Tsq) * M(k) + e(k);
    sumL = sumL + w(k) * hL;
    sumV = sumV + w(k) * hV;
  end
end
