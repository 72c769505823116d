"""The cost of the Python call against the same solve from C++, and the speed-up
of a grid of histories in threads:

    PYTHONPATH=build/release/python /usr/bin/python3 python/bench/time_solve.py [repetitions]

Both solves run in this process on the default parameters, alternating; the C++
one is primrec::solve called from the compiled module with the GIL released.
"""
import concurrent.futures
import os
import statistics
import sys
import time

import primrec
from primrec import _primrec


def python_seconds(params):
    start = time.perf_counter()
    primrec.solve(params)
    return time.perf_counter() - start


def grid_seconds(grid, workers):
    start = time.perf_counter()
    with concurrent.futures.ThreadPoolExecutor(max_workers=workers) as pool:
        list(pool.map(primrec.solve, grid))
    return time.perf_counter() - start


def main():
    repetitions = int(sys.argv[1]) if len(sys.argv) > 1 else 21
    params = primrec.Parameters()
    python_seconds(params)  # warm up
    cpp, py = [], []
    for _ in range(repetitions):
        cpp.append(_primrec.solve_seconds(params))
        py.append(python_seconds(params))
    print("one solve of the default parameters, %d of each:  median       fastest" % repetitions)
    c, p = statistics.median(cpp), statistics.median(py)
    c_min, p_min = min(cpp), min(py)
    print("  C++     %8.2f ms          %8.2f ms" % (c * 1e3, c_min * 1e3))
    print("  Python  %8.2f ms (%+.1f %%) %8.2f ms (%+.1f %%)"
          % (p * 1e3, 100 * (p / c - 1), p_min * 1e3, 100 * (p_min / c_min - 1)))

    grid = [primrec.Parameters(omega_b=0.04 + 0.001 * i, H0=60 + j, step=4e-3,
                               feedback_levels=1) for i in range(10) for j in range(10)]
    cores = len(os.sched_getaffinity(0))
    one = min(grid_seconds(grid, 1) for _ in range(3))
    print("grid of %d histories (step 4e-3, one feedback level):" % len(grid))
    print("  1 thread   %7.3f s" % one)
    for workers in sorted({2, cores}):
        if workers > 1:
            many = min(grid_seconds(grid, workers) for _ in range(3))
            print("  %d threads  %7.3f s  (speed-up %.2f, %d cores)" % (workers, many, one / many, cores))


if __name__ == "__main__":
    main()
