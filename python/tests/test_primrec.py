"""The Python module against the program: its tables, its messages, its threads."""
import concurrent.futures
import math
import os
import pathlib

import numpy as np
import pytest

import primrec

GOLDEN = pathlib.Path(os.environ.get("PRIMREC_GOLDEN", pathlib.Path(__file__).parents[2] / "tests" / "golden"))
CASES = sorted(p.name for p in GOLDEN.iterdir() if (p / "redshifts.in").exists())
# A quick history for the tests that need many.
QUICK = dict(step=4e-3, feedback_levels=1)


@pytest.fixture(scope="module")
def default_history():
    return primrec.solve()


@pytest.mark.parametrize("case", CASES)
def test_golden_tables_byte_identical(case, tmp_path):
    history = primrec.solve(primrec.Parameters.read(GOLDEN / case))
    history.write(tmp_path)
    golden_tables = sorted(p.name for p in (GOLDEN / case).glob("*.dat"))
    assert golden_tables
    for name in golden_tables:
        assert (tmp_path / name).read_bytes() == (GOLDEN / case / name).read_bytes(), name
    # The arrays are the printed columns, to their printed digits.
    el = np.loadtxt(GOLDEN / case / "el.dat")
    assert np.array_equal(np.array(["%.8g" % v for v in history.el]), np.array(["%.8g" % v for v in el[:, 1]]))
    assert np.array_equal(np.array(["%.8g" % v for v in history.z]), np.array(["%.8g" % v for v in el[:, 0]]))


def test_parameters_defaults_keywords_and_docstring():
    p = primrec.Parameters()
    assert p == primrec.Parameters.read(pathlib.Path(__file__).parents[2] / "examples" / "default")
    assert (p.z_begin, p.H0, p.feedback_levels, p.T0) == (8000, 67.36, 10, 2.7255)
    q = primrec.Parameters(omega_b=0.045, N_eff=3.044)
    assert (q.omega_b, q.N_eff, q.H0) == (0.045, 3.044, 67.36)
    assert q.replace(H0=70).H0 == 70 and q.H0 == 67.36
    with pytest.raises(TypeError):
        primrec.Parameters(omega_B=0.04)
    with pytest.raises(AttributeError):
        q.omegab = 0.04
    with pytest.raises(TypeError):
        primrec.Parameters(feedback_levels=3.5)
    # Each keyword with the file and label the value has there.
    for name in ("z_begin", "step", "output_stride", "number_of_info_points", "feedback_levels",
                 "Number_of_levels_for_Resonant_Feedback", "hbar", "kB", "convergence_norm", "N_eff", "nu_number",
                 "Delta_z_perturbation", "H0", "km s^-1 Mpc^-1", "omega_lambda", "X_M", "T0", "cosm_p.in"):
        assert name in primrec.Parameters.__doc__


def test_input_errors_carry_the_programs_messages(tmp_path):
    with pytest.raises(primrec.InputError) as failure:
        primrec.solve(z_begin=6000)
    assert str(failure.value) == ("z_begin should be larger than 7000 (i.e. including HeIII->HeII recombination)\n"
                                  "or less than 5000 (i.e. excluding HeIII->HeII recombination)\n")
    assert str(failure.value) == primrec.Parameters(z_begin=6000).check()
    with pytest.raises(primrec.InputError) as negative:
        primrec.solve(omega_b=-1)
    assert str(negative.value) == primrec.Parameters(omega_b=-1).check() != ""
    # Reading: the first file that fails, with the program's message.
    with pytest.raises(primrec.InputError) as missing:
        primrec.Parameters.read(tmp_path)
    assert str(missing.value) == "error of opening file redshifts.in\n"
    for source in (GOLDEN / CASES[0]).glob("*.in"):
        (tmp_path / source.name).write_bytes(source.read_bytes())
    (tmp_path / "redshifts.in").write_text("z_begin = 6000\nz_end = 1\nstep = 1e-3\nnorm = 1e-8\nn = 1\n")
    with pytest.raises(primrec.InputError) as refused:
        primrec.Parameters.read(tmp_path)
    assert str(refused.value) == str(failure.value)


def test_breakdown_carries_message_redshift_and_rows():
    with pytest.raises(primrec.BreakdownError) as failure:
        primrec.solve(omega_lambda=4, z_begin=3000, z_end=1, step=1e-2, feedback_levels=1)
    error = failure.value
    assert str(error).startswith("non-finite result at z = ") and str(error).endswith("\n")
    assert str(error) == "non-finite result at z = %.8g\n" % error.z
    assert len(error.history) > 0 and error.history.z[-1] > error.z


def test_history_columns_and_summary(default_history):
    h = default_history
    n = len(h)
    for name in ("z", "HydI", "HydII", "HeI", "HeII", "HeIII", "el", "x_e", "T_m"):
        column = getattr(h, name)
        assert isinstance(column, np.ndarray) and column.shape == (n,) and column.dtype == np.float64
    assert np.all(np.diff(h.z) < 0)
    assert h.overheating.ndim == 2 and h.overheating.shape[1] == 2 and np.all(h.overheating[:, 0] <= 2000)
    # No bump: the printed electron column is x_e itself.
    assert np.array_equal(h.el, h.x_e)
    bumped = primrec.solve(A_perturbation_H=0.1, **QUICK)
    assert not np.array_equal(bumped.el, bumped.x_e)
    # The summary is primrec-summary's of the default run (README).
    # The summary is primrec-summary's of the default run (README), which reads
    # the printed columns: equal to what eight digits allow.
    assert h.z_star == pytest.approx(1090.079, abs=1e-2)
    assert h.z_peak == pytest.approx(1078.8681, abs=1e-2)
    assert h.peak_full_width == pytest.approx(202.73806, abs=1e-2)
    assert h.continued_below == h.z[-1]
    z, tau, g = h.visibility
    assert h.tau(h.z_star) == pytest.approx(1, abs=1e-3)
    assert np.array_equal(h.tau(z), tau)
    assert math.isnan(h.tau(1e5))
    assert z[np.argmax(g)] == pytest.approx(h.z_peak, abs=2)


def test_every_row_array_in_table_order(default_history, tmp_path):
    h = default_history
    z, tau, g = h.visibility
    rows = [getattr(h, name) for name in ("z", "HydI", "HydII", "HeI", "HeII", "HeIII", "el", "x_e", "T_m")]
    assert all(len(a) == len(h.z) for a in rows + [tau, g])
    # Row k of every array is row k of the tables.
    h.write(tmp_path)
    for name, column in primrec.TABLES:
        table = np.loadtxt(tmp_path / name)
        assert np.allclose(table[:, 0], h.z, rtol=1e-7, atol=0), name
        assert np.allclose(table[:, 1], getattr(h, column), rtol=1e-7, atol=1e-300), name
    # The visibility's rows are the history's: z itself, the depth from today
    # falling row by row (z decreasing), 1 at the rows around z_star, and the
    # largest g at the row nearest the peak.
    assert np.array_equal(z, h.z)
    assert np.all(np.diff(tau) < 0)
    crossing = np.flatnonzero(tau >= 1)[-1]
    assert h.z[crossing] >= h.z_star > h.z[crossing + 1]
    assert np.argmin(np.abs(h.z - h.z_peak)) == np.argmax(g)
    # Ionised hydrogen grows with z, row by row in the same order as z.
    assert h.HydII[0] > h.HydII[-1] and h.T_m[0] > h.T_m[-1]


def test_ascending_is_the_rows_reversed(default_history):
    h = default_history
    a = h.ascending()
    z, tau, g = h.visibility
    for name, rows in [(n, getattr(h, n)) for n in ("z", "HydI", "HydII", "HeI", "HeII", "HeIII", "el", "x_e", "T_m")] + [
            ("tau", tau), ("g", g), ("overheating", h.overheating)]:
        assert np.array_equal(getattr(a, name), rows[::-1]), name
        assert not getattr(a, name).flags.writeable, name
    assert np.all(np.diff(a.z) > 0)
    # np.interp on them is right at the rows and between them close to x_e_at.
    assert np.interp(h.z[100], a.z, a.x_e) == h.x_e[100]
    assert np.interp(1100.0, a.z, a.x_e) == pytest.approx(h.x_e_at(1100.0), rel=1e-4)


def test_threads_give_the_bits_of_one_by_one():
    grid = [primrec.Parameters(omega_b=ob, H0=h0, **QUICK) for ob in (0.045, 0.049) for h0 in (65.0, 70.0)]
    alone = [primrec.solve(p) for p in grid]
    with concurrent.futures.ThreadPoolExecutor(max_workers=4) as pool:
        together = list(pool.map(primrec.solve, grid + grid))
    # With the feedback, its pass beside the first or after it on one thread.
    feedback = [p.replace(feedback_levels=3) for p in grid[:2]]
    beside = [primrec.solve(p, threads=2) for p in feedback]
    after = [primrec.solve(p) for p in feedback]  # one thread by default
    more = [primrec.solve(p, threads=3) for p in feedback]  # acts as 2
    for a, b in zip(alone + alone + beside + beside, together + after + more):
        for name in ("z", "HydI", "HydII", "HeI", "HeII", "HeIII", "el", "x_e", "T_m", "overheating"):
            assert np.array_equal(getattr(a, name), getattr(b, name)), name
        assert a.z_star == b.z_star
    with pytest.raises(primrec.InputError, match="threads has to be 1 or more"):
        primrec.solve(threads=0)


def test_plot_headless(default_history, tmp_path):
    import matplotlib
    matplotlib.use("Agg")
    from matplotlib.backends.backend_agg import FigureCanvasAgg
    h = default_history
    fig = h.plot()
    width, height = fig.get_size_inches()
    assert width > height
    panels = {ax.get_title(): ax for ax in fig.axes}
    assert sorted(panels) == ["Ionisation", "Matter over radiation temperature", "Temperatures", "Visibility"]
    ion, temp, vis = panels["Ionisation"], panels["Temperatures"], panels["Visibility"]
    assert len([line for line in ion.get_lines() if "z_*" not in line.get_label()]) == 6
    assert ion.get_yscale() == "log"
    assert ion.get_xlim() == pytest.approx((h.z[-1], h.z[0]))
    # T_m itself beside T_r = T0 (1+z), log-log.
    assert temp.get_xscale() == temp.get_yscale() == "log"
    curves = {line.get_label(): line for line in temp.get_lines()}
    assert np.array_equal(curves["$T_m$"].get_ydata(), h.T_m)
    assert np.allclose(curves[r"$T_r = T_0\,(1+z)$"].get_ydata(), 2.7255 * (1 + h.z), rtol=1e-15)
    # z_* on every panel, at z_*; the peak on the visibility's.
    for title, ax in panels.items():
        marks = [line for line in ax.get_lines() if "z_*" in line.get_label()]
        assert len(marks) == 1 and marks[0].get_xdata()[0] == h.z_star, title
    assert any("peak" in line.get_label() for line in vis.get_lines())
    lo, hi = vis.get_xlim()
    assert lo < h.z_star < hi and lo < h.z_peak < hi
    # The cosmology in the title.
    title = fig._suptitle.get_text()
    for value in ("67.36 km/s/Mpc", r"$\Omega_b$ = 0.0493", r"$\Omega_m$ = 0.3153", r"$T_0$ = 2.7255 K"):
        assert value in title
    # Each legend beside its panel: it hides no curve.
    FigureCanvasAgg(fig).draw()
    for title, ax in panels.items():
        legend = ax.get_legend()
        assert legend is not None and not legend.get_window_extent().overlaps(ax.get_window_extent()), title
    fig.savefig(tmp_path / "history.pdf")
    fig.savefig(tmp_path / "history.png")
    assert (tmp_path / "history.png").read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
    assert (tmp_path / "history.pdf").read_bytes()[:5] == b"%PDF-"


def test_example_script_runs(tmp_path):
    import subprocess
    import sys
    script = pathlib.Path(__file__).parents[2] / "examples" / "python" / "history.py"
    env = dict(os.environ, MPLBACKEND="Agg")
    done = subprocess.run([sys.executable, str(script)], cwd=tmp_path, env=env, capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    lines = done.stdout.splitlines()
    assert lines[0] == "z_star = 1090.079, visibility peak at z = 1078.87"
    assert len([line for line in lines if line.startswith("omega_b = ")]) == 100
    assert (tmp_path / "history.png").exists()


def test_fast_mode_and_values_between_rows():
    default = primrec.solve(z_end=200.0)
    fast = primrec.solve(z_end=200.0, fast=True)
    assert np.array_equal(fast.z, default.z)  # the rows keep the input's grid
    assert np.max(np.abs(fast.x_e / default.x_e - 1)) < 1e-3
    assert np.max(np.abs(fast.T_m / default.T_m - 1)) < 1e-3
    z = np.array([[1100.0, 500.0], [300.0, 1e5]])
    x = fast.x_e_at(z)
    assert x.shape == (2, 2) and math.isnan(x[1, 1])
    assert fast.x_e_at(fast.z[10]) == fast.x_e[10]
    assert fast.T_m_at(1000.0) == pytest.approx(default.T_m_at(1000.0), rel=1e-3)
    with pytest.raises(primrec.InputError):
        primrec.solve(fast=True, tolerance=0)
