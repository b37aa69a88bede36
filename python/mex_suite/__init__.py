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
from ._core import Transmit, murtal, vaporizer, vaporizer_linearize, vaporizer_step

__all__ = ["Error", "Transmit", "murtal", "vaporizer", "vaporizer_linearize", "vaporizer_step"]
