function c = vaporizer_inputs(p, state, vapour, heat, feed2)
%VAPORIZER_INPUTS  The 25 inputs of vaporizer for the example plant.
%   C = VAPORIZER_INPUTS(P, STATE, VAPOUR, HEAT, FEED2) is a cell array of
%   the inputs in vaporizer's order, from the property set P (see
%   CYCLOHEXANE_VAPORIZER_PARAMETERS), the state, the vapour draw, the heat
%   input and the liquid feed flow; the rest comes from P. Then
%       ds = vaporizer(C{:});  s = vaporizer_step(C{:}, 2);

  c = {state, vapour, heat, p.feed1_flow, p.feed1_comp, p.feed1_temp, feed2, p.feed2_comp, ...
       p.feed2_temp, p.area, p.wilson_volume, p.wilson_energy, p.molar_mass, p.density, ...
       p.enthalpy_offset, p.cp_liquid_a, p.cp_liquid_b, p.cp_vapour_a, p.cp_vapour_b, ...
       p.antoine_a, p.antoine_b, p.antoine_c, p.gas_constant, p.density_factor, ...
       p.temperature_offset};
end
