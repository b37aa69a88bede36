"""examples/python/level_control.py against the Octave demo it ports,
vaporizer_level_control.m: the same summary but for the lines of wall times
and of the other integrator (ode15s there, solve_ivp here), the rest point and
the hour with vaporizer_step to the bit, and a figure. ctest runs it apart
(python.level_control): Octave's demo takes half a minute, most of it ode15s."""

import subprocess
import sys

import scipy.io

from conftest import OCTAVE_DIR, SOURCE
from test_mex_suite import same_bits

OWN_LINES = ("  with vaporizer_step ", "  largest relative difference", "Figure: ")
RESULTS = ("steady_state", "states", "measured", "manipulated", "pressure", "vapour_comp")


def test_level_control_prints_the_octave_demos_summary_from_the_same_bits(tmp_path, capsys):
    saved = tmp_path / "octave.mat"
    fields = "; ".join(f"{name} = r.{name}" for name in RESULTS)
    octave = subprocess.run(
        ["octave-cli", "--norc", "--quiet", "--no-window-system", "--no-history", "--eval",
         f"addpath('{OCTAVE_DIR}', '{SOURCE / 'examples'}'); "
         f"r = vaporizer_level_control('{tmp_path / 'octave'}'); {fields}; "
         f"save('-v7', '{saved}', {', '.join(repr(name) for name in RESULTS)})"],
        check=True, capture_output=True, text=True).stdout
    sys.path.insert(0, str(SOURCE / "examples" / "python"))
    import level_control
    run = level_control.main([str(tmp_path / "python")])
    printed = capsys.readouterr().out

    def summary(text):
        return [line for line in text.splitlines() if not line.startswith(OWN_LINES)]
    assert len(summary(printed)) == 20 and summary(printed) == summary(octave)
    expected = scipy.io.loadmat(saved)
    for name in RESULTS:
        assert same_bits(run[name], expected[name].reshape(run[name].shape)), name
    assert run["figure"].read_bytes().startswith(b"\x89PNG")
