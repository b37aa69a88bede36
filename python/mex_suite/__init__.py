"""vaporizer, vaporizer_step, vaporizer_linearize, Transmit and murtal for Python.

The same functions as the MEX modules for MATLAB and GNU Octave, compiled
from the same C++ core: the same names, the same inputs in the same order
with the same meaning, the same checks and messages, and the same bits.
Each function returns a tuple of all its outputs, so that

    [ds, level, y, T, P] = vaporizer(c{:});           % Octave

becomes

    ds, level, y, T, P = vaporizer(*c)                # Python

Inputs are anything NumPy converts to float64 (a complex array gives its real
part, as in Octave); matrices are read as Octave reads them, so an array
W with W[r, c] equal to Octave's W(r+1, c+1) gives the same result in any
memory order, and a flat array is Octave's W(:). Bad inputs raise
mex_suite.Error (a ValueError) with Octave's identifier and message.
"""

from ._error import Error
from ._core import Transmit, murtal, vaporizer, vaporizer_linearize, vaporizer_step

__all__ = ["Error", "Transmit", "murtal", "vaporizer", "vaporizer_linearize", "vaporizer_step"]
