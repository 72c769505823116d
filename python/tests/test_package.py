"""The package as a user first meets it: its version is the program's, and a
package directory without the compiled module refuses to import, saying how
to build it."""
import os
import pathlib
import shutil
import subprocess
import sys

import pytest

import primrec

BUILD = pathlib.Path(primrec.__file__).resolve().parents[2]


def test_version_is_the_programs():
    program = BUILD / "primrec"
    if not program.exists():
        pytest.skip("no program beside the module at %s" % program)
    done = subprocess.run([str(program), "--version"], capture_output=True, text=True)
    assert done.returncode == 0
    assert done.stdout == "primrec %s\n" % primrec.__version__
    assert primrec.__version__.count(".") == 2


def test_a_package_without_the_compiled_module_says_how_to_build_it(tmp_path):
    package = pathlib.Path(primrec.__file__).parent
    copy = tmp_path / "primrec"
    shutil.copytree(package, copy, ignore=shutil.ignore_patterns("_primrec*", "__pycache__"))
    env = dict(os.environ, PYTHONPATH=str(tmp_path), PYTHONDONTWRITEBYTECODE="1")
    done = subprocess.run([sys.executable, "-c", "import primrec"], env=env, capture_output=True,
                          text=True, cwd=tmp_path)
    assert done.returncode != 0
    assert "ImportError" in done.stderr
    assert "make python" in done.stderr
    assert "_primrec is not in" in done.stderr


QUICK = dict(z_begin=3000, z_end=1000, step=1e-2, feedback_levels=1)


def test_a_likely_mistake_is_warned_of_and_the_solve_goes_on():
    with pytest.warns(primrec.PlausibilityWarning, match=r"did you mean H0 = 100 h = 67\.36\?"):
        history = primrec.solve(H0=0.6736, **QUICK)
    assert len(history.z) > 0
    # Such an hbar breaks the physics down: the warning comes first, saying why.
    with pytest.warns(primrec.PlausibilityWarning, match=r"Hubble parameter h\? It is H0 = 100 h = 67\.4"):
        with pytest.raises(primrec.BreakdownError):
            primrec.solve(hbar=0.674, **QUICK)
    with pytest.raises(TypeError, match=r"H0 = 100 h"):
        primrec.solve(h=0.674)


def test_usual_values_are_not_warned_of():
    import warnings
    with warnings.catch_warnings():
        warnings.simplefilter("error", primrec.PlausibilityWarning)
        primrec.solve(H0=70, omega_b=0.045, **QUICK)
