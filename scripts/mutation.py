#!/usr/bin/env python3
"""Seeded mutation run: how many small faults in the core do the tests notice?

Each mutant changes one site of one source file (a swapped comparison, an off-by-one
constant, a negated condition, a deleted call, a flipped boolean return), is rebuilt and
run against the tests; a mutant whose build fails is not viable and not counted. The run
ends with a per-file table and every surviving mutant, to be judged by hand: a survivor
either shows a missing test or cannot change behaviour (equivalent).

Run by hand, from the repository root, after a normal build, for example:

    scripts/mutation.py --seed 16 --count 40 sim/tr600/VirtualChip.cpp buffer/formats/ExtendedTektronix.cpp

The source files are restored after every mutant and on any exit. Rebuilding and running
the whole suite per mutant takes minutes on two cores: --tests narrows the run to a CTest
regular expression and --targets to the build targets those tests need.
"""

import argparse
import os
import random
import re
import signal
import subprocess
import sys
import time

COMPARISONS = [("<=", "<"), (">=", ">"), ("==", "!="), ("!=", "=="), ("<", "<="), (">", ">=")]
KINDS = ["comparison", "constant", "negation", "call", "boolean"]


def code_part(line):
    """The line without its // comment and with string and character literals blanked."""
    out, i, quote = [], 0, None
    while i < len(line):
        c = line[i]
        if quote:
            if c == "\\":
                out.append("  ")
                i += 2
                continue
            if c == quote:
                quote = None
            out.append(c if quote is None else " ")
        elif c in "\"'":
            quote = c
            out.append(c)
        elif line.startswith("//", i):
            break
        else:
            out.append(c)
        i += 1
    return "".join(out)


def sites(lines):
    """Every place a mutation operator applies: (kind, line index, start, end, replacement)."""
    found = []
    in_block_comment = False
    for n, raw in enumerate(lines):
        line = raw
        if in_block_comment:
            if "*/" not in line:
                continue
            in_block_comment = False
            line = " " * (line.index("*/") + 2) + line[line.index("*/") + 2:]
        stripped = line.strip()
        if stripped.startswith("#") or stripped.startswith("/*") and "*/" not in stripped:
            in_block_comment = stripped.startswith("/*")
            continue
        code = code_part(line)
        if "static_assert" in code or "template" in code or "#include" in code:
            continue
        # Comparisons, but not <<, >>, ->, or template brackets followed by ( or :: .
        for m in re.finditer(r"(?<![<>=!\-])(<=|>=|==|!=|<|>)(?![<>=])", code):
            op = m.group(1)
            if op in ("<", ">"):
                after = code[m.end():m.end() + 2]
                before = code[:m.start()].rstrip()
                if op == ">" and (before.endswith("-") or after.startswith("(") or after.startswith(":")):
                    continue
                if op == "<" and re.search(r"[A-Za-z_:]$", before) and re.match(r"\s*[A-Za-z_:][\w:]*\s*[>,*&]", code[m.end():]):
                    continue  # a template argument list
            for a, b in COMPARISONS:
                if op == a:
                    found.append(("comparison", n, m.start(), m.end(), b))
                    break
        for m in re.finditer(r"(?<![\w.])(\d+)(?![\w.])", code):
            value = int(m.group(1))
            found.append(("constant", n, m.start(), m.end(), str(value + 1)))
            if value > 0:
                found.append(("constant", n, m.start(), m.end(), str(value - 1)))
        m = re.search(r"\b(if|while)\s*\((.*)\)\s*(\{|return|continue|break|[A-Za-z_])", code)
        if m and code.count("(") == code.count(")"):
            start, end = m.start(2), m.end(2)
            found.append(("negation", n, start, end, "!(" + line[start:end] + ")"))
        m = re.match(r"^(\s*)([A-Za-z_][\w:.>\-]*\s*\(.*\));\s*$", code)
        if m and not re.match(r"\s*(return|delete|throw|case|else|if|while|for)\b", code):
            found.append(("call", n, m.start(2), m.end(2), "(void)0"))
        for m in re.finditer(r"\breturn (true|false);", code):
            flip = "false" if m.group(1) == "true" else "true"
            found.append(("boolean", n, m.start(1), m.end(1), flip))
    return found


class Restorer:
    """Puts every touched file back, also when the run is interrupted."""

    def __init__(self):
        self.saved = {}
        for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            signal.signal(sig, self._on_signal)

    def keep(self, path, text):
        self.saved.setdefault(path, text)

    def restore(self):
        for path, text in self.saved.items():
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)

    def _on_signal(self, signum, _frame):
        self.restore()
        sys.exit(128 + signum)


def run(command, timeout):
    try:
        p = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=timeout, text=True)
        return p.returncode, p.stdout
    except subprocess.TimeoutExpired:
        return None, ""


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("files", nargs="+", help="source files to mutate")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--count", type=int, default=20, help="mutants per file")
    ap.add_argument("--build-dir", default="build")
    ap.add_argument("--targets", nargs="*", default=[], help="build targets (default: all)")
    ap.add_argument("--tests", default="", help="CTest regular expression (default: every test)")
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--timeout", type=int, default=900, help="seconds for one build or one test run")
    args = ap.parse_args()

    # One run at a time per build, and only over files as committed: a second run would take
    # the first one's mutant for the original.
    lock = os.path.join(args.build_dir, ".mutation.lock")
    try:
        os.close(os.open(lock, os.O_CREAT | os.O_EXCL | os.O_WRONLY))
    except FileExistsError:
        sys.exit(f"another mutation run holds {lock} (remove it if none runs)")
    try:
        dirty = subprocess.run(["git", "status", "--porcelain", "--"] + args.files, stdout=subprocess.PIPE,
                               text=True).stdout.strip()
        if dirty:
            sys.exit("commit or stash these files first:\n" + dirty)
        mutate(args)
    finally:
        os.remove(lock)


def mutate(args):
    rng = random.Random(args.seed)
    restorer = Restorer()
    results = {}
    survivors = []
    build_cmd = ["cmake", "--build", args.build_dir, "-j", str(args.jobs)]
    if args.targets:
        build_cmd += ["--target"] + args.targets
    test_cmd = ["ctest", "--test-dir", args.build_dir, "-j", str(args.jobs), "--stop-on-failure"]
    if args.tests:
        test_cmd += ["-R", args.tests]

    rc, out = run(build_cmd, args.timeout)
    if rc != 0:
        sys.exit("the unmutated tree does not build:\n" + out[-3000:])
    rc, out = run(test_cmd, args.timeout)
    if rc != 0:
        sys.exit("the unmutated tree fails its tests:\n" + out[-3000:])

    try:
        for path in args.files:
            with open(path, encoding="utf-8") as f:
                original = f.read()
            restorer.keep(path, original)
            lines = original.split("\n")
            candidates = sites(lines)
            # Kinds first, then a site of that kind, so frequent kinds do not crowd out the rest.
            by_kind = {k: [s for s in candidates if s[0] == k] for k in KINDS}
            chosen, seen = [], set()
            attempts = 0
            while len(chosen) < args.count and attempts < args.count * 50:
                attempts += 1
                kinds = [k for k in KINDS if by_kind[k]]
                if not kinds:
                    break
                site = rng.choice(by_kind[rng.choice(kinds)])
                if site not in seen:
                    seen.add(site)
                    chosen.append(site)
            stats = results.setdefault(path, {"killed": 0, "survived": 0, "not viable": 0})
            for kind, n, start, end, replacement in chosen:
                mutated = list(lines)
                mutated[n] = lines[n][:start] + replacement + lines[n][end:]
                with open(path, "w", encoding="utf-8") as f:
                    f.write("\n".join(mutated))
                began = time.time()
                rc, _ = run(build_cmd, args.timeout)
                if rc != 0:
                    verdict = "not viable"
                else:
                    rc, _ = run(test_cmd, args.timeout)
                    verdict = "survived" if rc == 0 else "killed"
                stats[verdict] += 1
                print(f"{path}:{n + 1}: {kind:10} {verdict:10} {time.time() - began:5.0f}s  {mutated[n].strip()}",
                      flush=True)
                if verdict == "survived":
                    survivors.append((path, n + 1, kind, lines[n].strip(), mutated[n].strip()))
                with open(path, "w", encoding="utf-8") as f:
                    f.write(original)
    finally:
        restorer.restore()
        # Leave the build as it was before the run.
        run(build_cmd, args.timeout)

    print(f"\nseed {args.seed}")
    print(f"{'file':50} {'killed':>7} {'survived':>9} {'not viable':>11} {'score':>6}")
    total_k = total_s = 0
    for path, s in results.items():
        viable = s["killed"] + s["survived"]
        total_k += s["killed"]
        total_s += s["survived"]
        score = f"{100 * s['killed'] / viable:.0f}%" if viable else "-"
        print(f"{path:50} {s['killed']:7} {s['survived']:9} {s['not viable']:11} {score:>6}")
    viable = total_k + total_s
    if viable:
        print(f"{'all':50} {total_k:7} {total_s:9} {'':11} {100 * total_k / viable:5.0f}%")
    if survivors:
        print("\nsurvivors (each a missing test or an equivalent mutant):")
        for path, line, kind, before, after in survivors:
            print(f"  {path}:{line} [{kind}]\n      {before}\n   -> {after}")


if __name__ == "__main__":
    main()
