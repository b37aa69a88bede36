"""vaporizer, vaporizer_step, vaporizer_linearize, Transmit and murtal for Python.

The same functions as the MEX modules for MATLAB and GNU Octave, compiled
from the same C++ core: the same names, the same inputs in the same order
with the same meaning, the same checks and messages, and the same bits.
Each function returns a tuple of all its outputs, so that

    [ds, level, y, T, P] = vaporizer(c{:});           % Octave

becomes

    ds, level, y, T, P = vaporizer(*c)                # Python

Inputs are numbers in the class Octave would give them, under Octave's rules:
a NumPy array or scalar has its dtype's class (float64 and complex128 are
double, float32 single, integers int, bool logical); Python's own float and
int, alone or in lists, are double, True and False logical. An array input
must be double, a scalar input may be of any class, an interval or option a
real one of any class but logical; a complex array gives its real part, as in
Octave.
Matrices are read as Octave reads them, so an array W with W[r, c] equal to
Octave's W(r+1, c+1) gives the same result in any memory order, and a flat
array is Octave's W(:). Bad inputs raise mex_suite.Error (a ValueError) with
Octave's identifier and message.
"""

from ._error import Error

try:
    from ._core import Transmit, murtal, vaporizer, vaporizer_linearize, vaporizer_step
except ImportError as failure:
    # The usual cause: an interpreter other than the one the extension was
    # built for (another version, or one without NumPy). The build writes
    # which one that was into _built_for.
    import sys
    try:
        from ._built_for import INTERPRETER, VERSION
    except ImportError:
        raise failure from failure.__cause__
    cause = f" ({failure.__cause__})" if failure.__cause__ else ""
    raise ImportError(
        f"mex_suite's extension is built for {INTERPRETER} (Python {VERSION}, with NumPy and "
        f"SciPy); this is {sys.executable} (Python {sys.version.split()[0]}), which cannot "
        f"load it: {failure}{cause}") from failure

__all__ = ["Error", "Transmit", "murtal", "vaporizer", "vaporizer_linearize", "vaporizer_step"]
