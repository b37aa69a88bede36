function [ratio, low, high] = interleaved_summary(numerator, denominator)
  % Median and quartiles of the per-repetition ratios numerator ./ denominator.
  % Both vectors hold one time per repetition, taken back to back in that
  % repetition, so a disturbance that slows one repetition slows both sides of
  % its ratio, and the median discards repetitions that it hit only on one side.
  r = sort(numerator(:) ./ denominator(:));
  ratio = median(r);
  low = quartile(r, 0.25);
  high = quartile(r, 0.75);
end

function q = quartile(sorted, p)
  % Linear interpolation between order statistics, as both hosts agree on.
  position = 1 + p * (numel(sorted) - 1);
  below = floor(position);
  above = min(below + 1, numel(sorted));
  q = sorted(below) + (position - below) * (sorted(above) - sorted(below));
end
