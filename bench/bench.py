#!/usr/bin/env python3
"""Times whole runs of primrec on a fixed set of cases.

Builds the working tree (Release, with the work counters compiled in) and, with
--base REV, that revision beside it; runs every case several times, alternating
the two binaries, and reports the median wall time of the whole process, the
steps and inner iterations, and the ratio to the base. The tables of the two
builds must be byte-identical: a speed-up never changes a result.

    python3 bench/bench.py [--base REV] [--reps N] [--markdown FILE] [--cases a,b]
"""
import argparse
import math
import os
import pathlib
import random
import shutil
import statistics
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
BUILD = ROOT / "build" / "bench"
TABLES = ["HydI.dat", "HydII.dat", "HeI.dat", "HeII.dat", "HeIII.dat", "el.dat", "T_matter.dat",
          "Hyd_Rad_Overheat.dat"]

# name -> (description, changes to the default inputs: file -> {line prefix: value})
CASES = {
    "default": ("default inputs (two passes)", {}),
    "single": ("default, one feedback level (one pass)", {"fine_effects.in": {"Number": "1"}}),
    "step1e-4": ("default, step 1e-4", {"redshifts.in": {"step": "1e-4"}}),
    "step1e-5": ("default, step 1e-5, z_end 200", {"redshifts.in": {"step": "1e-5", "z_end": "200"}}),
    "fast": ("default inputs, fast mode", {}),
}
# The program's options of a case; a case with options of its own is not
# compared with the base, which may not know them.
CASE_OPTIONS = {"fast": ["--fast"]}


def build(source, build_dir, targets=("primrec",), bench_programs=False):
    """Builds `targets` Release with the work counters; the programs of bench/
    (PRIMREC_BENCH) only where asked for, since a base revision may not know them."""
    options = ["-DPRIMREC_BENCH=ON"] if bench_programs else []
    subprocess.run(["cmake", "-S", str(source), "-B", str(build_dir), "-DCMAKE_BUILD_TYPE=Release",
                    "-DPRIMREC_BENCH_COUNTERS=ON", *options, "-Wno-dev"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(build_dir), "-j", str(os.cpu_count() or 2), "--target", *targets],
                   check=True, stdout=subprocess.DEVNULL)
    return build_dir / "primrec"


def in_process(build_dir, reps):
    """One history in-process (two threads and one) against the whole program,
    for the default inputs with their feedback levels and with one level
    (primrec-solve-timer), and what two passes cost against one."""
    lines, medians = [], {}
    for levels in (10, 1):
        done = subprocess.run([str(build_dir / "primrec-solve-timer"), str(reps), str(levels)],
                              capture_output=True, text=True, check=True)
        for line in done.stdout.splitlines():
            if line.startswith("medians:"):
                medians[levels] = dict(field.split("=") for field in line.split()[1:])
            else:
                lines.append(line)
    two, one = medians[10], medians[1]
    lines.append("two passes against one, whole program: %.2f (two threads); in-process: %.2f (two threads), %.2f (one)"
                 % (float(two["program"]) / float(one["program"]), float(two["threads2"]) / float(one["threads2"]),
                    float(two["threads1"]) / float(one["threads1"])))
    return lines


def random_inputs(rng):
    """Inputs drawn from the physical range of the property test."""
    early = rng.random() < 0.5
    z_begin = rng.uniform(7000, 10000) if early else rng.uniform(3000, 5000)
    changes = {
        "redshifts.in": {"z_begin": "%.17g" % z_begin, "z_end": "%.17g" % math.exp(rng.uniform(math.log(0.5), math.log(200))),
                         "step": "%.17g" % math.exp(rng.uniform(math.log(1e-3), math.log(5e-3))),
                         "norm": "%.17g" % math.exp(rng.uniform(math.log(1e-10), math.log(1e-6))),
                         "number_of_info_points": str(rng.randint(1, 10))},
        "fine_effects.in": {"Number": str(rng.choice([1, 2, 2, 3, 10, rng.randint(4, 30)]))},
        "fudge_factors.in": {"F_H": "%.17g" % rng.uniform(1.0, 1.3), "A_perturbation_H": "%.17g" % rng.uniform(-0.2, 0.2)},
        "cosm_p.in": {"H0": "%.17g" % rng.uniform(50, 90), "omega_m": "%.17g" % rng.uniform(0.2, 0.5),
                      "omega_lambda": "%.17g" % rng.uniform(0.5, 0.8), "omega_b": "%.17g" % rng.uniform(0.02, 0.08),
                      "X_M": "%.17g" % rng.uniform(0.70, 0.80), "T0": "%.17g" % rng.uniform(2.6, 2.8)},
    }
    if early:  # varied constants shift helium recombination: start it doubly ionised
        changes["fund.in"] = {"me": "%.17g" % (9.10938215e-28 * rng.uniform(0.9, 1.1)),
                              "e": "%.17g" % (4.80320427e-10 * rng.uniform(0.95, 1.05))}
    return changes


def random_identity(exe, base_exe, count):
    """Random inputs: the tables (and what the program printed) of the two builds."""
    rng = random.Random(20261208)
    differ = []
    for i in range(count):
        changes = random_inputs(rng)
        here, there = BUILD / "random" / str(i) / "tree", BUILD / "random" / str(i) / "base"
        outputs = []
        for directory, binary in ((here, exe), (there, base_exe)):
            write_case(directory, changes)
            for table in TABLES:
                (directory / table).unlink(missing_ok=True)
            done = subprocess.run([str(binary)], cwd=directory, capture_output=True, text=True)
            outputs.append((done.returncode, done.stdout))
        if outputs[0] != outputs[1] or tables_of(here) != tables_of(there):
            differ.append(str(here.parent))
    print(f"random inputs: {count - len(differ)} of {count} give byte-identical tables and messages"
          + (": differ in " + ", ".join(differ) if differ else ""))
    return not differ


def checkout(rev):
    src = BUILD / "base-src"
    if src.exists():
        subprocess.run(["git", "-C", str(ROOT), "worktree", "remove", "--force", str(src)],
                       check=False, stderr=subprocess.DEVNULL)
        shutil.rmtree(src, ignore_errors=True)
    subprocess.run(["git", "-C", str(ROOT), "worktree", "prune"], check=True)
    subprocess.run(["git", "-C", str(ROOT), "worktree", "add", "--detach", str(src), rev],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return src


def write_case(directory, changes):
    directory.mkdir(parents=True, exist_ok=True)
    for path in (ROOT / "examples" / "default").glob("*.in"):
        lines = path.read_text().splitlines(keepends=True)
        for prefix, value in changes.get(path.name, {}).items():
            lines = [line.split("=")[0] + "= " + value + "\n" if line.startswith(prefix) else line
                     for line in lines]
        (directory / path.name).write_text("".join(lines))


def run_once(exe, directory, options=()):
    for table in TABLES:
        (directory / table).unlink(missing_ok=True)
    start = time.perf_counter()
    done = subprocess.run([str(exe), *options], cwd=directory, capture_output=True, text=True)
    elapsed = time.perf_counter() - start
    if done.returncode != 0:
        sys.exit(f"{exe} failed in {directory}: {done.stdout}{done.stderr}")
    counts = {}
    for line in done.stderr.splitlines():
        if line.startswith("primrec work:"):
            for field in line.split(":", 1)[1].split():
                key, value = field.split("=")
                counts[key] = int(value)
    return elapsed, counts


def tables_of(directory):
    return {t: (directory / t).read_bytes() for t in TABLES if (directory / t).exists()}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--base", help="git revision to compare with")
    parser.add_argument("--reps", type=int, default=5)
    parser.add_argument("--markdown", help="also write the table as Markdown to this file")
    parser.add_argument("--cases", default=",".join(CASES))
    parser.add_argument("--random", type=int, default=12, help="random input sets compared with --base")
    args = parser.parse_args()

    exe = build(ROOT, BUILD / "tree", ("primrec", "primrec-solve-timer"), bench_programs=True)
    base_exe = build(checkout(args.base), BUILD / "base") if args.base else None

    rows = []
    for name in args.cases.split(","):
        description, changes = CASES[name]
        here, there = BUILD / "cases" / name / "tree", BUILD / "cases" / name / "base"
        write_case(here, changes)
        times, base_times, counts = [], [], {}
        options = CASE_OPTIONS.get(name, [])
        compared = base_exe and not options
        for _ in range(args.reps):
            elapsed, counts = run_once(exe, here, options)
            times.append(elapsed)
            if compared:
                write_case(there, changes)
                elapsed, _ = run_once(base_exe, there)
                base_times.append(elapsed)
        identical = None
        if compared:
            identical = tables_of(here) == tables_of(there)
        steps, inner = counts.get("steps", 0), counts.get("inner_iterations", 0)
        wall = statistics.median(times)
        row = {"case": name, "what": description, "wall_ms": wall * 1e3, "steps": steps, "inner": inner,
               "per_step": inner / steps if steps else 0.0, "ns_per_inner": wall * 1e9 / inner if inner else 0.0}
        if compared:
            row["base_ms"] = statistics.median(base_times) * 1e3
            row["speed_up"] = row["base_ms"] / row["wall_ms"]
            row["identical"] = identical
        rows.append(row)
        print(format_row(row), flush=True)

    table = markdown(rows, args.base)
    print()
    print(table)
    print()
    random_identical = random_identity(exe, base_exe, args.random) if base_exe and args.random > 0 else True
    # With the feedback the feedback pass runs beside the first.
    print("threads per solve: 2 with the feedback (its pass beside the first), 1 without")
    for line in in_process(BUILD / "tree", max(args.reps, 5)):
        print(line)
    if args.markdown:
        pathlib.Path(args.markdown).write_text(table + "\n")
    if any(row.get("identical") is False for row in rows) or not random_identical:
        sys.exit("the tables of the two builds differ")


def format_row(row):
    text = (f"{row['case']:10} {row['wall_ms']:10.1f} ms  steps {row['steps']:8d}  inner {row['inner']:9d}"
            f"  per step {row['per_step']:5.2f}  {row['ns_per_inner']:8.0f} ns/inner")
    if "base_ms" in row:
        text += f"  base {row['base_ms']:10.1f} ms  x{row['speed_up']:.2f}  tables {'identical' if row['identical'] else 'DIFFER'}"
    return text


def markdown(rows, base):
    head = "| case | wall time [ms] | steps | inner iterations | per step | ns per inner iteration |"
    rule = "|---|---:|---:|---:|---:|---:|"
    if base:
        head += f" {base} [ms] | speed-up | tables |"
        rule += "---:|---:|---|"
    lines = [head, rule]
    for row in rows:
        line = (f"| {row['what']} | {row['wall_ms']:.1f} | {row['steps']} | {row['inner']} | "
                f"{row['per_step']:.2f} | {row['ns_per_inner']:.0f} |")
        if base and "base_ms" in row:
            line += f" {row['base_ms']:.1f} | {row['speed_up']:.2f} | {'identical' if row['identical'] else 'DIFFER'} |"
        elif base:
            line += " | | |"
        lines.append(line)
    return "\n".join(lines)


if __name__ == "__main__":
    main()
