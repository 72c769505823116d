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
import os
import pathlib
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
}


def build(source, build_dir, targets=("primrec",)):
    subprocess.run(["cmake", "-S", str(source), "-B", str(build_dir), "-DCMAKE_BUILD_TYPE=Release",
                    "-DPRIMREC_BENCH_COUNTERS=ON", "-Wno-dev"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(build_dir), "-j", str(os.cpu_count() or 2), "--target", *targets],
                   check=True, stdout=subprocess.DEVNULL)
    return build_dir / "primrec"


def in_process(build_dir, reps):
    """One history in-process against the whole program, for the default inputs
    with their feedback levels and with one level (primrec-solve-timer)."""
    lines = []
    for levels in (10, 1):
        done = subprocess.run([str(build_dir / "primrec-solve-timer"), str(reps), str(levels)],
                              capture_output=True, text=True, check=True)
        lines.append(done.stdout.strip())
    return lines


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


def run_once(exe, directory):
    for table in TABLES:
        (directory / table).unlink(missing_ok=True)
    start = time.perf_counter()
    done = subprocess.run([str(exe)], cwd=directory, capture_output=True, text=True)
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
    args = parser.parse_args()

    exe = build(ROOT, BUILD / "tree", ("primrec", "primrec-solve-timer"))
    base_exe = build(checkout(args.base), BUILD / "base") if args.base else None

    rows = []
    for name in args.cases.split(","):
        description, changes = CASES[name]
        here, there = BUILD / "cases" / name / "tree", BUILD / "cases" / name / "base"
        write_case(here, changes)
        times, base_times, counts = [], [], {}
        for _ in range(args.reps):
            elapsed, counts = run_once(exe, here)
            times.append(elapsed)
            if base_exe:
                write_case(there, changes)
                elapsed, _ = run_once(base_exe, there)
                base_times.append(elapsed)
        identical = None
        if base_exe:
            identical = tables_of(here) == tables_of(there)
        steps, inner = counts.get("steps", 0), counts.get("inner_iterations", 0)
        wall = statistics.median(times)
        row = {"case": name, "what": description, "wall_ms": wall * 1e3, "steps": steps, "inner": inner,
               "per_step": inner / steps if steps else 0.0, "ns_per_inner": wall * 1e9 / inner if inner else 0.0}
        if base_exe:
            row["base_ms"] = statistics.median(base_times) * 1e3
            row["speed_up"] = row["base_ms"] / row["wall_ms"]
            row["identical"] = identical
        rows.append(row)
        print(format_row(row), flush=True)

    table = markdown(rows, args.base)
    print()
    print(table)
    print()
    # A solve runs on one thread; the program adds the tables it writes.
    print("threads per solve: 1")
    for line in in_process(BUILD / "tree", max(args.reps, 5)):
        print(line)
    if args.markdown:
        pathlib.Path(args.markdown).write_text(table + "\n")
    if any(row.get("identical") is False for row in rows):
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
        if base:
            line += f" {row['base_ms']:.1f} | {row['speed_up']:.2f} | {'identical' if row['identical'] else 'DIFFER'} |"
        lines.append(line)
    return "\n".join(lines)


if __name__ == "__main__":
    main()
