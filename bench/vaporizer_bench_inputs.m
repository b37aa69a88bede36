function in = vaporizer_bench_inputs()
  % A seven-component holdup near its boiling point, in SI units with the
  % temperature in kelvin: the inputs of the whole-call benchmark, every
  % value plausible so that no infinity or NaN hides a slow path.
  in.state = [0.10; 0.15; 0.10; 0.15; 0.10; 0.10; 1.2; 360];   % x3 = 0.30
  in.vapour_flow = 2.0;
  in.heat_input = 1.5e5;
  in.feed1_flow = 1.5;
  in.feed1_comp = [0.20; 0.10; 0.10; 0.30; 0.10; 0.10; 0.10];
  in.feed1_temp = 380;
  in.feed2_flow = 1.0;
  in.feed2_comp = [0.05; 0.20; 0.15; 0.25; 0.15; 0.10; 0.10];
  in.feed2_temp = 330;
  in.area = 0.8;
  % Wilson matrices: column i forms component i's sum; unit diagonal of
  % the volume ratios, zero diagonal of the energies.
  volume = [1.00 0.62 0.81 1.35 0.70 0.55 0.91
            1.21 1.00 0.74 0.88 1.10 0.67 0.79
            0.93 1.17 1.00 0.71 0.84 1.26 0.58
            0.66 0.95 1.30 1.00 0.77 0.89 1.05
            1.12 0.73 0.86 1.19 1.00 0.64 0.97
            0.81 1.28 0.69 0.92 1.07 1.00 0.75
            0.99 0.85 1.14 0.68 0.90 1.23 1.00];
  energy = [   0  420  610  980  350  720  510
             380    0  450  830  560  640  290
             520  470    0  760  410  590  680
             900  810  700    0  950  880  770
             330  540  430  920    0  460  620
             690  610  570  850  480    0  530
             470  310  650  740  600  550    0];
  in.wilson_volume = volume;
  in.wilson_energy = energy;
  in.molar_mass = [0.032; 0.046; 0.060; 0.018; 0.074; 0.088; 0.102];
  in.density = [792; 789; 803; 997; 810; 815; 820];
  in.enthalpy_offset = [37.4e3; 42.3e3; 47.5e3; 45.1e3; 52.3e3; 55.8e3; 58.9e3];
  in.cp_liquid_a = [1850; 1720; 1980; 3500; 2050; 2120; 2200];
  in.cp_liquid_b = [2.1; 2.6; 2.4; 1.2; 2.3; 2.5; 2.7];
  in.cp_vapour_a = [ 820;  940; 1010; 1480; 1060; 1090; 1120];
  in.cp_vapour_b = [1.6; 1.8; 1.9; 0.5; 2.0; 2.1; 2.2];
  in.antoine_a = [23.48; 23.58; 22.44; 23.20; 21.82; 21.51; 21.13];
  in.antoine_b = [-3626; -3804; -3166; -3816; -2940; -2960; -2970];
  in.antoine_c = [-34.3; -41.7; -80.2; -46.1; -92.8; -101.6; -114.4];
  in.gas_constant = 8.314;
  in.density_factor = 1.0;
  in.temperature_offset = 0.0;
end
