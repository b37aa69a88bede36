function outputs = call_all_modules(vaporizer_inputs, transmit_inputs, murtal_inputs)
%CALL_ALL_MODULES  The 8 outputs of one call of each module, whichever
%   vaporizer, Transmit and murtal the path resolves to now.
  outputs = cell(1, 8);
  [outputs{1:5}] = vaporizer(vaporizer_inputs{:});
  [outputs{6:7}] = Transmit(transmit_inputs{:});
  outputs{8} = murtal(murtal_inputs{:});
end
