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
