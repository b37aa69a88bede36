function [peak, peak_time, settling] = loop_response(t, controlled, setpoints, step_time)
%LOOP_RESPONSE  How a closed loop answered a step: [PEAK, PEAK_TIME, SETTLING].
%   For the sampled level and temperature (the columns of CONTROLLED at the
%   times T) against their SETPOINTS: the largest deviation after the step
%   at STEP_TIME and when it came, and the time after the step from which
%   level and temperature stay within 10 mm and 0.5 K (0: never left; NaN:
%   still outside at the end).
  after = t >= step_time;
  band = [0.01 0.5];
  deviation = controlled - setpoints;
  peak = zeros(1, 2);
  peak_time = zeros(1, 2);
  settling = zeros(1, 2);
  for i = 1:2
    [~, at] = max(abs(deviation(:, i)) .* after);
    peak(i) = deviation(at, i);
    peak_time(i) = t(at) - step_time;
    outside = find(abs(deviation(:, i)) > band(i) & after, 1, 'last');
    if isempty(outside)
      settling(i) = 0;
    elseif outside == numel(t)
      settling(i) = NaN;         % still outside the band at the end
    else
      settling(i) = t(outside + 1) - step_time;
    end
  end
end
