"""History.write as a run of the program writes, and the edges of the module:
pickling across processes, flags, frozen parameters, Ctrl-C during a solve."""
import concurrent.futures
import fcntl
import os
import pathlib
import pickle
import resource
import signal
import subprocess
import sys
import time

import numpy as np
import pytest

import primrec

QUICK = dict(z_begin=3000, z_end=1000, step=1e-2, feedback_levels=1)
TABLES = ["HydI.dat", "HydII.dat", "HeI.dat", "HeII.dat", "HeIII.dat", "el.dat", "T_matter.dat",
          "Hyd_Rad_Overheat.dat"]
INPUTS = ["redshifts.in", "fine_effects.in", "fund.in", "fudge_factors.in", "cosm_p.in"]
BUILD = pathlib.Path(primrec.__file__).resolve().parents[2]


@pytest.fixture(scope="module")
def quick_history():
    return primrec.solve(**QUICK)


def contents(directory):
    """Every name, with the bytes of each file (None for a directory)."""
    return {p.name: (p.read_bytes() if p.is_file() else None) for p in sorted(pathlib.Path(directory).iterdir())}


def test_write_gives_the_files_of_a_run(quick_history, tmp_path):
    """The tables and the five input files: read back, the inputs are the
    parameters; the program run on them writes the same tables; the tools of
    a finished run work on the directory."""
    quick_history.write(tmp_path)
    assert sorted(os.listdir(tmp_path)) == sorted(TABLES + INPUTS)
    assert primrec.Parameters.read(tmp_path) == quick_history.parameters
    program = BUILD / "primrec"
    if program.exists():
        rerun = tmp_path / "rerun"
        rerun.mkdir()
        for name in INPUTS:
            (rerun / name).write_bytes((tmp_path / name).read_bytes())
        assert subprocess.run([str(program), str(rerun)], capture_output=True).returncode == 0
        for name in TABLES:
            assert (rerun / name).read_bytes() == (tmp_path / name).read_bytes(), name
    summary = BUILD / "primrec-summary"
    if summary.exists():
        done = subprocess.run([str(summary), str(tmp_path)], capture_output=True, text=True)
        assert done.returncode == 0, done.stdout
    env = dict(os.environ, PYTHONPATH=str(BUILD / "python"))
    done = subprocess.run([sys.executable, "-m", "primrec", "plot", str(tmp_path)], env=env,
                          capture_output=True, text=True)
    assert done.returncode == 0, done.stdout + done.stderr
    assert (tmp_path / "history.png").exists()


def test_plot_draws_the_tables_as_they_are(tmp_path, monkeypatch, capsys):
    """python -m primrec plot DIR reads what is in DIR and solves nothing: the
    tables of a History with a bump in its el column, drawn with the solve
    made to fail."""
    from primrec import __main__ as command
    bumped = primrec.solve(**dict(QUICK, z_end=700.0, A_perturbation_H=0.5, z_perturbation=1500.0,
                                  Delta_z_perturbation=100.0))
    bumped.write(tmp_path)

    def no_solve(*args, **kwargs):
        raise AssertionError("a solve was run")
    monkeypatch.setattr(primrec._primrec, "solve", no_solve)
    read = primrec.History.read(tmp_path)
    assert read.parameters == bumped.parameters and len(read) == len(bumped)
    # The printed values, eight digits; x_e without the bump, which at its
    # centre makes el 1.5 x_e (the bump's slope takes the printed z's last
    # digit into x_e, a few 1e-7 at most).
    for name in ("z", "HydI", "HydII", "HeI", "HeII", "HeIII", "el", "T_m", "overheating"):
        assert np.allclose(getattr(read, name), getattr(bumped, name), rtol=1e-7, atol=0), name
    assert np.allclose(read.x_e, bumped.x_e, rtol=3e-7, atol=0)
    centre = np.argmin(np.abs(read.z - 1500))
    assert read.el[centre] / read.x_e[centre] == pytest.approx(1.5, rel=1e-3)
    assert 700 < read.z_star == pytest.approx(bumped.z_star, rel=1e-6)
    assert command.main(["plot", str(tmp_path)]) == 0
    assert (tmp_path / "history.png").read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
    # A table missing: named, with the directory, and status 1; an input file likewise.
    capsys.readouterr()
    (tmp_path / "HeIII.dat").unlink()
    assert command.main(["plot", str(tmp_path)]) == 1
    assert "%s has no HeIII.dat" % tmp_path in capsys.readouterr().err
    (tmp_path / "HeIII.dat").write_bytes(primrec._primrec.format_table(bumped.z, bumped.HeIII))
    (tmp_path / "cosm_p.in").unlink()
    assert command.main(["plot", str(tmp_path)]) == 1
    assert "cosm_p.in" in capsys.readouterr().err
    # A table on other rows than el.dat's is no table of this run.
    (tmp_path / "T_matter.dat").write_bytes(primrec._primrec.format_table(bumped.z[1:], bumped.T_m[1:]))
    with pytest.raises(ValueError, match="T_matter.dat"):
        primrec.History.read(tmp_path)
    assert command.main(["plot", str(tmp_path / "nowhere")]) == 1
    assert "no directory" in capsys.readouterr().err
    # A table that is no table of numbers is named; tables without rows draw nothing.
    (tmp_path / "T_matter.dat").write_text("garbage\n")
    assert command.main(["plot", str(tmp_path)]) == 1
    assert "%s: T_matter.dat is not a table of numbers" % tmp_path in capsys.readouterr().err
    bumped.write(tmp_path)
    for name in ("HydI", "HydII", "HeI", "HeII", "HeIII", "el", "T_matter"):
        (tmp_path / (name + ".dat")).write_text("")
    assert command.main(["plot", str(tmp_path)]) == 1
    assert "its tables have no rows" in capsys.readouterr().err


def test_write_replaces_links_and_never_writes_through_them(quick_history, tmp_path):
    run, elsewhere = tmp_path / "run", tmp_path / "elsewhere"
    run.mkdir()
    elsewhere.mkdir()
    (elsewhere / "precious").write_text("keep me\n")
    (elsewhere / "linked").write_text("keep me too\n")
    os.symlink(elsewhere / "precious", run / "el.dat")
    os.link(elsewhere / "linked", run / "HydI.dat")
    quick_history.write(run)
    assert (elsewhere / "precious").read_text() == "keep me\n"
    assert (elsewhere / "linked").read_text() == "keep me too\n"
    assert not (run / "el.dat").is_symlink()
    assert (run / "el.dat").read_bytes() == primrec._primrec.format_table(quick_history.z, quick_history.el)


def test_write_waits_for_no_run_and_changes_nothing_on_failure(quick_history, tmp_path):
    quick_history.write(tmp_path)
    before = contents(tmp_path)
    other = primrec.solve(**dict(QUICK, omega_b=0.045))
    # A run holds the directory: refused with the program's message.
    held = os.open(tmp_path, os.O_RDONLY | os.O_DIRECTORY)
    try:
        fcntl.flock(held, fcntl.LOCK_EX | fcntl.LOCK_NB)
        with pytest.raises(OSError) as failure:
            other.write(tmp_path)
        assert str(failure.value) == "another run is using this directory\n"
    finally:
        os.close(held)
    assert contents(tmp_path) == before
    # A disk that fills (the file-size limit; Python ignores SIGXFSZ): every
    # table's temporary goes, the earlier tables stay whole.
    soft, hard = resource.getrlimit(resource.RLIMIT_FSIZE)
    resource.setrlimit(resource.RLIMIT_FSIZE, (4096, hard))
    try:
        with pytest.raises(OSError) as failure:
            other.write(tmp_path)
    finally:
        resource.setrlimit(resource.RLIMIT_FSIZE, (soft, hard))
    assert "error of writing file el.dat\n" in str(failure.value)
    assert contents(tmp_path) == before
    # A directory in a table's place.
    (tmp_path / "T_matter.dat").unlink()
    (tmp_path / "T_matter.dat").mkdir()
    before = contents(tmp_path)
    with pytest.raises(OSError) as failure:
        other.write(tmp_path)
    assert str(failure.value) == "error of creation of file T_matter.dat\n"
    assert contents(tmp_path) == before


def test_write_refuses_a_value_its_input_file_cannot_hold(tmp_path):
    h = primrec.solve(**dict(QUICK, N_eff=3.044))
    with pytest.raises(ValueError) as failure:
        h.write(tmp_path)
    assert str(failure.value) == "nu_number = 3.044 cannot be written in cosm_p.in, which holds it as an integer > 0\n"
    assert os.listdir(tmp_path) == []


def test_killed_writers_temporaries_are_removed_by_the_next(quick_history, tmp_path):
    """Whoever made a temporary held the lock: the next holder removes it."""
    (tmp_path / ".el.dat.primrec-99999").write_text("left by a killed run")
    (tmp_path / ".cosm_p.in.primrec-1-2").write_text("left by a killed run")
    (tmp_path / ".notes.primrec-1").write_text("not ours")
    quick_history.write(tmp_path)
    assert sorted(os.listdir(tmp_path)) == sorted(TABLES + INPUTS + [".notes.primrec-1"])


def breaking(omega_lambda):
    """A solve for the process pool: omega_lambda = 4 breaks down (no expansion rate below z ~ 9.4)."""
    return primrec.solve(**dict(QUICK, z_end=1, omega_lambda=omega_lambda)).z_star


def test_exceptions_cross_processes():
    failure = None
    try:
        primrec.solve(**dict(QUICK, z_end=1, omega_lambda=4))
    except primrec.BreakdownError as error:
        failure = error
    back = pickle.loads(pickle.dumps(failure))
    assert type(back) is primrec.BreakdownError
    assert str(back) == str(failure) and back.z == failure.z
    assert np.array_equal(back.history.z, failure.history.z)
    refused = pickle.loads(pickle.dumps(primrec.InputError("F_H should be positive and double")))
    assert type(refused) is primrec.InputError and str(refused) == "F_H should be positive and double"
    # A grid with one breakdown: the others' results arrive.
    with concurrent.futures.ProcessPoolExecutor(max_workers=2) as pool:
        futures = [pool.submit(breaking, ol) for ol in (0.6847, 4, 0.7)]
        assert futures[0].result() > 1000 and futures[2].result() > 1000
        with pytest.raises(primrec.BreakdownError) as error:
            futures[1].result()
        assert str(error.value) == "non-finite result at z = %.8g\n" % error.value.z


def test_flags_are_booleans():
    for wrong in ("False", "yes", 0, 1, None):
        with pytest.raises(TypeError):
            primrec.solve(fast=wrong, **QUICK)
    assert len(primrec.solve(fast=np.bool_(False), **QUICK)) == len(primrec.solve(**QUICK))


def test_a_historys_parameters_are_frozen_and_unpickled_arrays_read_only():
    quick_history = primrec.solve(**dict(QUICK, z_end=1))  # down past last scattering
    z_star = quick_history.z_star
    assert z_star > 1000
    with pytest.raises(AttributeError):
        quick_history.parameters.omega_b = 0.1
    assert quick_history.parameters.omega_b == primrec.Parameters().omega_b
    with pytest.raises(AttributeError):
        quick_history.parameters = primrec.Parameters(omega_b=0.1, H0=50)
    assert quick_history.z_star == z_star
    changed = quick_history.parameters.replace(omega_b=0.1)
    assert changed.omega_b == 0.1
    changed.H0 = 70  # a copy is free to change
    back = pickle.loads(pickle.dumps(quick_history))
    with pytest.raises(AttributeError):
        back.parameters.H0 = 70
    for h in (quick_history, back):
        for name in ("z", "HydI", "HydII", "HeI", "HeII", "HeIII", "el", "x_e", "T_m", "overheating"):
            assert not getattr(h, name).flags.writeable, name
        for array in h.visibility:
            assert not array.flags.writeable
    assert back.z_star == z_star


def test_feedback_levels_are_bounded():
    with pytest.raises(primrec.InputError) as failure:
        primrec.solve(feedback_levels=2**31 - 1)
    assert str(failure.value) == "Number of levels for resonant feedback should be at most 20000, not 2147483647\n"


def test_ctrl_c_stops_a_solve_within_a_fraction_of_a_second(tmp_path):
    script = tmp_path / "endless.py"
    script.write_text(
        "import sys, primrec\n"
        "print('solving', flush=True)\n"
        "try:\n"
        "    primrec.solve(z_begin=3000, z_end=1000, step=1e-7, feedback_levels=1)\n"
        "except KeyboardInterrupt:\n"
        "    print('interrupted', flush=True)\n")
    env = dict(os.environ, PYTHONPATH=str(BUILD / "python"))
    child = subprocess.Popen([sys.executable, str(script)], env=env, stdout=subprocess.PIPE, text=True)
    try:
        assert child.stdout.readline() == "solving\n"
        time.sleep(0.3)  # well inside the solve
        sent = time.monotonic()
        child.send_signal(signal.SIGINT)
        out, _ = child.communicate(timeout=20)
        waited = time.monotonic() - sent
    finally:
        if child.poll() is None:
            child.kill()
            child.wait()
    assert out == "interrupted\n"
    assert child.returncode == 0
    assert waited < 1.0
