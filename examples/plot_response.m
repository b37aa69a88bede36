function plot_response(png, minutes, states, measured, setpoints, manipulated, pressure, vapour_comp, names, step_minute)
%PLOT_RESPONSE  Draw the closed-loop response of the vaporizer example to PNG.
%   Columns of MEASURED, SETPOINTS: level, temperature; of MANIPULATED:
%   vapour draw, heat input. Needs no display: Octave draws through
%   gnuplot into an invisible figure, which works with or without a window
%   system, where Octave's own toolkits need one.

  if exist('OCTAVE_VERSION', 'builtin') && any(strcmp(available_graphics_toolkits(), 'gnuplot'))
    warning('off', 'Octave:gnuplot-graphics');
    graphics_toolkit('gnuplot');
  end
  figure_handle = figure('visible', 'off', 'position', [0 0 1200 1000]);
  ends = minutes([1 end]);

  % Each loop: its variable, true and transmitted, against the setpoint,
  % and its controller's output below it.
  loops = {'liquid level / m', 'Liquid level (grey line: liquid feed steps up 20 %)', 7, ...
           'northeast', 'vapour draw / (mol/s)', 'Level controller output: vapour draw'; ...
           'temperature / degC', 'Liquid temperature', 8, ...
           'southeast', 'heat input / kW', 'Temperature controller output: heat input'};
  for k = 1:2
    [variable, heading, element, corner, output, output_heading] = loops{k, :};
    panel(2 * k - 1);
    plot(minutes, states(:, element), 'b-', 'linewidth', 2, minutes, measured(:, k), 'r--', ...
         'linewidth', 1.5, ends, setpoints([k k]), 'k:');
    ylabel(variable);
    legend('true', 'transmitted', 'setpoint', 'location', corner);
    title(heading);
    mark_step(step_minute);

    panel(2 * k);
    plot(minutes, manipulated(:, k), 'b-', 'linewidth', 2);
    ylabel(output);
    title(output_heading);
    mark_step(step_minute);
  end

  panel(5);
  plot(minutes, pressure, 'b-', 'linewidth', 2);
  ylabel('pressure / kPa');
  title('Bubble-point pressure');
  mark_step(step_minute);

  % The vapour is mostly cyclohexane; its change shows best against the
  % steady state, with the steady-state mole-% in the legend.
  panel(6);
  initial = vapour_comp(1, :);
  colours = [0 0.45 0.74; 0.85 0.33 0.1; 0.93 0.69 0.13; 0 0 0; ...
             0.47 0.67 0.19; 0.3 0.75 0.93; 0.75 0 0.75];
  hold on;
  for i = 1:numel(names)
    plot(minutes, 100 * (vapour_comp(:, i) - initial(i)), 'color', colours(i, :), 'linewidth', 1.5);
  end
  hold off;
  ylabel('change / mol-%');
  labels = cellfun(@(name, y) sprintf('%s (%.2f at start)', name, 100 * y), names(:)', ...
                   num2cell(initial), 'UniformOutput', false);
  legend(labels, 'location', 'eastoutside');
  title('Equilibrium vapour composition, change from steady state');
  mark_step(step_minute);

  print(figure_handle, png, '-dpng', '-r90');
  close(figure_handle);
end

function panel(index)
  subplot(3, 2, index);
end

function mark_step(step_minute)
  % Called after plotting, which resets the axes: labels the time axis and
  % marks the feed step with a thin grey line across the axes.
  grid on;
  set(gca, 'gridlinestyle', ':');
  xlabel('time / min');
  limits = ylim();
  line([step_minute step_minute], limits, 'color', [0.6 0.6 0.6]);
  ylim(limits);
end
