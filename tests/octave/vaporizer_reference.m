function [ds, level, y, temperature, pressure] = vaporizer_reference(s, V, Q, F1, z1, T1, ...
    F2, z2, T2, A, WV, WE, M, rho, e, ca, cb, cva, cvb, anta, antb, antc, R, df, T0)
%VAPORIZER_REFERENCE  The vaporizer equations in plain scalar m-code, one
%   operation at a time in the model's order, for bit-for-bit comparison.
%   Scalar T^2 calls the C library's pow here, as the module does; the
%   element-wise square of an array would not.
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
