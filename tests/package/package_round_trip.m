function package_round_trip(tarball, source_dir)
%PACKAGE_ROUND_TRIP  pkg install, load, help, test and uninstall of the
%   package TARBALL, in an Octave home of its own (HOME set by round_trip.sh):
%   every module the package lists lands beside its help file, help prints
%   its reference, the package's self-tests pass, and uninstalling leaves
%   no trace of the package.
  home = getenv('HOME');
  % A local install whoever runs it (root installs globally by default),
  % and no global package list read or written.
  pkg('global_list', fullfile(home, 'global_packages'));
  pkg('install', '-local', tarball);

  installed = pkg('list');
  assert(numel(installed) == 1 && strcmp(installed{1}.name, 'mex_suite'), 'pkg list after install');
  version = strtrim(fileread(fullfile(source_dir, 'VERSION')));
  assert(strcmp(installed{1}.version, version), 'installed version %s, VERSION %s', ...
         installed{1}.version, version);
  package_dir = installed{1}.dir;

  pkg('load', 'mex_suite');
  % The functions of the INDEX's category Modules, one an indented line.
  modules = regexp(fileread(fullfile(package_dir, 'packinfo', 'INDEX')), ...
                   '\nModules\n((?: [^\n]*\n)*)', 'tokens', 'once');
  modules = strsplit(strtrim(modules{1}));
  assert(all(ismember({'vaporizer', 'Transmit', 'murtal'}, modules)), 'INDEX lists %s', ...
         strjoin(modules, ', '));
  for i = 1:numel(modules)
    name = modules{i};
    assert(strcmp(which(name), fullfile(package_dir, [name '.mex'])), '%s resolves to %s', name, which(name));
    printed = evalc(['help ' name]);
    assert(~isempty(strfind(printed, [upper(name) '  '])), 'help %s printed:\n%s', name, printed);
    assert_exports_only_entry_point(name, package_dir);
  end
  % The examples are on the path too; this one checks its own counts.
  evalc('murtal_clusters();');

  % Every module's help file carries self-tests, and all of them pass.
  report = evalc('pkg(''test'', ''mex_suite'')');
  for i = 1:numel(modules)
    counts = regexp(report, [modules{i} '\.m\s+pass\s+(\d+)/(\d+)'], 'tokens', 'once');
    assert(~isempty(counts) && str2double(counts{2}) > 0 && strcmp(counts{1}, counts{2}), ...
           'self-tests of %s:\n%s', modules{i}, report);
  end
  failures = regexp(report, 'FAIL\s+(\d+)', 'tokens', 'once');
  assert(~isempty(failures) && strcmp(failures{1}, '0'), 'pkg test:\n%s', report);

  pkg('unload', 'mex_suite');
  pkg('uninstall', '-local', 'mex_suite');
  assert(isempty(pkg('list')), 'pkg list after uninstall');
  assert(~exist(package_dir, 'dir'), '%s is still there', package_dir);
  assert(exist('vaporizer') == 0, 'vaporizer is still on the path');
  [~, left] = system(sprintf('find ''%s'' -name ''*mex_suite*''', home));
  assert(isempty(strtrim(left)), 'left behind:\n%s', left);
  printf('%s: installed, loaded, %d modules with help, self-tests passed, uninstalled\n', ...
         tarball, numel(modules));
end

