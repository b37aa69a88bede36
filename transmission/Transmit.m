%TRANSMIT  One time step of a transmission element: span, dead time, lags.
%   [NEW_DELAY_LINE, NEW_LAG_STATES] = TRANSMIT(NEW_VALUE, DELAY_LINE,
%       LAG_STATES, DELAY_TIME, TIME_CONSTANT, DELAY_LENGTH, STAGE_COUNT,
%       TIME_STEP, RANGE_LOW, RANGE_HIGH)
%   turns NEW_VALUE into its fraction of the span RANGE_LOW .. RANGE_HIGH,
%   clips it to 0 .. 1, pushes it into a shift-register delay line and drives
%   a chain of first-order lag stages with the delayed value, each stage
%   advanced by one explicit Euler step of size TIME_STEP.
%
%   TRANSMIT keeps no state of its own: feed NEW_DELAY_LINE and
%   NEW_LAG_STATES back in as DELAY_LINE and LAG_STATES on the next call.
%
%   One step, in this order (L = DELAY_LENGTH, n = STAGE_COUNT,
%   T = TIME_CONSTANT, h = TIME_STEP, cells and stages counted from 0):
%     1. If DELAY_TIME >= 1e-4 the line advances: new cell j = old cell j-1
%        for j = L-1 .. 1, the old cell L-1 drops out. Otherwise (NaN too)
%        cells 1 and up of the new line are 0.
%     2. Cell 0 = (NEW_VALUE - RANGE_LOW) / (RANGE_HIGH - RANGE_LOW), then
%        set to 0 if below 0 and to 1 if above 1; NaN stays NaN.
%     3. The delayed signal u is new cell L-1 (with L = 1, this step's
%        fraction), so a value emerges L-1 calls after it went in.
%     4. If T > 1e-4, stage i becomes x(i) + ((v - x(i)) / T) * h, where x
%        are LAG_STATES and v is u for stage 0 and the previous call's state
%        x(i-1) of the stage before otherwise. If T <= 1e-4 (NaN too), every
%        stage becomes u.
%   Cells from L on and stages from n on are 0 in the outputs.
%
%   Inputs
%     NEW_VALUE      raw value of this step
%     DELAY_LINE     dense double array of at least L elements; cell 0 newest
%     LAG_STATES     dense double array of at least n elements (may be empty
%                    when n <= 0)
%     DELAY_TIME     the line advances only when it is at least 1e-4
%     TIME_CONSTANT  time constant of every lag stage, in TIME_STEP's unit
%     DELAY_LENGTH   cells in use, truncated toward zero (3.7 acts as 3);
%                    at most numel(DELAY_LINE), and at least 1 when
%                    STAGE_COUNT is 1 or more (without stages no delayed
%                    cell is read, so 0 or less is fine). A dead time of
%                    theta sampled every TIME_STEP needs theta/TIME_STEP + 1
%                    cells
%     STAGE_COUNT    stages updated, truncated toward zero; 0 or less
%                    updates none; at most numel(LAG_STATES)
%     TIME_STEP      Euler step size h; the lags are stable for h < 2 T
%     RANGE_LOW      value that maps to 0
%     RANGE_HIGH     value that maps to 1 (below RANGE_LOW: a falling scale)
%   Scalar inputs may be numeric (complex: the real part), logical or char,
%   and a 1-by-1 sparse value; only the first element of a longer array counts.
%
%   Outputs
%     NEW_DELAY_LINE  same size as DELAY_LINE
%     NEW_LAG_STATES  same size as LAG_STATES
%
%   Errors (checked in this order, inputs in position order)
%     'inputs not correct'       not exactly ten inputs
%     'outputs not correct'      not exactly two outputs requested
%     Transmit:notNumericScalar  a scalar input is empty, of a class without
%                                numbers (cell, struct, ...), or sparse with
%                                more than one element
%     Transmit:notDenseDouble    DELAY_LINE or LAG_STATES is not a dense double array
%     Transmit:tooShort          DELAY_LINE is empty
%     Transmit:countNotInt32     DELAY_LENGTH or STAGE_COUNT is NaN, infinite,
%                                or does not truncate into 32-bit integers
%     Transmit:badDelayLength    DELAY_LENGTH truncates above numel(DELAY_LINE),
%                                or below 1 while STAGE_COUNT is 1 or more
%     Transmit:tooManyStages     STAGE_COUNT truncates above numel(LAG_STATES)
%   A message with an identifier names the input by position and name, e.g.
%   'input 7 (stage_count) must truncate to at most 1, the elements of
%   input 3 (lag_states); it truncates to 3'.
%
%   Example: a 4-20 mA transmitter with 5 steps of dead time and two lags
%     h = 0.1;  L = 6;  n = 2;
%     line = zeros(L, 1);  lags = zeros(n, 1);
%     reading = zeros(1, 50);
%     for k = 1:50
%       current = 4 + 16 * (k >= 10);            % a step at call 10
%       [line, lags] = Transmit(current, line, lags, 0.5, 0.3, L, n, h, 4, 20);
%       reading(k) = lags(end);                  % end of the lag chain
%     end
%     % The step reaches the end of the line L-1 = 5 calls late (call 15),
%     % where it moves the first lag; the second lag follows one call later:
%     % reading(15) is 0, reading(16) is 1/9, and reading approaches 1.

% This file holds the help text; the function itself is the compiled module
% Transmit.mex beside it.
error('Transmit:notBuilt', 'Transmit: the compiled module is missing; build it first.');

%!test
%! ## The example above.
%! h = 0.1;  L = 6;  n = 2;
%! line = zeros (L, 1);  lags = zeros (n, 1);
%! reading = zeros (1, 20);
%! for k = 1:20
%!   [line, lags] = Transmit (4 + 16 * (k >= 10), line, lags, 0.5, 0.3, L, n, h, 4, 20);
%!   reading(k) = lags(end);
%! endfor
%! assert (reading(1:15), zeros (1, 15));
%! assert (reading(16), 1/9, eps);

%!function [line, lags] = transmit_step (v, old_line, old_lags, delay_time, T, L, n, h, lo, hi)
%! ## One step in m-code, one operation at a time in the module's order:
%! ## the tests' one writing of the step (tests/octave/test_transmit.m runs
%! ## these self-tests against the module built there).
%! L = fix (L);
%! n = fix (n);
%! line = zeros (size (old_line));
%! lags = zeros (size (old_lags));
%! if (delay_time >= 1e-4)
%!   for j = L - 1:-1:1
%!     line(j + 1) = old_line(j);
%!   endfor
%! endif
%! line(1) = (v - lo) / (hi - lo);
%! if (line(1) < 0)
%!   line(1) = 0;
%! elseif (line(1) > 1)
%!   line(1) = 1;
%! endif
%! if (n <= 0)
%!   return;
%! endif
%! u = line(L);
%! for i = 1:n
%!   if (T > 1e-4)
%!     if (i == 1)
%!       in = u;
%!     else
%!       in = old_lags(i - 1);
%!     endif
%!     lags(i) = old_lags(i) + ((in - old_lags(i)) / T) * h;
%!   else
%!     lags(i) = u;
%!   endif
%! endfor
%!endfunction

%!test
%! ## Stepped runs bit for bit against the step in m-code, with columns and
%! ## with rows: values beyond the span, lines that advance or stand still,
%! ## lags bypassed or not, counts that truncate (stage counts of 0 or less
%! ## among them), random step sizes and spans.
%! rand ("seed", 42);
%! for shape = {[7, 1; 4, 1], [1, 7; 1, 4]}
%!   line = m_line = zeros (shape{1}(1, :));
%!   lags = m_lags = zeros (shape{1}(2, :));
%!   for k = 1:400
%!     args = {-5 + 30 * rand(), 0.1 * (rand() < 0.9), 0.01 + 2 * rand() * (rand() < 0.95), ...
%!             1 + 6.9 * rand(), -0.9 + 5.8 * rand(), 0.001 + 0.2 * rand(), 4 + rand(), 20 + rand()};
%!     [line, lags] = Transmit (args{1}, line, lags, args{2:end});
%!     [m_line, m_lags] = transmit_step (args{1}, m_line, m_lags, args{2:end});
%!     assert ({size(line), size(lags)}, {size(m_line), size(m_lags)});
%!     assert (typecast ([line(:); lags(:)], "uint64"), typecast ([m_line(:); m_lags(:)], "uint64"));
%!   endfor
%! endfor

%!error <inputs not correct> Transmit (1)
