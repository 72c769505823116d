"""primrec: the recombination history of the primordial hydrogen-helium plasma.

    import primrec
    h = primrec.solve(omega_b=0.045)      # the defaults of examples/default/, one value changed
    print(h.z_star)                       # tau = 1
    h.plot().savefig("history.pdf")
    h.write("myrun")                      # the program's tables, byte for byte

A solve runs in the compiled library without the GIL: solves in several
threads (concurrent.futures.ThreadPoolExecutor) run on several cores.
"""
import os
import threading
import warnings

import numpy as np

from ._version import __version__

try:
    from . import _primrec
except ImportError as missing:
    # A package directory without its compiled half must not import as an
    # empty package (every name would then be missing, unexplained).
    raise ImportError(
        "primrec: the compiled module _primrec is not in %s; build it with `make python` (or "
        "`make run`) in primrec's source tree, which needs python3-dev, pybind11-dev and "
        "python3-numpy, and put build/release/python on PYTHONPATH"
        % os.path.dirname(os.path.abspath(__file__))) from missing

__all__ = ["__version__", "Parameters", "PlausibilityWarning", "History", "solve", "InputError", "BreakdownError", "TABLES"]

# Every parameter (the library's table): name, input file, label there, unit,
# allowed values, meaning.
_FIELDS = _primrec.PARAMETERS
_NAMES = tuple(field[0] for field in _FIELDS)
_DEFAULTS = {name: getattr(_primrec.Parameters(), name) for name in _NAMES}


def _parameters_doc():
    lines = [
        "The input values of a history, one keyword per value of the five input files",
        "(named as in the library and README's table of the parameters), in their units.",
        "Unnamed values keep the defaults of examples/default/ (a Planck-2018-like",
        "universe). Each: default [unit]: meaning; allowed values (file: label there):",
        "",
    ]
    for name, file, label, unit, allowed, meaning in _FIELDS:
        lines.append("    %s = %r%s: %s; %s (%s: %s)" % (
            name, _DEFAULTS[name], " [%s]" % unit if unit else "", meaning, allowed, file, label))
    lines += [
        "",
        "Parameters.read(dir) reads the five files of a run directory with the",
        "program's checks; p.replace(**changes) is a copy with some values changed.",
        "The checks run when a history is solved (primrec.solve).",
    ]
    return "\n".join(lines)


# Names a cosmologist may try for a value that has another name here.
_HINTS = {"h": " (the Hubble parameter is H0 = 100 h in km/s/Mpc; hbar is the reduced Planck constant)",
          "Omega_b": " (omega_b, the density parameter Omega_b, not Omega_b h^2)",
          "Y_p": " (X_M = 1 - Y_p, the hydrogen mass fraction)"}


class PlausibilityWarning(UserWarning):
    """A value that passes its check but is almost surely a mistake (H0 given as
    little h, Omega_b h^2 given for omega_b, ...): the message names the value and
    what was probably meant. The solve goes on with the value as given."""


class InputError(ValueError):
    """An input value or file was refused; str() is the program's message."""


class BreakdownError(RuntimeError):
    """A step gave a result that is not a finite number or out of its physical range.

    str() is the program's message; .z the redshift of the step; .history the
    rows up to it (a History, possibly empty).
    """

    def __init__(self, message, z, history=None):
        super().__init__(message)
        self.z = z
        self.history = history

    def __reduce__(self):  # pickling, for process pools: with .z and .history
        return (type(self), (self.args[0], self.z, self.history))


class Parameters(_primrec.Parameters):
    __slots__ = ()
    __doc__ = _parameters_doc()

    def __init__(self, **values):
        super().__init__()
        for name, value in values.items():
            if name not in _DEFAULTS:
                raise TypeError("Parameters has no value %r%s" % (name, _HINTS.get(name, "")))
            setattr(self, name, value)

    def __setattr__(self, name, value):
        if name not in _DEFAULTS:
            raise AttributeError("Parameters has no value %r" % name)
        super().__setattr__(name, value)

    @staticmethod
    def read(directory):
        """The values of the five input files in `directory`, read and checked as the
        program does; InputError with the program's message when a file fails.
        A message that does not stop the reading (a label whose "=" was not
        found, so that the values after it shift) comes as a warning."""
        status, read, messages, error = _primrec.read_parameters(os.fspath(directory))
        if status != _primrec.STATUS_OK:
            raise InputError(messages + error)
        if messages:
            warnings.warn(messages, stacklevel=2)
        return Parameters(**{name: getattr(read, name) for name in _NAMES})

    def replace(self, **changes):
        """A copy with the named values changed."""
        values = self.as_dict()
        values.update(changes)
        return Parameters(**values)

    def __reduce__(self):  # pickling, for process pools
        return (_parameters_from_dict, (self.as_dict(),))

    def as_dict(self):
        return {name: getattr(self, name) for name in _NAMES}

    def check(self):
        """The program's message for the first value that fails its check; '' when all pass."""
        return _primrec.check_parameters(self)

    def __eq__(self, other):
        return isinstance(other, _primrec.Parameters) and all(
            getattr(self, n) == getattr(other, n) for n in _NAMES)

    __hash__ = None

    def __repr__(self):
        changed = ", ".join("%s=%r" % (n, getattr(self, n)) for n in _NAMES if getattr(self, n) != _DEFAULTS[n])
        return "primrec.Parameters(%s)" % changed


def _parameters_from_dict(values):
    return Parameters(**values)


class _FrozenParameters(Parameters):
    """The parameters a History was solved with: they cannot be changed, so that
    what is derived from them (z_star, say) stays true of the rows."""
    __slots__ = ()

    def __init__(self, **values):
        _primrec.Parameters.__init__(self)
        for name, value in values.items():
            _primrec.Parameters.__setattr__(self, name, value)

    def __setattr__(self, name, value):
        raise AttributeError("the parameters of a History are frozen: use h.parameters.replace(%s=...)" % name)

    def __reduce__(self):
        return (_frozen_from_dict, (self.as_dict(),))


def _frozen_from_dict(values):
    return _FrozenParameters(**values)


def _flag(name, value):
    """A yes-or-no keyword: only True or False (a string such as 'False' would be true)."""
    if not isinstance(value, (bool, np.bool_)):
        raise TypeError("%s must be True or False, not %r" % (name, value))
    return bool(value)


# The program's tables: file name and the History column of its second column.
TABLES = (
    ("HydI.dat", "HydI"),
    ("HydII.dat", "HydII"),
    ("HeI.dat", "HeI"),
    ("HeII.dat", "HeII"),
    ("HeIII.dat", "HeIII"),
    ("el.dat", "el"),
    ("T_matter.dat", "T_m"),
)


def _readonly(a):
    a.flags.writeable = False
    return a


# The arrays of a History with one entry per table row, in the tables' order.
_ROW_ARRAYS = ("z", "HydI", "HydII", "HeI", "HeII", "HeIII", "el", "x_e", "T_m")


class _Ascending:
    """The per-row arrays of a History in increasing z (History.ascending())."""

    def __init__(self, **arrays):
        self.__dict__.update(arrays)

    def __repr__(self):
        return "<primrec.History.ascending(): %d rows, z increasing>" % len(self.z)


def _read_table(directory, name):
    """A table of the program: rows of two numbers, high to low redshift."""
    path = os.path.join(directory, name)
    if not os.path.exists(path):
        raise FileNotFoundError("%s has no %s: not the tables of a run (primrec %s writes them, "
                                "as does History.write)" % (directory, name, directory))
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")  # an empty table is a table without rows
        try:
            rows = np.loadtxt(path, ndmin=2)
        except ValueError as unreadable:
            raise ValueError("%s: %s is not a table of numbers (%s)" % (directory, name, unreadable)) from None
    if rows.size == 0:
        return np.empty((0, 2))
    if rows.shape[1] != 2:
        raise ValueError("%s: %s is not two columns" % (directory, name))
    return rows


def _electron_bump(parameters, z):
    """The factor el.dat's electron column carries over x_e: 1 plus a Lorentzian of
    height A_perturbation_H and half width Delta_z_perturbation at z_perturbation."""
    u = (z - parameters.z_perturbation) / parameters.Delta_z_perturbation
    return parameters.A_perturbation_H / (u * u + 1) + 1


class History:
    """A recombination history. Every per-row array keeps the order of the tables:
    entry k is row k of el.dat and the other tables, from high to low redshift
    (h.z decreasing), the visibility's arrays included. For np.interp, which
    wants increasing abscissae, h.ascending() has the same arrays reversed; to
    evaluate x_e or T_m at a redshift, h.x_e_at(z) and h.T_m_at(z) do it directly.

    z          redshift of the row
    HydI HydII neutral and ionised hydrogen, per nucleus
    HeI HeII HeIII  neutral, singly and doubly ionised helium, per nucleus
    el         the electron column of el.dat: x_e times the bump of A_perturbation_H
    x_e        free electrons per hydrogen nucleus, n_e / n_H
    T_m        matter temperature [K]
    overheating  rows (z, ln overheating) of Hyd_Rad_Overheat.dat, an (n, 2) array
               (its own rows, also from high to low redshift)
    messages   the messages that did not stop the solve, one str as the program prints them
    parameters the Parameters it was solved with

    The summary of last scattering, from the el column as primrec-summary has it:
    tau(z), z_star, z_peak, peak_full_width, visibility (arrays z, tau, g at the rows).
    """

    def __init__(self, parameters, columns, overheating, messages):
        self._parameters = _FrozenParameters(**parameters.as_dict())
        for name, column in zip(_ROW_ARRAYS, columns):
            setattr(self, name, _readonly(column))
        self.overheating = _readonly(overheating)
        self.messages = messages
        self._last_scattering = None

    @classmethod
    def read(cls, directory):
        """The history in the tables of a run directory, as they are (no solve): the
        seven tables of TABLES (Hyd_Rad_Overheat.dat too when it is there) and the
        parameters of the five input files (Parameters.read). The arrays hold the
        printed values, eight digits; x_e is the el column without its bump
        (A_perturbation_H of fudge_factors.in). FileNotFoundError naming the
        table that is missing; ValueError for a table that is not two columns
        on the rows of el.dat; InputError for an input file, as Parameters.read."""
        directory = os.fspath(directory)
        if not os.path.isdir(directory):
            raise FileNotFoundError("no directory %s" % directory)
        tables = {column: _read_table(directory, name) for name, column in TABLES}
        z = tables["el"][:, 0]
        for name, column in TABLES:
            if not np.array_equal(tables[column][:, 0], z):
                raise ValueError("%s: the redshifts of %s are not those of el.dat" % (directory, name))
        parameters = Parameters.read(directory)
        overheating = np.empty((0, 2))
        if os.path.exists(os.path.join(directory, "Hyd_Rad_Overheat.dat")):
            overheating = _read_table(directory, "Hyd_Rad_Overheat.dat")
        el = tables["el"][:, 1]
        columns = [z] + [tables[column][:, 1] for column in ("HydI", "HydII", "HeI", "HeII", "HeIII")]
        columns += [el, el / _electron_bump(parameters, z), tables["T_m"][:, 1]]
        return cls(parameters, [np.ascontiguousarray(c) for c in columns], overheating, "")

    @property
    def parameters(self):
        """The Parameters it was solved with, frozen: neither they nor the attribute change."""
        return self._parameters

    def __setstate__(self, state):  # unpickled: read-only arrays, as those of a solve
        self.__dict__.update(state)
        for name, value in state.items():
            if isinstance(value, np.ndarray):
                _readonly(value)
        if self._last_scattering is not None:
            for value in self._last_scattering[4:7]:
                _readonly(value)

    def __len__(self):
        return len(self.z)

    def __repr__(self):
        if len(self) == 0:
            return "<primrec.History: no rows>"
        return "<primrec.History: %d rows, z %.8g .. %.8g>" % (len(self), self.z[0], self.z[-1])

    # Last scattering.
    def _summary(self):
        if self._last_scattering is None:
            summary = _primrec.last_scattering(self.parameters, self.z, self.el)
            self._last_scattering = summary[:4] + tuple(_readonly(a) for a in self._in_table_order(*summary[4:7]))
        return self._last_scattering

    def _in_table_order(self, z, tau, g):
        """The library's points come sorted by increasing z: each one back in its row."""
        rows = np.argsort(self.z, kind="stable")
        in_rows = [np.empty_like(a) for a in (z, tau, g)]
        for table, points in zip(in_rows, (z, tau, g)):
            table[rows] = points
        return in_rows

    @property
    def continued_below(self):
        """> 0: the history ends at this redshift and x_e is held at its last value down to z = 0."""
        return self._summary()[0]

    @property
    def z_star(self):
        """The redshift where tau = 1 (NaN when the rows do not hold the crossing)."""
        return self._summary()[1]

    @property
    def z_peak(self):
        """The redshift of the visibility's maximum (NaN without a peak inside the rows)."""
        return self._summary()[2]

    @property
    def peak_full_width(self):
        """The visibility's full width at half its maximum, in redshift (NaN without one)."""
        return self._summary()[3]

    @property
    def visibility(self):
        """Arrays (z, tau, g) at the rows, in the table's order (z equal to h.z): the
        optical depth from today and the visibility g = (dtau/dz) e^-tau."""
        return self._summary()[4:7]

    def ascending(self):
        """The per-row arrays in increasing z, for np.interp(z, a.z, a.x_e) and the
        like: an object with z, HydI, HydII, HeI, HeII, HeIII, el, x_e, T_m, tau
        and g (read-only views of the history's arrays, reversed) and
        overheating (the rows of Hyd_Rad_Overheat.dat, reversed)."""
        _, tau, g = self.visibility
        arrays = {name: getattr(self, name) for name in _ROW_ARRAYS}
        arrays.update(tau=tau, g=g, overheating=self.overheating)
        return _Ascending(**{name: _readonly(a[::-1]) for name, a in arrays.items()})

    def tau(self, z):
        """The Thomson optical depth from today at z (a number or an array), linear in
        ln(1+z) between the rows; NaN outside the rows' redshifts."""
        rows = self.ascending()
        zs, taus = rows.z, rows.tau
        z = np.asarray(z, dtype=float)
        if len(zs) == 0:
            return np.full(z.shape, np.nan)[()]
        t = np.interp(np.log1p(z), np.log1p(zs), taus, left=np.nan, right=np.nan)
        return t[()] if t.ndim == 0 else t

    def x_e_at(self, z):
        """x_e at z (a number or an array) between the first and the last row: the
        quadratic in ln(1+z) through the three nearest rows; NaN outside them."""
        return self._at(z)[0]

    def T_m_at(self, z):
        """T_m [K] at z (a number or an array), as x_e_at."""
        return self._at(z)[1]

    def _at(self, z):
        z = np.asarray(z, dtype=float)
        x, T = _primrec.rows_at(self.z, self.x_e, self.T_m, z.ravel())
        return x.reshape(z.shape)[()], T.reshape(z.shape)[()]

    # Tables and pictures.
    def write(self, directory):
        """Writes the program's tables HydI.dat ... T_matter.dat and Hyd_Rad_Overheat.dat,
        byte for byte as the program would, and the five input files of the
        parameters, into `directory` (created if missing), as a run of the program
        does: under the directory's lock, all of them or none (a link in a file's
        place is replaced, not written through). OSError with the program's
        message when the directory is in use or a file cannot be written (the
        directory then as it was); ValueError for a value its input file cannot
        hold (N_eff not a whole number above 0: cosm_p.in holds an integer)."""
        directory = os.fspath(directory)
        os.makedirs(directory, exist_ok=True)
        columns = [self.z, self.HydI, self.HydII, self.HeI, self.HeII, self.HeIII, self.el, self.T_m]
        outcome, message = _primrec.write_history(directory, self.parameters, columns, self.overheating)
        if outcome == 1:
            raise ValueError(message)
        if outcome != 0:
            raise OSError(message)

    def plot(self, title=None):
        """A matplotlib figure of the history (landscape, 13.33 x 7.5 inches, for a slide),
        the cosmology of its parameters under the title: x_e and the five species,
        the visibility with its peak, T_m beside T_r (log-log) and T_m / T_r; z_* is
        marked on every panel, each legend stands beside its panel."""
        from ._plot import plot_history
        return plot_history(self, title)


def solve(params=None, threads=1, fast=False, tolerance=1e-4, precise=False, **changes):
    """The recombination history of `params` (Parameters; the defaults without),
    with the keyword values changed:

        primrec.solve(omega_b=0.045, H0=70)

    threads=1 solves on one thread (many solves in parallel, one per
    core); threads=2 (or more, which acts as 2) runs the feedback pass beside
    the first on a second thread, so that a history with the feedback takes
    little more time than one without. The numbers are the same either way;
    threads below 1 raise InputError.

    fast=True: the fast mode, whose steps follow an estimate of their error
    against `tolerance` (about what x_e and T_m then err by) instead of the
    step of the inputs, which then only sets the redshifts of the rows; the
    tolerance must lie between 1e-8 and 1e-2 (else InputError).

    precise=True: the precise mode, with fast or without. x_e (and el) and T_m
    are multiplied by a correction fitted to the histories of a multi-level
    atom code with radiative transfer; the species stay the model's. It holds
    for the physics it was fitted with and inside the box of cosmologies of its
    reference histories (omega_b h^2 0.016..0.031, omega_m h^2 0.10..0.20, H0
    55..85, X_M 0.74..0.77, T0 2.70..2.75, N_eff 2..4, flat within 0.01, the
    laboratory constants, F_H 1.125, feedback_levels 10, z_begin >= 7000):
    elsewhere InputError, naming the value and its range.

    Values that pass their checks but are almost surely a mistake (H0 = 0.6736,
    omega_b = 0.0224 meant as Omega_b h^2, hbar = 0.674 meant as the Hubble
    parameter h, ...) are warned of with warnings.warn (PlausibilityWarning);
    the solve goes on with them.

    Returns a History. Raises InputError (a value failed its check; the program's
    message) or BreakdownError (the message and the redshift .z of the step).
    On the main thread a signal (Ctrl-C) is taken within 0.1 s: the solve
    stops and its exception (KeyboardInterrupt) is raised.
    """
    p = Parameters() if params is None else params
    if changes or not isinstance(p, Parameters):
        p = Parameters(**{n: getattr(p, n) for n in _NAMES}).replace(**changes)
    else:
        p = p.replace()  # the history keeps its own copy
    for _, message in _primrec.plausibility_warnings(p):
        warnings.warn(message, PlausibilityWarning, stacklevel=2)
    watch_signals = threading.current_thread() is threading.main_thread()
    status, error, error_z, *columns, overheating, messages = _primrec.solve(
        p, threads, _flag("fast", fast), float(tolerance), _flag("precise", precise), watch_signals)
    if status == _primrec.STATUS_INPUT_ERROR:
        raise InputError(error)
    history = History(p, columns, overheating, messages)
    if status != _primrec.STATUS_OK:
        raise BreakdownError(error, error_z, history)
    return history
