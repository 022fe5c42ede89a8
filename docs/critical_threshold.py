#!/usr/bin/python3
"""The critical threshold of the three-site model from the divergence of the
mean f0-avalanche size (docs/critical-threshold.md explains the method).

Run from the repository root, with quillmar-batch built:

    /usr/bin/python3 docs/critical_threshold.py build/batch/quillmar-batch

It runs quillmar-batch RUNS times, one process after the other (seeds 1 to
RUNS), pools the f0-avalanche totals of their summaries, fits the mean size
against the threshold f0 and writes into docs/:

    critical-threshold-runs.csv  every run's totals at every f0 (the raw data)
    critical-threshold.csv       the pooled mean sizes the fit and figure use
    critical-threshold-scan.csv  the estimate against the fit's window
    critical-threshold.txt       the result, its error bar and every fit
    critical-threshold.png       the figure (gnuplot docs/critical_threshold.gp)

With --refit it skips the runs and refits critical-threshold-runs.csv.
Needs Python 3 with numpy (Debian: python3-numpy) and gnuplot (gnuplot-nox).
"""

import argparse
import csv
import json
import os
import platform
import subprocess
import sys
import tempfile
import time

import numpy as np

# Thresholds on the program's scale [0, 10): dense towards the critical value,
# where the mean size tells most about it; at most 16 in one run.
THRESHOLDS = (6.20, 6.30, 6.40, 6.45, 6.50, 6.53, 6.56, 6.58,
              6.60, 6.62, 6.63, 6.635, 6.64, 6.645, 6.65, 6.655)

# The published value shown beside the result (program scale, error), as
# checked against its source: 0.66692 +- 0.00003 on [0, 1).
PUBLISHED = (("arXiv:2111.10473 (2021)", 6.6692, 0.0003),)

HERE = os.path.dirname(os.path.abspath(__file__))
RUN_FIELDS = ("seed", "species", "generations", "burn_in", "threshold_at_burn_in",
              "seconds", "f0", "completed", "mean_size", "mean_squared_size",
              "largest_size", "open_size")


def processor():
    """The processor's model name, for the record of where the run took its time."""
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.machine()


def run_batch(batch, seed, args, workdir):
    """One quillmar-batch run; returns its rows for critical-threshold-runs.csv."""
    summary = os.path.join(workdir, "summary-%d.json" % seed)
    threshold = os.path.join(workdir, "threshold-%d.csv" % seed)
    command = [batch, "--species", str(args.species), "--generations", str(args.generations),
               "--seed", str(seed), "--quiet", "--burn-in", str(args.burn_in),
               "--avalanches", ",".join("%g" % f for f in THRESHOLDS),
               "--summary", summary, "--threshold", threshold, "--every", str(args.burn_in)]
    started = time.monotonic()
    subprocess.run(command, check=True)
    seconds = time.monotonic() - started
    with open(summary) as f:
        s = json.load(f)
    with open(threshold) as f:
        rows = list(csv.DictReader(f))
    at_burn_in = float(rows[0]["threshold"])
    # Until the threshold has passed f0 every generation has a minimum below
    # it, so the first avalanche at such an f0 holds the rest of the approach:
    # pool() leaves those f0 of this run out.
    if at_burn_in < max(THRESHOLDS):
        print("warning: seed %d: threshold %.4f after the burn-in; its avalanches at f0 above it are "
              "left out (lengthen --burn-in)" % (seed, at_burn_in), file=sys.stderr)
    out = []
    for a in s["avalanches"]:
        out.append({"seed": seed, "species": s["species"], "generations": s["generations"],
                    "burn_in": s["burn_in"], "threshold_at_burn_in": at_burn_in,
                    "seconds": "%.1f" % seconds, "f0": a["f0"], "completed": a["completed"],
                    "mean_size": repr(a["mean_size"]),
                    "mean_squared_size": repr(a["mean_squared_size"]),
                    "largest_size": a["largest_size"], "open_size": a["open_size"]})
    print("seed %d: %d generations in %.0f s, threshold %.4f after the burn-in"
          % (seed, s["generations"], seconds, at_burn_in), file=sys.stderr)
    return out


def pool(rows, seeds):
    """Mean size and its relative standard error at each f0, over the given runs.

    The f0-avalanches of one run are independent of each other (each starts
    with every species at or above f0 and depends on nothing above f0), so
    the standard error of a mean is the sample deviation over sqrt(count).
    """
    f0 = sorted({float(r["f0"]) for r in rows})
    count, total, squares = (np.zeros(len(f0)) for _ in range(3))
    for r in rows:
        if int(r["seed"]) not in seeds or float(r["threshold_at_burn_in"]) < float(r["f0"]):
            continue
        i = f0.index(float(r["f0"]))
        k = int(r["completed"])
        count[i] += k
        total[i] += k * float(r["mean_size"])
        squares[i] += k * float(r["mean_squared_size"])
    keep = count > 0
    f0, count, total, squares = np.array(f0)[keep], count[keep], total[keep], squares[keep]
    mean = total / count
    rel_err = np.sqrt((squares / count - mean ** 2) / count) / mean
    return f0, mean, rel_err, count


def fit(f0, mean, rel_err, lowest, corrections):
    """Weighted least squares of ln<s> = a - gamma ln(fc - f0) + c1 e + c2 e^2 ...,
    e = fc - f0, over f0 >= lowest: fc by profiling chi^2, the rest linearly."""
    sel = f0 >= lowest
    x, y, w = f0[sel], np.log(mean[sel]), rel_err[sel] ** -2

    def solve(fc):
        e = fc - x
        design = np.column_stack([np.ones_like(e), np.log(e)] + [e ** (j + 1) for j in range(corrections)])
        p = np.linalg.solve(design.T @ (design * w[:, None]), design.T @ (w * y))
        return float(((y - design @ p) ** 2 * w).sum()), p

    lo = x.max() + 1e-5
    grid = np.arange(lo, 6.80, 1e-4)
    chi = [solve(fc)[0] for fc in grid]
    best = grid[int(np.argmin(chi))]
    grid = np.arange(max(lo, best - 2e-4), best + 2e-4, 1e-6)
    chi = [solve(fc)[0] for fc in grid]
    fc = float(grid[int(np.argmin(chi))])
    chi2, p = solve(fc)
    return {"fc": fc, "gamma": -float(p[1]), "params": [float(v) for v in p],
            "chi2": chi2, "dof": int(sel.sum()) - 3 - corrections}


# The central fit and the variants whose spread is the systematic error:
# (lowest f0, correction terms).
CENTRAL = (6.40, 1)
VARIANTS = ((6.58, 0), (6.30, 1), (6.50, 1), (6.20, 2))


def analyse(rows, outdir, started):
    seeds = sorted({int(r["seed"]) for r in rows})
    f0, mean, rel_err, count = pool(rows, seeds)
    central = fit(f0, mean, rel_err, *CENTRAL)
    # Jackknife over whole runs: the pooled means at different f0 share their
    # runs' generations, so their errors are correlated; runs are independent.
    m = len(seeds)
    leave_out = [pool(rows, [s for s in seeds if s != left])[:3] for left in seeds]

    def jackknife(values):
        values = np.array(values)
        return float(np.sqrt((m - 1) / m * ((values - values.mean()) ** 2).sum()))

    jack = np.array([fit(*data, *CENTRAL)["fc"] for data in leave_out])
    stat = jackknife(jack)
    per_run = [fit(*pool(rows, [s])[:3], *CENTRAL)["fc"] for s in seeds]
    variants = []
    for lo, nc in VARIANTS:
        v = fit(f0, mean, rel_err, lo, nc)
        # The shift's own statistical error, so a reader can tell noise from model.
        shifts = np.array([fit(*data, lo, nc)["fc"] for data in leave_out]) - jack
        variants.append((lo, nc, v, jackknife(shifts)))
    syst = max(abs(v["fc"] - central["fc"]) for _, _, v, _ in variants)
    total = float(np.hypot(stat, syst))
    # The estimate against the lowest f0 of the fit: where a model fits, it
    # stays put as the far points leave; where it lacks a term, it drifts.
    scan = []
    for lo in f0:
        for nc in (0, 1):
            if (f0 >= lo).sum() >= 5 + nc:
                scan.append((lo, nc, fit(f0, mean, rel_err, lo, nc)["fc"],
                             jackknife([fit(*data, lo, nc)["fc"] for data in leave_out])))
    with open(os.path.join(outdir, "critical-threshold-scan.csv"), "w", newline="") as f:
        w = csv.writer(f, lineterminator="\n")
        w.writerow(["lowest_f0", "corrections", "fc", "fc_err"])
        for lo, nc, v, err in scan:
            w.writerow(["%g" % lo, nc, "%.5f" % v, "%.5f" % err])

    fc, gamma = central["fc"], central["gamma"]
    a, c1 = central["params"][0], central["params"][2]
    with open(os.path.join(outdir, "critical-threshold.csv"), "w", newline="") as f:
        w = csv.writer(f, lineterminator="\n")
        w.writerow(["f0", "fc_minus_f0", "completed", "mean_size", "rel_err",
                    "fitted_mean_size", "linearised", "linearised_err"])
        for i in range(len(f0)):
            e = fc - f0[i]
            lin = mean[i] ** (-1 / gamma)
            w.writerow(["%g" % f0[i], "%.6f" % e, int(count[i]), "%.6g" % mean[i], "%.5f" % rel_err[i],
                        "%.6g" % np.exp(a - gamma * np.log(e) + c1 * e), "%.6g" % lin,
                        "%.3g" % (lin * rel_err[i] / gamma)])

    generations = sum(int(r["generations"]) for r in rows if float(r["f0"]) == f0[0])
    lines = [
        "Critical threshold of the three-site model, program scale [0, 10)",
        "fc = %.4f +- %.4f  (statistical %.4f, systematic %.4f)" % (fc, total, stat, syst),
        "gamma = %.3f (mean size ~ (fc - f0)^-gamma)" % gamma,
        "runs: %d x %d species, seeds %d to %d, %d generations in all"
        % (m, int(rows[0]["species"]), seeds[0], seeds[-1], generations),
        "central fit: f0 >= %.2f, %d correction term(s): chi2 %.2f for %d degrees of freedom"
        % (CENTRAL[0], CENTRAL[1], central["chi2"], central["dof"]),
        "statistical error: jackknife over the runs; per run fc = "
        + " ".join("%.4f" % v for v in per_run),
        "systematic error: largest shift of these fits from the central one:",
    ]
    for lo, nc, v, shift_err in variants:
        lines.append("  f0 >= %.2f, %d correction term(s): fc = %.4f (shift %+.4f +- %.4f), gamma = %.3f, "
                     "chi2 %.2f for %d" % (lo, nc, v["fc"], v["fc"] - fc, shift_err, v["gamma"], v["chi2"], v["dof"]))
    lines.append("fc against the lowest f0 of the fit (jackknife errors), no correction | one correction:")
    for lo in f0:
        cells = {nc: "%.4f +- %.4f" % (v, err) for l, nc, v, err in scan if l == lo}
        if cells:
            lines.append("  f0 >= %-6g %-17s | %s" % (lo, cells.get(0, "-"), cells.get(1, "-")))
    for name, value, err in PUBLISHED:
        lines.append("%s: %.4f +- %.4f, %.1f of our error bars away (%.1f combined)"
                     % (name, value, err, abs(value - fc) / total, abs(value - fc) / np.hypot(err, total)))
    if started is not None:
        lines.append("wall time %.0f s; %s, %d processors; one run at a time"
                     % (time.monotonic() - started, processor(), os.cpu_count() or 0))
    with open(os.path.join(outdir, "critical-threshold.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")
    print("\n".join(lines))

    ((_, pub, puberr),) = PUBLISHED
    gp = ["fc=%.6f" % fc, "err=%.6f" % total, "gam=%.6f" % gamma, "a=%.8f" % a, "c1=%.8f" % c1,
          "pub=%.4f" % pub, "puberr=%.4f" % puberr,
          "data='%s'" % os.path.join(outdir, "critical-threshold.csv"),
          "scan='%s'" % os.path.join(outdir, "critical-threshold-scan.csv"),
          "out='%s'" % os.path.join(outdir, "critical-threshold.png")]
    subprocess.run(["gnuplot", "-e", "; ".join(gp), os.path.join(HERE, "critical_threshold.gp")], check=True)


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("batch", nargs="?", help="the quillmar-batch program")
    p.add_argument("--runs", type=int, default=6, help="independent runs, seeds 1 to RUNS (default 6)")
    p.add_argument("--species", type=int, default=32768, help="ring size (default 32768)")
    p.add_argument("--generations", type=int, default=2_950_000_000, help="per run (default 2.95e9)")
    p.add_argument("--burn-in", type=int, default=800_000_000, help="per run (default 8e8)")
    p.add_argument("--out", default=HERE, help="where the outputs go (default: this script's folder)")
    p.add_argument("--refit", action="store_true", help="refit critical-threshold-runs.csv; no runs")
    args = p.parse_args()
    runs_csv = os.path.join(args.out, "critical-threshold-runs.csv")
    if args.refit:
        with open(runs_csv) as f:
            analyse(list(csv.DictReader(f)), args.out, None)
        return
    if not args.batch:
        p.error("give the path of quillmar-batch (or --refit)")
    started = time.monotonic()
    rows = []
    with tempfile.TemporaryDirectory() as work:
        for seed in range(1, args.runs + 1):
            rows += run_batch(args.batch, seed, args, work)
    with open(runs_csv, "w", newline="") as f:
        w = csv.DictWriter(f, fieldnames=RUN_FIELDS, lineterminator="\n")
        w.writeheader()
        w.writerows(rows)
    analyse(rows, args.out, started)


if __name__ == "__main__":
    main()
