"""What the Octave modules return for the cases of octave_cases.m, made once
per session with octave-cli against the build's modules.

MEX_SUITE_OCTAVE_DIR names the folder of the Octave modules (default
build/octave), MEX_SUITE_SOURCE_DIR the repository (default: two folders up).
"""

import os
import pathlib
import subprocess

import pytest
import scipy.io

SOURCE = pathlib.Path(os.environ.get("MEX_SUITE_SOURCE_DIR",
                                     pathlib.Path(__file__).resolve().parents[2]))
OCTAVE_DIR = pathlib.Path(os.environ.get("MEX_SUITE_OCTAVE_DIR", SOURCE / "build" / "octave"))


@pytest.fixture(scope="session")
def octave(tmp_path_factory):
    cases = tmp_path_factory.mktemp("octave") / "cases.mat"
    path = ", ".join(f"'{folder}'" for folder in
                     (OCTAVE_DIR, SOURCE / "examples", SOURCE / "tests" / "octave",
                      SOURCE / "tests" / "python"))
    # Octave runs without the sanitizer runtime that the sanitized run preloads.
    environment = {k: v for k, v in os.environ.items() if k != "LD_PRELOAD"}
    subprocess.run(["octave-cli", "--norc", "--quiet", "--no-window-system", "--no-history",
                    "--eval", f"addpath({path}); octave_cases('{cases}')"], check=True,
                   env=environment)
    return scipy.io.loadmat(cases)
