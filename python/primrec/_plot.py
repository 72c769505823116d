"""The picture of a history: three panels side by side, for a slide."""
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


def plot_history(history, title=None):
    import matplotlib

    if len(history) == 0:
        raise ValueError("a history without rows has nothing to plot")
    # Text sizes are taken when the artists are made: large enough for a slide.
    with matplotlib.rc_context({"font.size": 13, "axes.titlesize": 15, "axes.labelsize": 14}):
        return _draw(history, title)


def _draw(history, title):
    from matplotlib.figure import Figure

    fig = Figure(figsize=(13.333, 7.5), layout="constrained")
    ax_ion, ax_temp, ax_vis = fig.subplots(1, 3)
    z = history.z
    z_lo, z_hi = max(z.min(), 1e-3), z.max()

    # Ionisation: every fraction on a log axis, down to the smallest printed value
    # worth seeing (the fractions that vanish would squash the rest).
    floor = 1e-8
    for name, label, colour, width in _SPECIES:
        values = getattr(history, name)
        ax_ion.plot(z, np.where(values > 0, values, np.nan), color=colour, lw=width, label=label)
    ax_ion.set_xscale("log")
    ax_ion.set_yscale("log")
    ax_ion.set_xlim(z_lo, z_hi)
    top = max(np.nanmax([getattr(history, n).max() for n, *_ in _SPECIES]) * 1.5, 1.5)
    ax_ion.set_ylim(floor, top)
    ax_ion.set_title("Ionisation")
    ax_ion.set_xlabel("redshift z")
    ax_ion.set_ylabel("fraction (species per nucleus)")
    ax_ion.legend(loc="lower right", fontsize="small")

    # Matter over radiation temperature.
    ratio = history.T_m / (history.parameters.T0 * (1 + z))
    ax_temp.plot(z, ratio, color="black", lw=2)
    ax_temp.set_xscale("log")
    ax_temp.set_xlim(z_lo, z_hi)
    ax_temp.set_ylim(0, max(1.05, float(np.nanmax(ratio)) * 1.05))
    ax_temp.set_title("Matter temperature")
    ax_temp.set_xlabel("redshift z")
    ax_temp.set_ylabel(r"$T_m / T_r$")

    # Visibility around its peak, z_* and the peak marked.
    vz, _, g = history.visibility
    z_star, z_peak, width = history.z_star, history.z_peak, history.peak_full_width
    ax_vis.plot(vz, g, color="black", lw=2, label=r"$g = (d\tau/dz)\,e^{-\tau}$")
    if np.isfinite(z_peak):
        half = 2.5 * width if np.isfinite(width) else 0.5 * z_peak
        ax_vis.set_xlim(max(vz.min(), z_peak - half), min(vz.max(), z_peak + half))
        ax_vis.axvline(z_peak, color="#d62728", lw=1.2, ls="--",
                       label=r"peak $z$ = %.1f" % z_peak)
    else:
        ax_vis.set_xlim(vz.min(), vz.max())
    if np.isfinite(z_star):
        ax_vis.axvline(z_star, color="#1f77b4", lw=1.2, ls=":", label=r"$z_*$ = %.1f ($\tau$ = 1)" % z_star)
    ax_vis.set_ylim(0, 1.3 * float(np.nanmax(g)))  # room for the legend above the peak
    ax_vis.set_title("Visibility")
    ax_vis.set_xlabel("redshift z")
    ax_vis.set_ylabel(r"$g(z)$")
    ax_vis.legend(loc="upper left", fontsize="small")

    for ax in (ax_ion, ax_temp, ax_vis):
        ax.grid(True, which="major", alpha=0.4)
    fig.suptitle(title or "Recombination history", fontsize="x-large")
    return fig
