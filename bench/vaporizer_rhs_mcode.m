function [derivatives, level, vapour_comp, temperature, pressure] = vaporizer_rhs_mcode( ...
    state, vapour_flow, heat_input, feed1_flow, feed1_comp, feed1_temp, ...
    feed2_flow, feed2_comp, feed2_temp, area, wilson_volume, wilson_energy, ...
    molar_mass, density, enthalpy_offset, cp_liquid_a, cp_liquid_b, ...
    cp_vapour_a, cp_vapour_b, antoine_a, antoine_b, antoine_c, ...
    gas_constant, density_factor, temperature_offset)
  % The vaporizer right-hand side as a user would write it in vectorised
  % m-code for a model of their own: the whole-call benchmark's peer for the
  % vaporizer module, with the same 25 inputs and 5 outputs. Like such a
  % user it takes the state and every per-component input as columns and
  % the Wilson matrices as 7-by-7 (column i forms component i's sum). It is
  % kept lean on purpose: every operation costs the interpreter about a
  % microsecond, and a slow peer would flatter the module. It agrees with
  % the module to rounding; sum() and matrix products order the sums their
  % own way.
  x = [state(1:3); 1 - sum(state(1:6)); state(4:6)];
  level = state(7);
  temperature = state(8);
  T = temperature;
  c = density_factor / sum(x .* molar_mass ./ density);
  W = level * area;

  Lambda = wilson_volume .* exp(-wilson_energy / (gas_constant * (T + temperature_offset)));
  S = Lambda.' * x;
  gamma = exp(1 - log(S) - Lambda * (x ./ S));
  partial = x .* exp(antoine_a + antoine_b ./ (T + antoine_c)) .* gamma;
  pressure = sum(partial);
  y = partial / pressure;

  hL = x.' * ((cp_liquid_a * T + 0.5 * cp_liquid_b * T^2) .* molar_mass);
  HV = y.' * ((cp_vapour_a * T + 0.5 * cp_vapour_b * T^2) .* molar_mass + enthalpy_offset);
  H1 = feed1_comp.' * ((cp_vapour_a * feed1_temp + 0.5 * cp_vapour_b * feed1_temp^2) ...
                       .* molar_mass + enthalpy_offset);
  H2 = feed2_comp.' * ((cp_liquid_a * feed2_temp + 0.5 * cp_liquid_b * feed2_temp^2) .* molar_mass);
  Cp = x.' * (molar_mass .* (cp_liquid_a + cp_liquid_b * T));

  net_inflow = (feed1_flow + feed2_flow) - vapour_flow;
  dx = ((feed1_flow * feed1_comp + feed2_flow * feed2_comp) - vapour_flow * y - x * net_inflow) / c / W;
  dT = ((feed1_flow * (H1 - hL) + feed2_flow * (H2 - hL)) - vapour_flow * (HV - hL) + heat_input) ...
       / (c * W) / Cp;
  derivatives = [dx([1 2 3 5 6 7]); net_inflow / c / area; dT];
  vapour_comp = y;
end
