function ds = vaporizer_rhs(~, s, varargin)
%VAPORIZER_RHS  The state derivatives alone, in the form ODE solvers call.
  [ds, ~, ~, ~, ~] = vaporizer(s, varargin{:});
end
