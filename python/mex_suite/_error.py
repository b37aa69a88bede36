"""The one exception the package raises for a bad input."""


class Error(ValueError):
    """A call of a mex_suite function refused its inputs, or could not end well.

    ``identifier`` is the identifier the MEX module gives in MATLAB and Octave,
    ``"<function>:<mnemonic>"``, or ``""`` where the module gives a fixed message
    without one ("C must be sparse"). ``str(error)`` is the module's message
    without the ``"<function>: "`` prefix that the host adds.
    """

    def __init__(self, message, identifier=""):
        super().__init__(message)
        self.identifier = identifier

    # Dask and multiprocessing send exceptions between processes by pickling
    # them; keep the identifier on the way.
    def __reduce__(self):
        return (type(self), (str(self), self.identifier))
