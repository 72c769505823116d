"""A recombination history from Python: one solve, its picture, and a grid of
100 histories over omega_b and H0 solved in threads.

    PYTHONPATH=build/release/python /usr/bin/python3 examples/python/history.py
"""
import concurrent.futures
import os

import primrec

# The defaults are those of examples/default/; any input value is a keyword.
history = primrec.solve(omega_b=0.0493, H0=67.36)
print("z_star = %.3f, visibility peak at z = %.2f" % (history.z_star, history.z_peak))
print("x_e at the last row (z = %g): %g" % (history.z[-1], history.x_e[-1]))
history.plot().savefig("history.png", dpi=150)

# A grid of 100 histories. A solve releases the GIL, so threads use every core.
# A coarser step and no Lyman-series feedback keep each history quick.
quick = primrec.Parameters(step=4e-3, feedback_levels=1)
grid = [quick.replace(omega_b=0.040 + 0.002 * i, H0=62.0 + 1.5 * j) for i in range(10) for j in range(10)]
with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count()) as pool:
    histories = list(pool.map(primrec.solve, grid))
for p, h in zip(grid, histories):
    print("omega_b = %.3f  H0 = %.1f  z_star = %.3f" % (p.omega_b, p.H0, h.z_star))
