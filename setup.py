"""Builds the package mex_suite: its Python files from python/mex_suite and
its extension _core from the project's own CMake build, configured with the
Python that runs this and built for its one target, mex_suite_python. CMake
compiles with cmake/fixed_bits_flags.txt, as for the Octave modules, so the
extension gives their bits; nothing here adds a compiler flag.

pip install . (pyproject.toml names setuptools as the backend) and
python3 -m build run this. The CMake build lives in setuptools' build folder,
build/pip/, and is reused by the next install from the same tree.
"""

import os
import pathlib
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).resolve().parent


class CMakeExtension(Extension):
    """An extension CMake builds: setuptools compiles no source of it."""

    def __init__(self, name, target):
        super().__init__(name, sources=[])
        self.target = target


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = pathlib.Path(self.build_temp).resolve() / "cmake"
        configure = ["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                     "-DMEX_SUITE_OCTAVE=OFF", "-DMEX_SUITE_TESTS=OFF",
                     "-DMEX_SUITE_PYTHON_REQUIRED=ON",
                     f"-DMEX_SUITE_PYTHON_EXECUTABLE={sys.executable}"]
        try:
            # pybind11 installed for this Python (in an isolated build, pip's)
            # knows where its CMake files are; otherwise CMake looks for them.
            import pybind11
            configure.append(f"-Dpybind11_DIR={pybind11.get_cmake_dir()}")
        except (ImportError, AttributeError):
            pass
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL") or str(os.cpu_count() or 1)
        subprocess.run(configure, check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", ext.target, "-j", jobs],
                       check=True)

        # The package folder of that build holds the extension and the note
        # of the interpreter it is built for (_built_for.py).
        built = build / "python" / "package" / "mex_suite"
        extension = pathlib.Path(self.get_ext_fullpath(ext.name))
        extension.parent.mkdir(parents=True, exist_ok=True)
        [library] = built.glob("_core.*so")
        shutil.copyfile(library, extension)
        shutil.copyfile(built / "_built_for.py", extension.parent / "_built_for.py")


setup(
    version=(ROOT / "VERSION").read_text().split()[0],
    packages=["mex_suite"],
    package_dir={"": "python"},
    package_data={"mex_suite": ["py.typed", "*.pyi"]},
    ext_modules=[CMakeExtension("mex_suite._core", "mex_suite_python")],
    cmdclass={"build_ext": CMakeBuild},
    options={"build": {"build_base": "build/pip"}},
    zip_safe=False,
)
