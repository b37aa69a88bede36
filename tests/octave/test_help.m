% help prints each module's text from the .m file beside the compiled module.

expected = {'vaporizer', 'VAPORIZER  Right-hand side of a seven-component vaporizer'
            'Transmit', 'TRANSMIT  One time step of a transmission element'
            'murtal', 'MURTAL  Count the stored entries of a sparse column per cluster'};
if exist('vaporizer_step') == 3
  expected(end + 1, :) = {'vaporizer_step', 'VAPORIZER_STEP  Advance the vaporizer over one interval'};
end
if exist('vaporizer_linearize') == 3
  expected(end + 1, :) = {'vaporizer_linearize', 'VAPORIZER_LINEARIZE  Linear model of the vaporizer'};
end
for i = 1:size(expected, 1)
  name = expected{i, 1};
  % The help file sits beside the module itself, not elsewhere on the path.
  [module_dir, ~, extension] = fileparts(which(name));
  assert(strcmp(extension, ['.' mexext()]), '%s resolves to %s', name, which(name));
  assert(exist(fullfile(module_dir, [name '.m']), 'file') == 2, 'no help file beside %s', name);
  text = help(name);
  assert(~isempty(strfind(text, expected{i, 2})), 'help %s does not start as expected:\n%s', name, text);
  % Every help text documents its errors and gives an example.
  assert(~isempty(strfind(text, 'Errors')) && ~isempty(strfind(text, 'Example')), ...
         'help %s lacks its error list or example', name);
  printed = evalc(['help ' name]);
  assert(~isempty(strfind(printed, expected{i, 2})), 'help %s printed:\n%s', name, printed);
end

% The options and statistics in vaporizer_step's interface table, which the
% gateway and the Python binding read, are all described in its help.
tables = fullfile(getenv('MEX_SUITE_BUILD_DIR'), 'tests', 'octave', 'interface_tables');
if exist('vaporizer_step') == 3 && exist(tables, 'file')
  [status, listing] = system(tables);
  assert(status == 0, 'interface_tables failed');
  text = help('vaporizer_step');
  entries = regexp(strtrim(listing), '\n', 'split');
  described = 0;
  for i = 1:numel(entries)
    words = strsplit(entries{i}, ' ');
    if strcmp(words{1}, 'vaporizer_step') && any(strcmp(words{2}, {'option', 'statistic'}))
      assert(~isempty(regexp(text, ['\<' words{3} '\>'], 'once')), ...
             'help vaporizer_step does not describe %s %s', words{2}, words{3});
      described = described + 1;
    end
  end
  assert(described == 11, 'expected 5 options and 6 statistics, found %d', described);
end
