function outputs = call_all_modules(vaporizer_inputs, transmit_inputs, murtal_inputs)
%CALL_ALL_MODULES  The outputs of one call of each module, whichever
%   vaporizer, Transmit, murtal and vaporizer_step the path resolves to now
%   (the last only when one is built): 8 outputs, or 9 with vaporizer_step's
%   state after one time unit.
  outputs = cell(1, 8);
  [outputs{1:5}] = vaporizer(vaporizer_inputs{:});
  [outputs{6:7}] = Transmit(transmit_inputs{:});
  outputs{8} = murtal(murtal_inputs{:});
  if exist('vaporizer_step') == 3
    outputs{9} = vaporizer_step(vaporizer_inputs{:}, 1);
  end
end
