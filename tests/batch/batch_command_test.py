#!/usr/bin/env python3
"""quillmar-batch run as a user runs it: the same seed gives the same bytes,
a signal keeps what was computed, a closed pipe ends quietly, failures and bad
usage give one line and their status.

Usage: batch_command_test.py PATH-TO-quillmar-batch
"""
import json
import os
import pty
import select
import signal
import subprocess
import sys
import tempfile
import time
import unittest

BATCH = ""
EVER = "1000000000000000"  # more generations than any test waits for


def run(*args, **kw):
    return subprocess.run([BATCH, *args], capture_output=True, **kw)


def wait_until(condition, what, proc):
    # A guard against a hang, not a measurement: the condition is data.
    deadline = time.monotonic() + 120
    while not condition():
        if proc.poll() is not None:
            raise AssertionError(f"ended with {proc.returncode} before {what}")
        if time.monotonic() > deadline:
            proc.kill()
            raise AssertionError(f"no {what} after 120 s")
        time.sleep(0.01)


def rows(path):
    with open(path, newline="") as f:
        text = f.read()
    assert text.endswith("\n"), f"{path} ends inside a row"
    lines = text.split("\n")[:-1]
    return lines[0], [line.split(",") for line in lines[1:]]


class Outputs:
    """Every output of one run, each in its own file."""

    def __init__(self, directory):
        self.dir = directory
        self.names = ["torrels", "log", "threshold", "distribution", "summary"]

    def path(self, name):
        return os.path.join(self.dir, name)

    def args(self, every="1000"):
        out = []
        for name in self.names:
            out += [f"--{name}", self.path(name)]
        return out + ["--every", every]

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def has_rows(self, name):
        return os.path.exists(self.path(name)) and self.read(name).count(b"\n") >= 2

    def summary(self):
        return json.loads(self.read("summary"))

    def check_consistent(self, test):
        """The torrel records, log, distribution and summary tell one story."""
        s = self.summary()
        header, torrels = rows(self.path("torrels"))
        test.assertEqual(header, "generation,threshold,size")
        test.assertEqual(len(torrels), s["torrels"])
        test.assertGreater(len(torrels), 0)
        previous, threshold = 0, -1.0
        for generation, t, size in torrels:
            test.assertEqual(int(generation) - previous, int(size))
            test.assertGreater(float(t), threshold)
            previous, threshold = int(generation), float(t)
        test.assertLessEqual(previous, s["generations"])
        test.assertEqual(threshold, s["threshold"])
        test.assertEqual(max(int(r[2]) for r in torrels), s["largest_torrel"])

        log = self.read("log").decode().split("\r\n")
        test.assertEqual(log.pop(), "")
        test.assertEqual([line.split("\t\t")[1] for line in log], [r[2] for r in torrels])
        test.assertEqual([float(line.split("\t\t")[0]) for line in log], [float(r[1]) for r in torrels])

        header, bins = rows(self.path("distribution"))
        test.assertEqual(header, "size_min,size_max,count,density")
        test.assertEqual(sum(int(b[2]) for b in bins), len(torrels))
        test.assertEqual(len(bins), s["largest_torrel"].bit_length())

        header, samples = rows(self.path("threshold"))
        test.assertEqual(header, "generation,threshold")
        test.assertEqual(len(samples), s["generations"] // 1000)


class BatchCommand(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)

    def outputs(self, name):
        d = os.path.join(self.tmp.name, name)
        os.mkdir(d)
        return Outputs(d)

    def test_same_seed_same_bytes(self):
        for rule in ["three-site", "single-site"]:
            runs = [self.outputs(f"{rule}-{n}") for n in range(3)]
            for out, seed in zip(runs, ["20240611", "20240611", "20240612"]):
                r = run("--seed", seed, "--species", "30", "--rule", rule, "--generations", "300000", *out.args())
                self.assertEqual((r.returncode, r.stderr, r.stdout), (0, b"", b""))
            a, b, other = runs
            a.check_consistent(self)
            for name in ["torrels", "log", "threshold", "distribution"]:
                self.assertEqual(a.read(name), b.read(name), f"{rule} {name}")
            self.assertNotEqual(a.read("torrels"), other.read("torrels"))
            timing = ["seconds", "generations_per_second"]
            sa, sb = a.summary(), b.summary()
            for key in timing:
                del sa[key], sb[key]
            self.assertEqual(sa, sb)
            self.assertEqual((sa["seed"], sa["rule"], sa["species"], sa["interrupted"]), (20240611, rule, 30, False))

    def test_a_seed_from_the_clock_is_reported_and_repeats_the_run(self):
        first, again = self.outputs("first"), self.outputs("again")
        r = run("--generations", "100000", "--torrels", first.path("torrels"), "--summary", first.path("summary"))
        self.assertEqual(r.returncode, 0)
        seed = first.summary()["seed"]
        self.assertEqual(r.stderr.decode(), f"quillmar-batch: seed {seed}\n")
        r = run("--generations", "100000", "--seed", str(seed), "--torrels", again.path("torrels"))
        self.assertEqual((r.returncode, r.stderr), (0, b""))
        self.assertEqual(first.read("torrels"), again.read("torrels"))

    def test_a_signal_keeps_what_was_computed(self):
        for sig, status in [(signal.SIGINT, 130), (signal.SIGTERM, 143)]:
            out = self.outputs(sig.name)
            p = subprocess.Popen([BATCH, "--seed", "5", "--generations", EVER, *out.args()],
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            wait_until(lambda: out.has_rows("torrels"), "torrel record", p)
            p.send_signal(sig)
            stdout, stderr = p.communicate(timeout=120)
            self.assertEqual((p.returncode, stdout, stderr), (status, b"", b""))
            s = out.summary()
            self.assertEqual((s["interrupted"], s["ended_by"]), (True, sig.name))
            self.assertLess(s["generations"], int(EVER))
            out.check_consistent(self)

    def test_a_closed_pipe_ends_quietly(self):
        out = self.outputs("pipe")
        p = subprocess.Popen([BATCH, "--seed", "3", "--generations", EVER, "--summary", out.path("summary"),
                              "--torrels", "-"], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        head = subprocess.run(["head", "-1"], stdin=p.stdout, capture_output=True)
        p.stdout.close()
        with p.stderr:
            stderr = p.stderr.read()
        p.wait(timeout=120)
        self.assertEqual(head.stdout, b"generation,threshold,size\n")
        # Ended by SIGPIPE, like coreutils' tools, after writing the summary.
        self.assertEqual((p.returncode, stderr), (-signal.SIGPIPE, b""))
        s = out.summary()
        self.assertEqual((s["interrupted"], s["ended_by"]), (True, "closed pipe"))

    def test_a_failed_write_gives_one_line_and_status_1(self):
        cases = [
            (["--torrels", "/dev/full"], "write error on '/dev/full': No space left on device\n"),
            (["--summary", "-"], "write error on standard output: No space left on device\n"),
        ]
        for args, message in cases:
            with open("/dev/full", "wb") as full:
                r = subprocess.run([BATCH, "--seed", "1", "--generations", "200000", *args], stdout=full,
                                   stderr=subprocess.PIPE)
            self.assertEqual((r.returncode, r.stderr.decode()), (1, "quillmar-batch: " + message))

    def test_bad_usage_and_unopenable_files_write_nothing(self):
        d = self.tmp.name
        existing = os.path.join(d, "existing.csv")
        with open(existing, "w") as f:
            f.write("keep\n")
        out, other = os.path.join(d, "out.csv"), os.path.join(d, "other.csv")
        cases = [
            (["--generations", "0", "--torrels", out], 2, "--generations must be a whole number"),
            (["--generations", "5", "--torrels", out, "--species", "10000001"], 2, "--species"),
            (["--generations", "5", "--torrels", out, "--log", "-", "--summary", "-"], 2, "standard output"),
            (["--generations", "5", "--torrels", out, "--colour"], 2, "unknown option '--colour'"),
            (["--generations", "5", "--torrels", "out.csv", "--log", os.path.join(d, "no", "..", "out.csv")], 2,
             "both name the file"),
            (["--generations", "5", "--torrels", existing, "--log", os.path.join(d, ".", "existing.csv")], 2,
             "both name the file"),
            (["--generations", "5", "--torrels", out, "--log", os.path.join(d, "no", "such.csv")], 1,
             "cannot open '" + os.path.join(d, "no", "such.csv") + "' for --log: No such file or directory"),
        ]
        for args, status, message in cases:
            r = run(*args, "--distribution", other, cwd=d)
            self.assertEqual((r.returncode, r.stdout), (status, b""), args)
            self.assertIn(message, r.stderr.decode())
            self.assertEqual(r.stderr.count(b"\n"), 1)
            if status == 2:
                self.assertFalse(os.path.exists(out) or os.path.exists(other), args)
        with open(existing) as f:
            self.assertEqual(f.read(), "keep\n")
        # A device takes any number of outputs.
        r = run("--generations", "5", "--seed", "1", "--torrels", os.devnull, "--log", os.devnull)
        self.assertEqual((r.returncode, r.stderr), (0, b""))

    def test_version(self):
        self.assertEqual(run("--version").stdout, b"quillmar-batch 1.00\n")

    def test_progress_only_on_a_terminal(self):
        # Every other test reads an empty standard error from a pipe.
        master, slave = pty.openpty()
        out = self.outputs("progress")
        p = subprocess.Popen([BATCH, "--seed", "8", "--generations", EVER, "--torrels", out.path("torrels")],
                             stderr=slave)
        os.close(slave)
        shown = b""

        def read_some():
            nonlocal shown
            if select.select([master], [], [], 0.05)[0]:
                shown += os.read(master, 4096)
            return b" generations (" in shown

        wait_until(read_some, "progress line", p)
        p.send_signal(signal.SIGINT)
        self.assertEqual(p.wait(timeout=120), 130)
        try:
            while select.select([master], [], [], 0.5)[0]:
                shown += os.read(master, 4096)
        except OSError:  # the terminal closed with its last writer
            pass
        os.close(master)
        self.assertTrue(shown.startswith(b"\r"), shown)
        self.assertIn(b"/s, ", shown)
        self.assertTrue(shown.endswith(b"\r\x1b[K"), shown)


if __name__ == "__main__":
    BATCH = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
