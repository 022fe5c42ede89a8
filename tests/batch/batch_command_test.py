#!/usr/bin/env python3
"""quillmar-batch run as a user runs it: the same seed gives the same bytes,
a signal keeps what was computed and ends the program by itself, a closed pipe
ends it quietly, closed descriptors stay apart from the outputs, failures and
bad usage give one line and their status and leave the files as they were.

Usage: batch_command_test.py PATH-TO-quillmar-batch PATH-TO-close-fails-preload
"""
import collections
import json
import os
import pty
import resource
import select
import signal
import subprocess
import sys
import tempfile
import time
import unittest

BATCH = ""
CLOSE_FAILS = ""  # a preload under which closing a file named *close-fails* fails
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


def comparable(summary):
    """A summary less what differs between runs of the same data: the timings,
    the command line (the files' names) and the record of resumes."""
    for key in ["seconds", "generations_per_second", "command_line", "resumes"]:
        del summary[key]
    return summary


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

    def args(self, every="1000", stdout=None):
        """Every output in its file, except the one named `stdout`, which goes to standard output."""
        out = []
        for name in self.names:
            out += [f"--{name}", "-" if name == stdout else self.path(name)]
        return out + ["--every", every]

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def exists(self, name):
        return os.path.exists(self.path(name))

    def size(self, name):
        return os.path.getsize(self.path(name)) if self.exists(name) else 0

    def has_rows(self, name):
        return self.exists(name) and self.read(name).count(b"\n") >= 2

    def summary(self):
        return json.loads(self.read("summary"))

    def check_consistent(self, test):
        """The outputs that went to files tell one story with the summary."""
        s = self.summary()
        torrels = []  # (threshold, size) of each torrel, from the records or else the log
        if self.exists("torrels"):
            header, records = rows(self.path("torrels"))
            test.assertEqual(header, "generation,threshold,size")
            previous = 0
            for generation, t, size in records:
                test.assertEqual(int(generation) - previous, int(size))
                previous = int(generation)
            test.assertLessEqual(previous, s["generations"])
            torrels = [(float(t), int(size)) for _, t, size in records]
        if self.exists("log"):
            log = self.read("log").decode().split("\r\n")
            test.assertEqual(log.pop(), "")
            logged = [(float(t), int(size)) for t, size in (line.split("\t\t") for line in log)]
            test.assertEqual(logged, torrels or logged)
            torrels = logged
        test.assertEqual(len(torrels), s["torrels"])
        test.assertGreater(len(torrels), 0)
        thresholds = [t for t, _ in torrels]
        test.assertEqual(thresholds, sorted(set(thresholds)))
        test.assertEqual(thresholds[-1], s["threshold"])
        test.assertEqual(max(size for _, size in torrels), s["largest_torrel"])

        if self.exists("distribution"):
            header, bins = rows(self.path("distribution"))
            test.assertEqual(header, "size_min,size_max,count,density")
            test.assertEqual(sum(int(b[2]) for b in bins), len(torrels))
            test.assertEqual(len(bins), s["largest_torrel"].bit_length())

        if self.exists("threshold"):
            header, samples = rows(self.path("threshold"))
            test.assertEqual(header, "generation,threshold")
            test.assertEqual(len(samples), s["generations"] // 1000)


def kill_group(p):
    if p.poll() is None:
        os.killpg(p.pid, signal.SIGKILL)
        p.wait()


def reader_leaves(lines):
    """The reader of standard output reads `lines` lines, then goes away."""

    def act(p, out):
        for _ in range(lines):
            p.stdout.readline()
        p.stdout.close()

    return act


def signals(*sigs):
    """Each signal to the process group, as a terminal sends Ctrl+C: the first
    once the run has written rows, each later one once the run has gone on past
    the one before by more rows than a stopping run still holds (two buffers)."""

    def act(p, out):
        wait_until(lambda: out.has_rows("threshold"), "threshold rows", p)
        size = 0
        for k, sig in enumerate(sigs):
            if k:
                wait_until(lambda: out.size("threshold") > size + 2 * 65536, f"rows after {sigs[k - 1].name}", p)
            size = out.size("threshold")
            os.killpg(p.pid, sig)

    return act


# One run of the pipe, descriptor and signal table: what is done to the run while it goes (act), its
# status and the summary's ended_by (None: no summary file); the output on standard output, descriptors
# closed and signals ignored at the start, and whether it runs in a shell loop over seeds.
Run = collections.namedtuple("Run", "what args act status ended_by stdout closed ignored loop",
                             defaults=(None, (), (), False))

# One command of the file table, after --seed 1 --generations 200000 in a directory that holds keep.csv,
# sub/ and link (to new.csv, not there): its status and one-line message; where standard output goes
# (appended to), and whether closing a file named *close-fails* fails.
File = collections.namedtuple("File", "args status message stdout close_fails", defaults=(None, False))


MASK = (1 << 64) - 1


def splitmix64(z):
    z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & MASK
    z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & MASK
    return z ^ (z >> 31)


def resealed(checkpoint):
    """The checkpoint with its checksum made anew, as the program computes it, so
    that a change to its fields is not taken for a torn file."""
    body, h = checkpoint[:-8], len(checkpoint) - 8
    whole = len(body) // 8 * 8
    for i in range(0, whole, 8):
        h = splitmix64(h ^ int.from_bytes(body[i:i + 8], "little"))
    h = splitmix64(h ^ int.from_bytes(body[whole:].ljust(8, b"\0"), "little") ^ 0x80)
    return body + h.to_bytes(8, "little")


def checkpoint_generation(checkpoint):
    """The generation a checkpoint was written at, read from its header."""
    at = 8
    n = int.from_bytes(checkpoint[at:at + 8], "little")
    at += 8 + n + 5 * 8  # version; species, rule, seed, every, burn-in
    n = int.from_bytes(checkpoint[at:at + 8], "little")
    at += 8 + 8 * n + 8  # the avalanche thresholds, then the fitness step
    return int.from_bytes(checkpoint[at:at + 8], "little")


class Checkpointed:
    """A run with every output and every statistic, checkpointed."""

    NAMES = ["torrels", "log", "threshold", "distribution", "summary", "avalanche-sizes", "minima", "fitness",
             "jumps"]

    def __init__(self, directory, rule):
        self.dir, self.rule = directory, rule
        os.makedirs(directory, exist_ok=True)

    def path(self, name):
        return os.path.join(self.dir, name)

    def args(self, generations, *more):
        outputs = [a for name in self.NAMES for a in (f"--{name}", self.path(name))]
        return ["--species", "100", "--seed", "9", "--rule", self.rule, "--generations", str(generations),
                "--burn-in", "1000", "--avalanches", "5,6.5", "--quiet", "--checkpoint", self.path("checkpoint"),
                *outputs, *more]

    def data(self):
        got = {name: contents(self.path(name)) for name in self.NAMES if name != "summary"}
        got["summary"] = comparable(self.summary())
        return got

    def summary(self):
        return json.loads(contents(self.path("summary")))


def contents(path):
    with open(path, "rb") as f:
        return f.read()


def files_in(directory):
    return {name: contents(os.path.join(directory, name)) for name in sorted(os.listdir(directory))}


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
            sa, sb = comparable(a.summary()), comparable(b.summary())
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

    def test_pipes_descriptors_and_signals(self):
        ever = ["--seed", "5", "--generations", EVER]
        pipe = -signal.SIGPIPE
        cases = [
            Run("reader gone", ever, reader_leaves(1), pipe, "closed pipe", stdout="torrels"),
            Run("reader gone, nothing to write for 10^12 generations", ever + ["--every", "1" + "0" * 12],
                reader_leaves(1), pipe, "closed pipe", stdout="threshold"),
            Run("reader gone, the distribution not yet written", ever, reader_leaves(0), pipe, "closed pipe",
                stdout="distribution"),
            Run("reader of the summary gone", ever, reader_leaves(0), pipe, None, stdout="summary"),
            Run("SIGINT", ever, signals(signal.SIGINT), -signal.SIGINT, "SIGINT"),
            Run("SIGTERM", ever, signals(signal.SIGTERM), -signal.SIGTERM, "SIGTERM"),
            Run("SIGHUP", ever, signals(signal.SIGHUP), -signal.SIGHUP, "SIGHUP"),
            Run("Ctrl+C stops a shell loop", ever, signals(signal.SIGINT), -signal.SIGINT, "SIGINT", loop=True),
            Run("SIGINT ignored at the start stays ignored", ever, signals(signal.SIGINT, signal.SIGTERM),
                -signal.SIGTERM, "SIGTERM", ignored=(signal.SIGINT,)),
            Run("standard output closed", ["--seed", "5", "--generations", "300000"], None, 0, "completed",
                stdout="distribution", closed=(1,)),
            Run("standard error closed, the seed message due", ["--generations", "300000"], None, 0, "completed",
                closed=(2,)),
        ]
        for c in cases:
            with self.subTest(c.what):
                out = self.outputs(c.what.replace(" ", "-"))
                command = [BATCH, *out.args(stdout=c.stdout), *c.args]

                def start():
                    for fd in c.closed:
                        os.close(fd)
                    for sig in c.ignored:
                        signal.signal(sig, signal.SIG_IGN)

                p = subprocess.Popen(["bash", "-c", 'for s in 1 2; do "$@"; done', "bash", *command] if c.loop
                                     else command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                     preexec_fn=start, start_new_session=True)
                self.addCleanup(kill_group, p)
                if c.act:
                    c.act(p, out)
                _, stderr = p.communicate(timeout=60)
                self.assertEqual((p.returncode, stderr), (c.status, b""))
                if c.ended_by:
                    s = out.summary()
                    self.assertEqual((s["interrupted"], s["ended_by"]), (c.ended_by != "completed", c.ended_by))
                    out.check_consistent(self)

    def test_files(self):
        d = self.tmp.name
        os.mkdir(os.path.join(d, "sub"))
        os.symlink("new.csv", os.path.join(d, "link"))  # an output not yet created
        full, one = "/dev/full", "are one file; each output needs a file of its own"
        cases = [
            File(["--generations", "0", "--torrels", "new.csv"], 2, "--generations must be a whole number"),
            File(["--torrels", "new.csv", "--species", "10000001"], 2, "--species must be"),
            File(["--torrels", "new.csv", "--log", "-", "--summary", "-"], 2, "at most one output may be -"),
            File(["--torrels", "new.csv", "--colour"], 2, "unknown option '--colour'"),
            File(["--torrels", "new.csv", "--log", "sub/../new.csv"], 2,
                 "--torrels ('new.csv') and --log ('sub/../new.csv') " + one),
            File(["--torrels", "keep.csv", "--log", "./keep.csv"], 2, one),
            File(["--torrels", "new.csv", "--log", "link"], 2, one),
            File(["--torrels", "link", "--log", "new.csv"], 2, one),
            File(["--torrels", "-", "--log", "/dev/stdout"], 2,
                 "--torrels (standard output) and --log ('/dev/stdout') " + one),
            File(["--torrels", "-", "--log", "keep.csv"], 2, one, stdout="keep.csv"),
            File(["--torrels", "keep.csv", "--log", "new.csv", "--threshold", "no/such.csv"], 1,
                 "cannot open 'no/such.csv' for --threshold: No such file or directory"),
            File(["--torrels", full], 1, "write error on '/dev/full': No space left on device"),
            File(["--summary", "-"], 1, "write error on standard output: No space left on device", stdout=full),
            File(["--torrels", "close-fails.csv"], 1, "write error on 'close-fails.csv': Disk quota exceeded",
                 close_fails=True),
            File(["--summary", "-"], 1, "write error on standard output: Disk quota exceeded",
                 stdout="close-fails.json", close_fails=True),
            # A device takes any number of outputs.
            File(["--torrels", os.devnull, "--log", os.devnull], 0, ""),
        ]
        for c in cases:
            with self.subTest(c.args):
                for name in set(os.listdir(d)) - {"sub", "link"}:
                    os.remove(os.path.join(d, name))
                with open(os.path.join(d, "keep.csv"), "w") as f:
                    f.write("keep\n")
                env = dict(os.environ)
                if c.close_fails:
                    # The preload goes ahead of a sanitizer's runtime, which then must not object.
                    env["LD_PRELOAD"] = CLOSE_FAILS
                    env["ASAN_OPTIONS"] = env.get("ASAN_OPTIONS", "") + ":verify_asan_link_order=0"
                sink = open(os.path.join(d, c.stdout), "ab") if c.stdout else None
                r = subprocess.run([BATCH, "--seed", "1", "--generations", "200000", *c.args], cwd=d, env=env,
                                   stdout=sink or subprocess.PIPE, stderr=subprocess.PIPE)
                if sink:
                    sink.close()
                self.assertEqual((r.returncode, r.stdout), (c.status, None if sink else b""))
                if c.status == 2:
                    self.assertIn(c.message, r.stderr.decode())
                    self.assertEqual(r.stderr.count(b"\n"), 1)
                else:
                    self.assertEqual(r.stderr.decode(), f"quillmar-batch: {c.message}\n" if c.message else "")
                if c.status == 2 or "cannot open" in c.message:
                    # A command that does not run leaves every file as it was.
                    with open(os.path.join(d, "keep.csv")) as f:
                        self.assertEqual(f.read(), "keep\n")
                    self.assertEqual(sorted(os.listdir(d)), ["keep.csv", "link", "sub"])

    def test_out_of_memory_says_so(self):
        # Under an address-space limit from where the program loads to where it runs, every failed
        # allocation says so in one line. A sanitizer's shadow memory needs more than any such limit.
        with open(BATCH, "rb") as f:
            if b"__asan_init" in f.read():
                self.skipTest("built with AddressSanitizer")
        args = [BATCH, "--seed", "1", "--generations", "1000", "--species", "32765", "--torrels", os.devnull,
                "--summary", os.devnull]
        seen = 0
        for limit in range(1 << 20, 256 << 20, 16 << 10):
            def start():
                resource.setrlimit(resource.RLIMIT_AS, (limit, limit))

            r = subprocess.run(args, capture_output=True, preexec_fn=start)
            if r.returncode == 0:
                break
            if r.returncode != 127:  # 127: the loader could not map a library
                self.assertEqual((r.returncode, r.stderr), (1, b"quillmar-batch: out of memory\n"), limit)
                seen += 1
        self.assertEqual(r.returncode, 0)
        self.assertGreater(seen, 0)

    def test_checkpoints(self):
        """A run stopped, killed or finished and then resumed is the run made in one go."""
        generations = 5_000_000
        for rule in ["three-site", "single-site"]:
            one = Checkpointed(os.path.join(self.tmp.name, rule, "one"), rule)
            self.assertEqual(run(*one.args(generations)).returncode, 0)

            stopped = Checkpointed(os.path.join(self.tmp.name, rule, "stopped"), rule)
            p = subprocess.Popen([BATCH, *stopped.args(generations)])
            wait_until(lambda: os.path.exists(stopped.path("torrels")) and os.path.getsize(stopped.path("torrels")) > 100,
                       "torrel records", p)
            p.send_signal(signal.SIGINT)
            self.assertEqual(p.wait(timeout=120), -signal.SIGINT)
            self.assertTrue(stopped.summary()["interrupted"])

            killed = Checkpointed(os.path.join(self.tmp.name, rule, "killed"), rule)
            p = subprocess.Popen([BATCH, *killed.args(EVER, "--checkpoint-every", "1")])
            wait_until(lambda: os.path.exists(killed.path("checkpoint")), "checkpoint", p)
            p.kill()
            p.wait(timeout=120)
            # The records written after the checkpoint are cut off by the resume.
            past = checkpoint_generation(contents(killed.path("checkpoint"))) + 1_000_000
            again = Checkpointed(os.path.join(self.tmp.name, rule, "killed-one"), rule)
            self.assertEqual(run(*again.args(past)).returncode, 0)

            extended = Checkpointed(os.path.join(self.tmp.name, rule, "extended"), rule)
            self.assertEqual(run(*extended.args(generations // 4)).returncode, 0)

            for name, resumed, reference, total in [("SIGINT", stopped, one, generations),
                                                    ("SIGKILL", killed, again, past),
                                                    ("finished", extended, one, generations)]:
                with self.subTest(rule=rule, ended=name):
                    r = run(*resumed.args(total, "--resume", resumed.path("checkpoint")))
                    self.assertEqual((r.returncode, r.stderr), (0, b""))
                    self.assertEqual(resumed.data(), reference.data())
                    self.assertEqual(len(resumed.summary()["resumes"]), 1)

    def test_refused_resumes_touch_nothing(self):
        base = Checkpointed(os.path.join(self.tmp.name, "base"), "three-site")
        self.assertEqual(run(*base.args(1_000_000)).returncode, 0)
        checkpoint = contents(base.path("checkpoint"))
        of = f" in checkpoint '{base.path('checkpoint')}'"

        def changed(index, value):
            return lambda a: a[:index] + [value] + a[index + 1:]

        def without(option):
            return lambda a: [x for i, x in enumerate(a) if x != option and (i == 0 or a[i - 1] != option)]

        def cut(name, size):
            def act():
                with open(base.path(name), "r+b") as f:
                    f.truncate(size)
            return act

        def write(data):
            def act():
                with open(base.path("checkpoint"), "wb") as f:
                    f.write(data)
            return act

        altered = bytearray(checkpoint)
        altered[len(altered) // 2] ^= 1
        cases = [
            # what is changed, what the command line says, the message
            (write(resealed(checkpoint.replace(b"1.00", b"0.99", 1))), None,
             f"checkpoint '{base.path('checkpoint')}' is from quillmar-batch 0.99, not 1.00"),
            (None, changed(1, "101"), "--species is 101 here but 100" + of),
            (None, changed(5, "single-site"), "--rule is single-site here but three-site" + of),
            (None, changed(3, "10"), "--seed is 10 here but 9" + of),
            (None, changed(9, "5"), "--burn-in is 5 here but 1000" + of),
            (None, changed(11, "5"), "--avalanches is 5 here but 5,6.5" + of),
            (None, without("--minima"), "--minima is not given here but is" + of),
            (None, changed(7, "999999"), "--generations is 999999, fewer than the 1000000 generations already run" + of),
            (write(checkpoint[:len(checkpoint) // 2]), None, "is damaged: torn, cut short or altered"),
            (write(bytes(altered)), None, "is damaged: torn, cut short or altered"),
            (cut("torrels", 10), None, f"--torrels ('{base.path('torrels')}') holds 10 bytes, fewer than the"),
            (None, lambda a: a + ["--torrels", "-"], "--torrels is standard output, which a resumed run cannot cut back"),
            (lambda: os.remove(base.path("checkpoint")), None, "cannot read checkpoint"),
        ]
        saved = files_in(base.dir)
        for act, edit, message in cases:
            with self.subTest(message):
                for name, data in saved.items():
                    with open(base.path(name), "wb") as f:
                        f.write(data)
                if act:
                    act()
                before = files_in(base.dir)
                args = base.args(1_000_000, "--resume", base.path("checkpoint"))
                r = run(*(edit(args) if edit else args))
                self.assertEqual((r.returncode, r.stdout), (2, b""))
                self.assertIn(message, r.stderr.decode())
                self.assertEqual(r.stderr.count(b"\n"), 1)
                self.assertEqual(files_in(base.dir), before)

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
        self.assertEqual(p.wait(timeout=120), -signal.SIGINT)
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
    CLOSE_FAILS = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
