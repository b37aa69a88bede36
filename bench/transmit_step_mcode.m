function [new_delay_line, new_lag_states] = transmit_step_mcode(new_value, delay_line, ...
    lag_states, delay_time, time_constant, delay_length, stage_count, time_step, ...
    range_low, range_high)
  % One Transmit step as a user would write it in m-code: the whole-call
  % benchmark's peer for the Transmit module, same inputs, same outputs.
  L = fix(delay_length);
  n = fix(stage_count);
  new_delay_line = zeros(size(delay_line));
  if delay_time >= 1e-4
    new_delay_line(2:L) = delay_line(1:L-1);
  end
  f = (new_value - range_low) / (range_high - range_low);
  if f < 0
    f = 0;
  elseif f > 1
    f = 1;
  end
  new_delay_line(1) = f;
  u = new_delay_line(L);

  new_lag_states = zeros(size(lag_states));
  if n >= 1
    if time_constant > 1e-4
      old = lag_states(1:n);
      old = old(:);
      stage_input = [u; old(1:n-1)];
      new_lag_states(1:n) = old + ((stage_input - old) / time_constant) * time_step;
    else
      new_lag_states(1:n) = u;
    end
  end
end
