% The prompt build script: builds every module into a folder of its
% own, copies the help files beside them, rebuilds nothing the second time,
% and the fresh modules give the same bits as the CMake-built ones.

source_dir = getenv('MEX_SUITE_SOURCE_DIR');
addpath(source_dir);
output_dir = tempname();
start_dir = pwd();
cleanup = onCleanup(@() cd(start_dir));

built = make_mex(output_dir);
% Every module of cmake/mex_modules.txt. One that needs a library beyond
% the host's (vaporizer_step: SUNDIALS) is found by make_mex where CMake
% found it.
entries = regexp(fileread(fullfile(source_dir, 'cmake', 'mex_modules.txt')), ...
              '^([A-Za-z]\w*)\s+(\S+)', 'tokens', 'lineanchors');
names = {};
for i = 1:numel(entries)
  [name, libraries] = entries{i}{:};
  if strcmp(libraries, '-') || ...
     exist(fullfile(getenv('MEX_SUITE_BUILD_DIR'), 'octave', [name '.mex']), 'file')
    names{end + 1} = name;
  end
end
assert(isequal(sort(built), sort(names)), 'built: %s', strjoin(built, ', '));
for i = 1:numel(names)
  assert(exist(fullfile(output_dir, [names{i} '.' mexext()]), 'file') == 3, '%s module missing', names{i});
  assert(exist(fullfile(output_dir, [names{i} '.m']), 'file') == 2, '%s help missing', names{i});
end
assert(isempty(make_mex(output_dir)), 'a second run rebuilt modules whose sources did not change');

% One call of each module with inputs that exercise every input.
rand('seed', 11);
state = [0.1; 0.05; 0.2; 0.1; 0.05; 0.1; 0.8; 85];
comp = [0.2; 0.1; 0.1; 0.3; 0.1; 0.1; 0.1];
vaporizer_inputs = {state, 3, 150, 2, comp, 90, 1, flipud(comp), 40, 1.5, ...
                    0.5 + rand(7), 400 * rand(7), 0.05 + 0.05 * rand(7, 1), 700 + 200 * rand(7, 1), ...
                    30 + rand(7, 1), 2 + rand(7, 1) / 10, 0.004 * ones(7, 1), 1.5 + rand(7, 1) / 10, ...
                    0.003 * ones(7, 1), 14 + rand(7, 1), -2800 - 300 * rand(7, 1), 220 + rand(7, 1), ...
                    8.314, 1, 273.15};
transmit_inputs = {7.5, [0.1; 0.2; 0.3; 0.4], [0.5; 0.25], 1, 3, 4, 2, 0.5, 0, 10};
murtal_inputs = {sparse([1; 0; 1; 1; 0; 1]), 3, [1 2 3 3 1 2]};

% The folder's own modules win over the path while it is the current folder.
% Loaded modules stay loaded across a change of folder: clear them first.
clear(names{:});
cd(output_dir);
for i = 1:numel(names)
  assert(strncmp(which(names{i}), output_dir, numel(output_dir)), '%s resolves to %s', names{i}, which(names{i}));
end
fresh = call_all_modules(vaporizer_inputs, transmit_inputs, murtal_inputs);
assert(isequal(fresh{8}, [1; 1; 2]));

clear(names{:});
cd(start_dir);
cmake_built = fullfile(getenv('MEX_SUITE_BUILD_DIR'), 'octave');
for i = 1:numel(names)
  assert(strncmp(which(names{i}), cmake_built, numel(cmake_built)), '%s resolves to %s', names{i}, which(names{i}));
end
reference = call_all_modules(vaporizer_inputs, transmit_inputs, murtal_inputs);
for i = 1:numel(reference)
  assert(all(isfinite(reference{i}(:))), 'output %d is not finite', i);
  assert(isequal(size(fresh{i}), size(reference{i})) && ...
         isequal(typecast(fresh{i}(:), 'uint64'), typecast(reference{i}(:), 'uint64')), ...
         'output %d differs between the two builds', i);
end

if exist('OCTAVE_VERSION', 'builtin')
  confirm_recursive_rmdir(false, 'local');
end
rmdir(output_dir, 's');
