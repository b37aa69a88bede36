% The example's property set through the module: each pure component boils
% at 101.325 kPa at its normal boiling point, the check on the conversion of
% the tabulated Antoine constants that the parameter file documents.

addpath(fullfile(getenv('MEX_SUITE_SOURCE_DIR'), 'examples'));
p = cyclohexane_vaporizer_parameters();
held = [1 2 3 5 6 7];                  % components whose fractions are states
for k = 1:7
  x = zeros(7, 1);
  x(k) = 1;
  state = [x(held); 1; p.normal_boiling_point(k)];
  [~, ~, y, ~, pressure] = vaporizer(state, 0, 0, 0, p.feed1_comp, 20, 0, p.feed2_comp, 20, ...
      p.area, p.wilson_volume, p.wilson_energy, p.molar_mass, p.density, p.enthalpy_offset, ...
      p.cp_liquid_a, p.cp_liquid_b, p.cp_vapour_a, p.cp_vapour_b, ...
      p.antoine_a, p.antoine_b, p.antoine_c, p.gas_constant, p.density_factor, ...
      p.temperature_offset);
  assert(abs(pressure / 101.325 - 1) < 2e-3, '%s boils at %.3f kPa at %.2f degC', ...
         p.names{k}, pressure, p.normal_boiling_point(k));
  assert(abs(y(k) - 1) < 1e-12, '%s: vapour of a pure liquid is not pure', p.names{k});
end
