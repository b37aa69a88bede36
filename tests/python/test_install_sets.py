"""scripts/install-deps.sh's sets: make demo's names nothing that only the
tests, the cross builds or the fuzzers need, and every set is in the whole."""

import subprocess

from conftest import SOURCE

TEST_ONLY = ("wine", "mingw", "qemu", "clang", "aarch64", "gtest", "gmock", "googletest",
             "benchmark")


def install_deps(*arguments):
    return subprocess.run(["bash", str(SOURCE / "scripts" / "install-deps.sh"), *arguments],
                          capture_output=True, text=True)


def listed(*set_name):
    return install_deps("--list", *set_name).stdout.split()


def test_the_demo_set_leaves_out_what_only_the_tests_need():
    everything = listed()
    assert set(listed("test")) == set(everything) and len(set(everything)) == len(everything)
    assert set(listed("build")) <= set(listed("demo")) & set(listed("python"))
    assert {"octave", "octave-optim", "libsundials-dev"} <= set(listed("demo"))
    assert {"python3-build", "python3-matplotlib"} <= set(listed("python"))
    assert [p for p in listed("demo") if any(word in p for word in TEST_ONLY)] == []
    assert install_deps("--list", "tests").returncode == 2  # no such set
