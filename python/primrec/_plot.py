"""The picture of a history: four panels, for a slide, z_* marked on each."""
import numpy as np

# Species: History column, label, colour, line width.
_SPECIES = (
    ("x_e", r"$x_e = n_e/n_\mathrm{H}$", "black", 2.5),
    ("HydII", "H II", "#d62728", 1.6),
    ("HydI", "H I", "#ff9896", 1.6),
    ("HeIII", "He III", "#1f77b4", 1.6),
    ("HeII", "He II", "#2ca02c", 1.6),
    ("HeI", "He I", "#9467bd", 1.6),
)
_Z_STAR_COLOUR = "#555555"


def plot_history(history, title=None):
    import matplotlib

    if len(history) == 0:
        raise ValueError("a history without rows has nothing to plot")
    # Text sizes are taken when the artists are made: large enough for a slide.
    with matplotlib.rc_context({"font.size": 12, "axes.titlesize": 14, "axes.labelsize": 13}):
        return _draw(history, title)


def cosmology(parameters):
    """The values of cosm_p.in a reader needs to know which universe this is."""
    p = parameters
    return (r"$H_0$ = %g km/s/Mpc, $\Omega_b$ = %g, $\Omega_m$ = %g, $\Omega_\Lambda$ = %g, "
            r"$N_\mathrm{eff}$ = %g, $X_M$ = %g, $T_0$ = %g K" % (
                p.H0, p.omega_b, p.omega_m, p.omega_lambda, p.N_eff, p.X_M, p.T0))


def _draw(history, title):
    from matplotlib.figure import Figure

    fig = Figure(figsize=(13.333, 7.5), layout="constrained")
    (ax_ion, ax_vis), (ax_temp, ax_ratio) = fig.subplots(2, 2)
    _ionisation(ax_ion, history)
    _temperatures(ax_temp, history)
    _temperature_ratio(ax_ratio, history)
    _visibility(ax_vis, history)
    for ax in (ax_ion, ax_temp, ax_ratio, ax_vis):
        ax.grid(True, which="major", alpha=0.4)
        ax.set_xlabel("redshift z")
        _mark_last_scattering(ax, history.z_star)
        # Beside the panel, where it hides no curve.
        ax.legend(loc="upper left", bbox_to_anchor=(1.01, 1.0), borderaxespad=0, fontsize="small")
    fig.suptitle("%s\n%s" % (title or "Recombination history", cosmology(history.parameters)), fontsize="large")
    return fig


def _z_range(history):
    return max(history.z.min(), 1e-3), history.z.max()


def _mark_last_scattering(ax, z_star):
    """z_*, where tau = 1: the line every panel is read against."""
    if np.isfinite(z_star):
        ax.axvline(z_star, color=_Z_STAR_COLOUR, lw=1.4, ls=":", label=r"$z_*$ = %.1f ($\tau$ = 1)" % z_star)


def _ionisation(ax, history):
    # Every fraction on a log axis, down to the smallest value worth seeing
    # (the fractions that vanish would squash the rest).
    floor = 1e-8
    for name, label, colour, width in _SPECIES:
        values = getattr(history, name)
        ax.plot(history.z, np.where(values > 0, values, np.nan), color=colour, lw=width, label=label)
    ax.set_xscale("log")
    ax.set_yscale("log")
    ax.set_xlim(*_z_range(history))
    top = max(np.nanmax([getattr(history, n).max() for n, *_ in _SPECIES]) * 1.5, 1.5)
    ax.set_ylim(floor, top)
    ax.set_title("Ionisation")
    ax.set_ylabel("fraction (species per nucleus)")


def _temperatures(ax, history):
    # Both fall as (1+z) while Compton scattering holds them together; below,
    # the matter cools adiabatically, as (1+z)^2.
    T_r = history.parameters.T0 * (1 + history.z)
    ax.plot(history.z, T_r, color="#ff7f0e", lw=1.6, label=r"$T_r = T_0\,(1+z)$")
    ax.plot(history.z, np.where(history.T_m > 0, history.T_m, np.nan), color="black", lw=2, label=r"$T_m$")
    ax.set_xscale("log")
    ax.set_yscale("log")
    ax.set_xlim(*_z_range(history))
    ax.set_title("Temperatures")
    ax.set_ylabel("temperature [K]")


def _temperature_ratio(ax, history):
    ratio = history.T_m / (history.parameters.T0 * (1 + history.z))
    ax.plot(history.z, ratio, color="black", lw=2, label=r"$T_m / T_r$")
    ax.set_xscale("log")
    ax.set_xlim(*_z_range(history))
    ax.set_ylim(0, max(1.05, float(np.nanmax(ratio)) * 1.05))
    ax.set_title("Matter over radiation temperature")
    ax.set_ylabel(r"$T_m / T_r$")


def _visibility(ax, history):
    # Around its peak, which is marked.
    vz, _, g = history.visibility
    z_peak, width = history.z_peak, history.peak_full_width
    ax.plot(vz, g, color="black", lw=2, label=r"$g = (d\tau/dz)\,e^{-\tau}$")
    if np.isfinite(z_peak):
        half = 2.5 * width if np.isfinite(width) else 0.5 * z_peak
        ax.set_xlim(max(vz.min(), z_peak - half), min(vz.max(), z_peak + half))
        ax.axvline(z_peak, color="#d62728", lw=1.2, ls="--", label=r"peak $z$ = %.1f" % z_peak)
    else:
        ax.set_xlim(vz.min(), vz.max())
    ax.set_ylim(0, 1.05 * float(np.nanmax(g)))
    ax.set_title("Visibility")
    ax.set_ylabel(r"$g(z)$")
