function expect_error(call, identifier, message)
%EXPECT_ERROR  Assert that CALL() raises an error with IDENTIFIER and the
%   whole MESSAGE, after the "<function>: " the host may put in front.
%   An empty IDENTIFIER expects an error raised without one.
  try
    call();
  catch err
    assert(strcmp(err.identifier, identifier), ...
           'expected identifier "%s", got "%s" (%s)', identifier, err.identifier, err.message);
    prefix = err.message(1:max(0, end - numel(message)));
    assert(strcmp(err.message(numel(prefix) + 1:end), message) && ...
           (isempty(prefix) || ~isempty(regexp(prefix, '^\w+: $', 'once'))), ...
           'expected message "%s", got "%s"', message, err.message);
    return;
  end
  error('expect_error:noError', 'expected the error "%s", but the call succeeded', message);
end
