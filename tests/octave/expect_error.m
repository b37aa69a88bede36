function expect_error(call, identifier, message)
%EXPECT_ERROR  Assert that CALL() raises an error with IDENTIFIER whose
%   message ends with MESSAGE (the host may prefix the function name).
%   An empty IDENTIFIER expects an error raised without one.
  try
    call();
  catch err
    assert(strcmp(err.identifier, identifier), ...
           'expected identifier "%s", got "%s" (%s)', identifier, err.identifier, err.message);
    tail = err.message(max(1, end - numel(message) + 1):end);
    assert(strcmp(tail, message), 'expected message "%s", got "%s"', message, err.message);
    return;
  end
  error('expect_error:noError', 'expected the error "%s", but the call succeeded', message);
end
