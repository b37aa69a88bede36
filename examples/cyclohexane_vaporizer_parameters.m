function p = cyclohexane_vaporizer_parameters()
%CYCLOHEXANE_VAPORIZER_PARAMETERS  Property set and plant data for the example.
%   P = CYCLOHEXANE_VAPORIZER_PARAMETERS() returns a struct whose fields carry
%   the names of the vaporizer inputs (see help vaporizer) for a crude
%   cyclohexane stream, as it leaves a benzene hydrogenation, fed to a
%   steam-heated vaporizer.
%
%   Units, one consistent set throughout:
%     amount of substance  mol          energy         kJ
%     time                 s            power          kW = kJ/s
%     temperature          degC (temperature_offset 273.15 gives kelvin)
%     length, area         m, m^2       pressure       kPa
%     molar mass           kg/mol       density        kg/m^3
%     heat capacity        kJ/(kg K)    enthalpy       kJ/mol
%   so molar_mass .* cp gives kJ/(mol K), molar_mass ./ density gives the
%   molar volume in m^3/mol, flows are mol/s and the heat input is in kW.
%   The Wilson energies are in J/mol, matching gas_constant in J/(mol K).
%
%   Components, in the order of every per-component input (the dependent
%   component, whose mole fraction is not a state, is number 4, the main
%   product cyclohexane):
%     1 n-pentane  2 n-hexane  3 benzene  4 cyclohexane
%     5 n-heptane  6 toluene   7 n-octane
%
%   Sources and how good the numbers are:
%   - Antoine constants: ln(P/mmHg) = ANTA - ANTB/(T/K + ANTC), the
%     natural-log constants tabulated in R. C. Reid, J. M. Prausnitz,
%     T. K. Sherwood, "The Properties of Gases and Liquids", 3rd ed.,
%     McGraw-Hill 1977, Appendix A. They are converted below, exactly, to
%     the form the module evaluates, ln(P/kPa) = A + B/(T/degC + C). The
%     conversion is checked: with the constants below each component boils
%     at 101.325 kPa within 0.05 K of its normal boiling point in the table.
%   - Molar masses from the formulae with standard atomic weights; liquid
%     densities at 20 degC and enthalpies of vaporisation at the normal
%     boiling point are rounded handbook values.
%   - Heat capacities are round values of the size found in handbooks
%     (liquid and ideal gas near 25 degC, with a typical rise per kelvin);
%     they are good to a few percent, enough for dynamics, not for design.
%   - Wilson parameters: wilson_volume holds the molar-volume ratios
%     v_j / v_i of Wilson's equation, from the molar masses and densities
%     here; wilson_energy is zero between two saturated or two aromatic
%     components and 600 J/mol between an aromatic and a saturated one.
%     That value is illustrative, not fitted to data: it gives infinite-
%     dilution activity coefficients of 1.15 to 1.47 for the aromatic /
%     saturate pairs at 100 degC, and 0.91 to 1 (the volume ratios alone)
%     between saturated components. Replace it with regressed parameters for
%     any real design.

  p.names = {'n-pentane', 'n-hexane', 'benzene', 'cyclohexane', ...
             'n-heptane', 'toluene', 'n-octane'};
  aromatic = logical([0 0 1 0 0 1 0]);

  % Per component:  M / (kg/mol)  rho / (kg/m^3)  ANTA  ANTB  ANTC  Tb / degC  dHvap(Tb) / (kJ/mol)
  data = [
    0.072151  626  15.8333  2477.07  -39.94   36.07  25.79   % n-pentane    C5H12
    0.086178  659  15.8366  2697.55  -48.78   68.73  28.85   % n-hexane     C6H14
    0.078114  876  15.9008  2788.51  -52.36   80.09  30.72   % benzene      C6H6
    0.084162  779  15.7527  2766.63  -50.50   80.74  29.97   % cyclohexane  C6H12
    0.100205  684  15.8737  2911.32  -56.51   98.43  31.77   % n-heptane    C7H16
    0.092141  867  16.0137  3096.52  -53.67  110.63  33.18   % toluene      C7H8
    0.114232  703  15.9426  3120.29  -63.63  125.68  34.41   % n-octane     C8H18
  ];
  p.molar_mass = data(:, 1);
  p.density = data(:, 2);
  p.normal_boiling_point = data(:, 6);

  % ln(P/kPa) = ln(P/mmHg) + ln(101.325/760); T/K = T/degC + 273.15.
  p.temperature_offset = 273.15;
  p.antoine_a = data(:, 3) + log(101.325 / 760);
  p.antoine_b = -data(:, 4);
  p.antoine_c = data(:, 5) + p.temperature_offset;

  % Heat capacity per unit mass, cp(T) = a + b*T with T in degC, kJ/(kg K).
  % Liquid near 25 degC: pentane 2.32, hexane 2.27, benzene 1.74,
  % cyclohexane 1.85, heptane 2.24, toluene 1.71, octane 2.23.
  cp_liquid_25 = [2.32; 2.27; 1.74; 1.85; 2.24; 1.71; 2.23];
  p.cp_liquid_b = 0.0040 * ones(7, 1);
  p.cp_liquid_b(aromatic) = 0.0030;
  p.cp_liquid_a = cp_liquid_25 - 25 * p.cp_liquid_b;
  % Ideal gas near 25 degC.
  cp_vapour_25 = [1.66; 1.66; 1.05; 1.26; 1.66; 1.12; 1.65];
  p.cp_vapour_b = 0.0035 * ones(7, 1);
  p.cp_vapour_b(aromatic) = 0.0032;
  p.cp_vapour_a = cp_vapour_25 - 25 * p.cp_vapour_b;

  % The vapour-basis offset is the enthalpy of vaporisation at 0 degC. It is
  % chosen so that the model's vapour minus liquid enthalpy of each pure
  % component equals its enthalpy of vaporisation at the normal boiling point.
  tb = p.normal_boiling_point;
  sensible_difference = p.molar_mass .* ((p.cp_vapour_a - p.cp_liquid_a) .* tb ...
                        + 0.5 * (p.cp_vapour_b - p.cp_liquid_b) .* tb.^2);
  p.enthalpy_offset = data(:, 7) - sensible_difference;

  % Wilson: Lambda(i,j) = (v_j / v_i) * exp(-(lambda_ij - lambda_ii) / (R T)).
  % The module reads flat element i*7+j (zero-based) as the pair (i, j),
  % which is row j+1, column i+1 of the 7-by-7 matrix handed over: column i
  % forms component i's sum, row j weights component j's mole fraction.
  p.gas_constant = 8.314462618;                  % J/(mol K)
  molar_volume = p.molar_mass ./ p.density;      % m^3/mol
  p.wilson_volume = molar_volume * (1 ./ molar_volume)';   % row j, column i: v_j / v_i
  p.wilson_energy = 600 * double(aromatic(:) ~= aromatic(:)');  % J/mol, symmetric here
  p.density_factor = 1;                          % molar density = 1 / molar volume

  % The plant: a vertical vessel of 1.24 m diameter, level span 0 to 2 m.
  p.area = 1.2;                                  % m^2
  % Feed 1: vapour from the reactor's flash drum, on the vapour basis.
  p.feed1_flow = 4.0;                            % mol/s
  p.feed1_comp = [0.040; 0.030; 0.010; 0.880; 0.025; 0.005; 0.010];
  p.feed1_temp = 120;                            % degC
  % Feed 2: cooled liquid product, on the liquid basis.
  p.feed2_flow = 8.0;                            % mol/s
  p.feed2_comp = [0.010; 0.020; 0.020; 0.850; 0.050; 0.030; 0.030];
  p.feed2_temp = 45;                             % degC
end
