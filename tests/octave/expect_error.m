function err = expect_error(call, identifier, message)
%EXPECT_ERROR  Assert that CALL() raises an error with IDENTIFIER and the
%   whole MESSAGE, after the "<function>: " the host may put in front, and
%   return it. An empty IDENTIFIER expects an error raised without one.
%   Without MESSAGE only the identifier is checked, for a message whose
%   numbers the caller reads itself.
  try
    call();
  catch err
    assert(strcmp(err.identifier, identifier), ...
           'expected identifier "%s", got "%s" (%s)', identifier, err.identifier, err.message);
    if nargin < 3
      return;
    end
    prefix = err.message(1:max(0, end - numel(message)));
    assert(strcmp(err.message(numel(prefix) + 1:end), message) && ...
           (isempty(prefix) || ~isempty(regexp(prefix, '^\w+: $', 'once'))), ...
           'expected message "%s", got "%s"', message, err.message);
    return;
  end
  error('expect_error:noError', 'expected an error with identifier "%s", but the call succeeded', ...
        identifier);
end
