function built = make_mex(output_dir, varargin)
%MAKE_MEX  Build vaporizer, vaporizer_step, vaporizer_linearize, Transmit and murtal with mex alone.
%   MAKE_MEX builds the modules from MATLAB or GNU Octave into the folder
%   build/mex below this file and copies each module's help file
%   (vaporizer.m, Transmit.m, ...) beside it, so that
%       addpath('build/mex')
%   is all that is left to do. No CMake is needed, only a C++17 compiler
%   that mex knows (MATLAB: see "mex -setup C++"). The modules and their
%   sources come from cmake/mex_modules.txt.
%
%   vaporizer_step links SUNDIALS CVODES statically: the header
%   cvodes/cvodes.h and the library libsundials_cvodes.a
%   (sundials_cvodes_static.lib or sundials_cvodes.lib with MSVC). Under
%   Octave make_mex finds them where the compiler does (Debian:
%   libsundials-dev); elsewhere, name the folder that holds include/ and
%   lib/ (a SUNDIALS install prefix):
%       make_mex(OUTPUT_DIR, 'sundials', 'C:\sundials')
%   Without them vaporizer_step is skipped, with a message.
%
%   vaporizer_linearize and vaporizer_step need Eigen 3's headers (nothing
%   is linked). On Linux and macOS make_mex finds them in
%   /usr/include/eigen3 or /usr/local/include/eigen3 (Debian:
%   libeigen3-dev); elsewhere, name the folder that holds Eigen/Core:
%       make_mex(OUTPUT_DIR, 'eigen', 'C:\eigen-3.4.0')
%   Without them both are skipped, with a message.
%
%   MAKE_MEX(OUTPUT_DIR) builds into OUTPUT_DIR instead.
%   MAKE_MEX(OUTPUT_DIR, 'force') rebuilds every module. Without it a
%   module is rebuilt only when one of its sources or headers is newer than
%   the module.
%   BUILT = MAKE_MEX(...) returns the names of the modules it (re)built.
%
%   Every module is compiled with the flags of cmake/fixed_bits_flags.txt
%   (no fused multiply-add, no fast-math), the ones the CMake build takes,
%   so results are the same bit for bit; MSVC, which spells them its own
%   way, with /O2 /fp:precise. MATLAB builds use the separate-complex API
%   (-R2017b). On Windows a module's resource script (vaporizer.rc, its
%   string table) is compiled in as well, with windres (MinGW) or rc (MSVC).

  root = fileparts(mfilename('fullpath'));
  if nargin < 1 || isempty(output_dir)
    output_dir = fullfile(root, 'build', 'mex');
  end
  force = any(strcmpi(varargin, 'force'));
  sundials = named_folder(varargin, 'sundials');
  eigen = named_folder(varargin, 'eigen');
  if ~exist(output_dir, 'dir')
    mkdir(output_dir);
  end
  output_dir = absolute_folder(output_dir);

  % Every module includes the host interface and the host-free helpers.
  shared_folders = fullfile(root, {'host_interface', 'common'});
  shared_headers = headers_in(shared_folders);
  flags_file = fullfile(root, 'cmake', 'fixed_bits_flags.txt');
  shared_inputs = [shared_headers, {flags_file}];
  fixed_flags = fixed_bits_flags(flags_file);

  built = {};
  modules = module_list(root);
  for m = 1:size(modules, 1)
    [name, libraries, sources] = modules{m, :};
    sources = fullfile(root, sources);
    folder = fileparts(sources{1});
    % The folders of its sources are its include folders.
    [source_folders, ~, ~] = cellfun(@fileparts, sources, 'UniformOutput', false);
    source_folders = unique(source_folders, 'stable');
    linked = struct('include', {{}}, 'archives', {{}});
    if any(strcmp(libraries, 'cvodes'))
      linked = find_cvodes(sundials);
      if isempty(linked.archives)
        fprintf(['make_mex: %s skipped: it needs SUNDIALS CVODES (cvodes/cvodes.h and the static ' ...
                 'library), not found; name its folder with make_mex(OUTPUT_DIR, ''sundials'', FOLDER)\n'], name);
        continue;
      end
    end
    if any(strcmp(libraries, 'eigen'))
      [found, eigen_include] = find_eigen(eigen);
      if ~found
        fprintf(['make_mex: %s skipped: it needs Eigen 3''s headers (Eigen/Core), not found; ' ...
                 'name their folder with make_mex(OUTPUT_DIR, ''eigen'', FOLDER)\n'], name);
        continue;
      end
      linked.include = [linked.include, eigen_include];
    end
    help_file = [name '.m'];
    inputs = [sources, headers_in(source_folders), shared_inputs];
    % A module's Windows resources: the resource script <name>.rc beside
    % its gateway, if there is one.
    resource = fullfile(folder, [name '.rc']);
    if ispc() && exist(resource, 'file')
      inputs{end + 1} = resource; %#ok<AGROW>
    else
      resource = '';
    end
    target = fullfile(output_dir, [name '.' mexext()]);

    if force || newest(inputs) > modified(target)
      fprintf('make_mex: building %s\n', target);
      compile(name, [sources, linked.archives], [linked.include, source_folders, shared_folders], ...
              resource, output_dir, root, fixed_flags);
      built{end + 1} = name; %#ok<AGROW>
    else
      fprintf('make_mex: %s is up to date\n', target);
    end
    copyfile(fullfile(folder, help_file), fullfile(output_dir, help_file));
  end
end

% The headers (*.h) of the given folders, as full paths.
function headers = headers_in(folders)
  headers = {};
  for f = 1:numel(folders)
    found = dir(fullfile(folders{f}, '*.h'));
    headers = [headers, fullfile(folders{f}, {found.name})]; %#ok<AGROW>
  end
end

function compile(name, sources, include_dirs, resource, output_dir, root, fixed_flags)
  includes = strcat('-I', include_dirs);
  % Object files and compiled resources go to a scratch folder, not the sources.
  scratch = tempname();
  mkdir(scratch);
  previous_flags = getenv('CXXFLAGS');
  previous_dir = pwd();
  cleanup = onCleanup(@() restore(previous_flags, previous_dir, scratch));
  if exist('OCTAVE_VERSION', 'builtin')
    % Octave's mex is mkoctfile --mex; it reads its compiler flags from
    % the environment, and writes its objects where it runs.
    flags = [strtrim(mkoctfile('-p', 'CXXFLAGS')) ' -std=c++17 ' fixed_flags];
    link = {};
    if isunix() && ~ismac()
      % Only mexFunction leaves the module.
      link = {['-Wl,--version-script=' fullfile(root, 'cmake', 'mex_exports.map')]};
    end
    if ~isempty(resource)
      % Octave for Windows ships MinGW; mkoctfile links the object in.
      sources{end + 1} = compile_resource(resource, scratch, 'windres');
    end
    setenv('CXXFLAGS', flags);
    cd(scratch);
    mex(includes{:}, link{:}, sources{:}, '-o', fullfile(output_dir, [name '.mex']));
  else
    % MSVC takes its flags in COMPFLAGS, in its own spelling; gcc, clang and
    % MinGW in CXXFLAGS. mex puts CXXOPTIMFLAGS after CXXFLAGS, so it keeps
    % no optimisation level of its own: the flags file's is the one.
    compiler = mex.getCompilerConfigurations('C++', 'Selected');
    msvc = ispc() && ~isempty(compiler) && ~isempty(strfind(lower(compiler(1).ShortName), 'msvc'));
    if msvc
      flags = {'COMPFLAGS=$COMPFLAGS /std:c++17 /O2 /fp:precise'};
    else
      flags = {['CXXFLAGS=$CXXFLAGS -std=c++17 ' fixed_flags], 'CXXOPTIMFLAGS=-DNDEBUG'};
    end
    if ~isempty(resource)
      % The linker takes the compiled resources like an object file.
      if msvc
        compiled = compile_resource(resource, scratch, 'rc', compiler(1));
      else
        compiled = compile_resource(resource, scratch, 'windres');
      end
      flags{end + 1} = ['LINKFLAGS=$LINKFLAGS "' compiled '"'];
    end
    mex('-R2017b', flags{:}, includes{:}, sources{:}, '-outdir', output_dir, '-output', name);
  end
end

% SUNDIALS CVODES for a static link: its include folder (empty where the
% compiler finds the header itself) and its archive; no archive when it is
% not found. Under a folder the user names, its include/ and lib/; else,
% under Octave, where Octave's compiler looks.
function linked = find_cvodes(prefix)
  linked = struct('include', {{}}, 'archives', {{}});
  names = {'libsundials_cvodes.a', 'sundials_cvodes_static.lib', 'sundials_cvodes.lib'};
  if ~isempty(prefix)
    for folder = strcat(prefix, filesep, {'lib', 'lib64', fullfile('lib', 'x86_64-linux-gnu')})
      for n = 1:numel(names)
        archive = fullfile(folder{1}, names{n});
        if exist(archive, 'file') && exist(fullfile(prefix, 'include', 'cvodes', 'cvodes.h'), 'file')
          linked = struct('include', {{fullfile(prefix, 'include')}}, 'archives', {{archive}});
          return;
        end
      end
    end
  elseif exist('OCTAVE_VERSION', 'builtin')
    compiler = strtrim(mkoctfile('-p', 'CXX'));
    [status, archive] = system([compiler ' -print-file-name=' names{1}]);
    archive = strtrim(archive);
    [status_header, ~] = system(['echo ''#include <cvodes/cvodes.h>'' | ' compiler ...
                                 ' -E -x c++ - > /dev/null 2>&1']);
    if status == 0 && exist(archive, 'file') == 2 && ~strcmp(archive, names{1}) && status_header == 0
      linked.archives = {archive};
    end
  end
end

% The folder given after the option NAME ('sundials', 'eigen'), or '' when
% the option is not given.
function folder = named_folder(options, name)
  folder = '';
  named = find(strcmpi(options, name), 1);
  if ~isempty(named)
    if named == numel(options)
      error(['make_mex:' name], 'make_mex: ''%s'' must be followed by a folder', name);
    end
    folder = options{named + 1};
  end
end

% Eigen 3's include folder, the one holding Eigen/Core: the folder the user
% named, else where Unix installs put it. Eigen installs no library and
% its headers sit a folder below the usual include folder, so the compiler
% never finds them on its own.
function [found, include] = find_eigen(folder)
  if ~isempty(folder)
    candidates = {folder};
  elseif isunix()
    candidates = {'/usr/include/eigen3', '/usr/local/include/eigen3'};
  else
    candidates = {};
  end
  for i = 1:numel(candidates)
    if exist(fullfile(candidates{i}, 'Eigen', 'Core'), 'file') && ...
       exist(fullfile(candidates{i}, 'unsupported', 'Eigen', 'AutoDiff'), 'file')
      found = true;
      include = candidates(i);
      return;
    end
  end
  found = false;
  include = {};
end

% The modules and their sources, from cmake/mex_modules.txt, the list every
% build reads: one row per module, its name, the libraries it needs beyond
% the host's (empty for none) and its sources from the top of the
% repository, the gateway first.
function modules = module_list(root)
  lines = regexp(fileread(fullfile(root, 'cmake', 'mex_modules.txt')), '\r?\n', 'split');
  modules = cell(0, 3);
  for i = 1:numel(lines)
    fields = regexp(strtrim(lines{i}), '\s+', 'split');
    if numel(fields) < 3 || fields{1}(1) == '#'
      continue;
    end
    libraries = strsplit(fields{2}, ',');
    if strcmp(libraries{1}, '-')
      libraries = {};
    end
    modules(end + 1, :) = {fields{1}, libraries, fields(3:end)}; %#ok<AGROW>
  end
end

% The flags that keep every result's bits, as the CMake build takes them:
% the lines of cmake/fixed_bits_flags.txt that begin with a dash.
function flags = fixed_bits_flags(flags_file)
  flags = strjoin(strtrim(regexp(fileread(flags_file), '^-[^\r\n]*', 'match', 'lineanchors')), ' ');
  if isempty(flags)
    error('make_mex:flags', 'make_mex: %s names no compiler flags', flags_file);
  end
end

function restore(flags, folder, scratch)
  setenv('CXXFLAGS', flags);
  cd(folder);
  if exist(scratch, 'dir')
    if exist('OCTAVE_VERSION', 'builtin')
      confirm_recursive_rmdir(false, 'local');
    end
    rmdir(scratch, 's');
  end
end

% Compiles a resource script for the linker: windres (MinGW, from MATLAB's
% MinGW add-on or the PATH) makes a COFF object, rc (MSVC, in the
% compiler's own command-line environment) a .res file. Without them the
% module would lack its resources, so a failure ends the build.
function compiled = compile_resource(resource, scratch, tool, compiler)
  [~, base] = fileparts(resource);
  if strcmp(tool, 'windres')
    compiled = fullfile(scratch, [base '_resources.o']);
    windres = 'windres';
    mingw = getenv('MW_MINGW64_LOC');
    if ~isempty(mingw) && exist(fullfile(mingw, 'bin', 'windres.exe'), 'file')
      windres = fullfile(mingw, 'bin', 'windres.exe');
    end
    command = sprintf('"%s" -O coff -o "%s" "%s"', windres, compiled, resource);
  else
    compiled = fullfile(scratch, [base '.res']);
    command = sprintf('rc /nologo /fo "%s" "%s"', compiled, resource);
    details = compiler.Details;
    if isfield(details, 'CommandLineShell') || isprop(details, 'CommandLineShell')
      if ~isempty(details.CommandLineShell)
        command = sprintf('call "%s" %s >nul && %s', details.CommandLineShell, ...
                          details.CommandLineShellArg, command);
      end
    end
  end
  [status, output] = system(command);
  if status ~= 0 || ~exist(compiled, 'file')
    error('make_mex:resources', 'make_mex: could not compile %s with %s:\n%s', ...
          resource, tool, output);
  end
end

function t = newest(files)
  t = -Inf;
  for i = 1:numel(files)
    t = max(t, modified(files{i}));
  end
end

function t = modified(file)
  info = dir(file);
  if isempty(info)
    t = -Inf;
  else
    t = info(1).datenum;
  end
end

function folder = absolute_folder(folder)
  previous = pwd();
  cd(folder);
  folder = pwd();
  cd(previous);
end
