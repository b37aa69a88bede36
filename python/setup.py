"""Installs the mex_suite package from the build's package folder.

The extension is already built (by CMake, with the project's flags): this
only ships mex_suite/ as it is, so pip compiles and downloads nothing.
Run from the package folder, as make python does:

    pip install --no-build-isolation --no-index <build>/python/package
"""

from pathlib import Path

from setuptools import setup
from setuptools.dist import Distribution


class BinaryDistribution(Distribution):
    """A wheel for this interpreter and platform, since it carries _core."""

    def has_ext_modules(self):
        return True


here = Path(__file__).resolve().parent
setup(
    name="mex_suite",
    version=(here / "VERSION").read_text().split()[0],
    description="vaporizer, vaporizer_step, Transmit and murtal for NumPy",
    license="BSD-3-Clause",
    packages=["mex_suite"],
    package_data={"mex_suite": ["_core*.so"]},
    install_requires=["numpy", "scipy"],
    distclass=BinaryDistribution,
    zip_safe=False,
)
