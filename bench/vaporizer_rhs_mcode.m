function [derivatives, level, vapour_comp, temperature, pressure] = vaporizer_rhs_mcode( ...
    state, vapour_flow, heat_input, feed1_flow, feed1_comp, feed1_temp, ...
    feed2_flow, feed2_comp, feed2_temp, area, wilson_volume, wilson_energy, ...
    molar_mass, density, enthalpy_offset, cp_liquid_a, cp_liquid_b, ...
    cp_vapour_a, cp_vapour_b, antoine_a, antoine_b, antoine_c, ...
    gas_constant, density_factor, temperature_offset)
  % The vaporizer right-hand side as a user would write it in vectorised
  % m-code: the whole-call benchmark's peer for the vaporizer module, with
  % the same 25 inputs and 5 outputs. It agrees with the module to rounding;
  % sums are formed by sum() and matrix products, so the order differs.
  s = state(:);
  x = [s(1:3); 1 - sum(s(1:6)); s(4:6)];
  level = s(7);
  temperature = s(8);
  T = temperature;

  M = molar_mass(:);
  c = density_factor / sum(x .* M ./ density(:));
  W = level * area;

  % Wilson: column i of the 7-by-7 host matrices belongs to component i.
  Lambda = wilson_volume .* exp(-wilson_energy / (gas_constant * (T + temperature_offset)));
  S = Lambda.' * x;
  gamma = exp(1 - log(S) - Lambda * (x ./ S));

  Ps = exp(antoine_a(:) + antoine_b(:) ./ (T + antoine_c(:)));
  partial = x .* Ps .* gamma;
  pressure = sum(partial);
  y = partial / pressure;

  % Enthalpies per mole of each pure component on the two bases at T.
  h_liquid = @(t) (cp_liquid_a(:) * t + 0.5 * cp_liquid_b(:) * t^2) .* M;
  h_vapour = @(t) (cp_vapour_a(:) * t + 0.5 * cp_vapour_b(:) * t^2) .* M + enthalpy_offset(:);
  H1 = feed1_comp(:).' * h_vapour(feed1_temp);
  H2 = feed2_comp(:).' * h_liquid(feed2_temp);
  hL = x.' * h_liquid(T);
  HV = y.' * h_vapour(T);
  Cp = sum(x .* M .* (cp_liquid_a(:) + cp_liquid_b(:) * T));

  net_inflow = (feed1_flow + feed2_flow) - vapour_flow;
  dx = ((feed1_flow * feed1_comp(:) + feed2_flow * feed2_comp(:)) - vapour_flow * y ...
        - x * net_inflow) / c / W;
  dL = net_inflow / c / area;
  dT = ((feed1_flow * (H1 - hL) + feed2_flow * (H2 - hL)) - vapour_flow * (HV - hL) ...
        + heat_input) / (c * W) / Cp;

  derivatives = zeros(size(state));
  derivatives(1:8) = [dx([1 2 3 5 6 7]); dL; dT];
  vapour_comp = zeros(size(feed1_comp));
  vapour_comp(1:7) = y;
end
