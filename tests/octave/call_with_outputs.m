function outputs = call_with_outputs(fn, output_count, varargin)
%CALL_WITH_OUTPUTS  Call FN(VARARGIN{:}) asking for OUTPUT_COUNT outputs
%   (0 included) and return them in a cell array.
  outputs = cell(1, output_count);
  if output_count == 0
    fn(varargin{:});
  else
    [outputs{:}] = fn(varargin{:});
  end
end
