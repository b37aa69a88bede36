function assert_exports_only_entry_point(module, folder)
%ASSERT_EXPORTS_ONLY_ENTRY_POINT  Assert that the built MODULE exports no
%   function but mexFunction. The module is in FOLDER, by default the
%   CMake build's (MEX_SUITE_BUILD_DIR/octave, set by CTest).
  if nargin < 2
    folder = fullfile(getenv('MEX_SUITE_BUILD_DIR'), 'octave');
  end
  so = fullfile(folder, [module '.mex']);
  assert(exist(so, 'file') > 0, 'no built module at %s', so);
  [status, out] = system(['nm -D --defined-only ' so ' | awk ''$2 ~ /[TtWw]/ {print $3}''']);
  assert(status == 0 && strcmp(strtrim(out), 'mexFunction'), '%s exports: %s', module, out);
end
