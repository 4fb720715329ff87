#!/usr/bin/env python3
"""Seeded mutation run: how many small faults in the core do the tests notice?

Each mutant changes one site of one source file (a swapped comparison, an off-by-one
constant, a negated condition, a deleted call, a flipped boolean return). Only the library
that compiles the file is rebuilt, with the test programs that depend on it, and only those
programs run: fastest first, a GoogleTest program in one process, stopping at the first
failure. A mutant whose build fails is not viable and not counted; one that outlasts its
time limit (a few times the unmutated run) hangs and counts as killed. The run ends with a
per-file table and every surviving mutant, to be judged by hand: a survivor either shows a
missing test or cannot change behaviour (equivalent).

Run from the repository root after configuring a build, for example:

    scripts/mutation.py --seed 16 --count 6 sim/tr600/VirtualChip.cpp buffer/DataFile.cpp
    scripts/mutation.py --seed 7 --sample 45 --count 6 core usb devices   # random files of folders
    scripts/mutation.py --seed 9 --sample 20 --count 3 --sampled-before done.txt --favour core,usb \\
        core usb devices                          # weighted to files no round sampled yet
    scripts/mutation.py --replay mutation.json    # the survivors again, after new tests
    scripts/mutation.py --table mutation.json     # a results file as a Markdown table

Folders never contribute sources under ui/. Every mutant goes to the results file as soon as
it is judged. The source files are restored after every mutant and on any exit.
"""

import argparse
import glob
import hashlib
import json
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


def run(command, timeout, env=None, cwd=None):
    """(exit code, output); exit code None when the command outlasted its time."""
    try:
        p = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=timeout, text=True,
                           env=env, cwd=cwd, errors="replace")
        return p.returncode, p.stdout
    except subprocess.TimeoutExpired:
        return None, ""


class BuildModel:
    """Which target compiles a source file, and which tests depend on a target: read from
    CMake's file API and from CTest's test list."""

    def __init__(self, build_dir):
        self.build_dir = os.path.abspath(build_dir)
        query = os.path.join(self.build_dir, ".cmake", "api", "v1", "query", "codemodel-v2")
        if not os.path.exists(query):
            os.makedirs(os.path.dirname(query), exist_ok=True)
            open(query, "w").close()
            rc, out = run(["cmake", self.build_dir], 600)
            if rc != 0:
                sys.exit("cmake could not configure " + self.build_dir + ":\n" + out[-3000:])
        reply = os.path.join(self.build_dir, ".cmake", "api", "v1", "reply")
        index = sorted(glob.glob(os.path.join(reply, "index-*.json")))[-1]
        with open(index) as f:
            codemodel_file = next(o["jsonFile"] for o in json.load(f)["objects"] if o["kind"] == "codemodel")
        with open(os.path.join(reply, codemodel_file)) as f:
            codemodel = json.load(f)
        self.source_dir = os.path.realpath(codemodel["paths"]["source"])
        self.targets = {}      # name -> (type, sources, dependency names)
        self.paths = {}        # name -> (build folder, source folder), relative
        self.artifacts = {}    # name -> absolute paths
        self.by_artifact = {}  # absolute path -> target name
        ids = {}
        raw = []
        for ref in codemodel["configurations"][0]["targets"]:
            with open(os.path.join(reply, ref["jsonFile"])) as f:
                t = json.load(f)
            ids[t["id"]] = t["name"]
            raw.append(t)
        for t in raw:
            sources = {os.path.normpath(s["path"]) for s in t.get("sources", [])}
            deps = {ids[d["id"]] for d in t.get("dependencies", [])}
            self.targets[t["name"]] = (t["type"], sources, deps)
            self.paths[t["name"]] = (t["paths"]["build"], t["paths"]["source"])
            self.artifacts[t["name"]] = []
            for a in t.get("artifacts", []):
                artifact = os.path.normpath(os.path.join(self.build_dir, a["path"]))
                self.by_artifact[artifact] = t["name"]
                self.artifacts[t["name"]].append(artifact)
        with_closure = {}

        def closure(name):
            if name not in with_closure:
                with_closure[name] = {name}
                for d in self.targets[name][2]:
                    with_closure[name] |= closure(d)
            return with_closure[name]

        self.closure = closure
        rc, out = run(["ctest", "--test-dir", self.build_dir, "--show-only=json-v1"], 600)
        if rc != 0:
            sys.exit("ctest could not list the tests:\n" + out[-3000:])
        self.tests = json.loads(out)["tests"]
        # CTest lists a GoogleTest program's tests only once it is built: on a partial build
        # its mutants would all survive.
        unbuilt = sorted(name for name, (kind, sources, _) in self.targets.items()
                         if kind == "EXECUTABLE" and any(s.startswith("tests" + os.sep) for s in sources)
                         and not all(os.path.exists(a) for a in self.artifacts[name]))
        if unbuilt:
            sys.exit("build the tree first; not built: " + " ".join(unbuilt))

    def libraries_of(self, path):
        """The library targets that compile path (relative to the source tree): tools may
        compile a file of a layer into a library of their own."""
        rel = os.path.normpath(os.path.relpath(os.path.realpath(path), self.source_dir))
        return sorted(name for name, (kind, sources, _) in self.targets.items()
                      if rel in sources and kind.endswith("_LIBRARY"))

    def object_of(self, path, library):
        """The object file the build makes of path for library."""
        build, source = self.paths[library]
        rel = os.path.relpath(os.path.normpath(os.path.relpath(os.path.realpath(path), self.source_dir)), source)
        return os.path.join(self.build_dir, build, "CMakeFiles", library + ".dir", rel + ".o")

    def programs_of(self, needs):
        """The programs and shared libraries a test run loads: what a static library's object
        must be linked into to matter."""
        found = set()
        for name in needs:
            for dep in self.closure(name):
                if self.targets[dep][0] in ("EXECUTABLE", "SHARED_LIBRARY", "MODULE_LIBRARY"):
                    found.update(self.artifacts[dep])
        return found

    def folders_of(self, needs):
        """The tests/ folders whose sources the run's programs compile."""
        return {os.path.dirname(s) for n in needs for s in self.targets[n][1] if s.startswith("tests" + os.sep)}

    def groups_for(self, library):
        """The test runs that exercise library: a GoogleTest program is one run, any other
        test one run through ctest. Each run: (key, command, env, cwd, build targets)."""
        groups = {}
        for t in self.tests:
            command = t.get("command") or []
            needs = {self.by_artifact[os.path.normpath(a)] for a in command if os.path.normpath(a) in self.by_artifact}
            if not any(library in self.closure(n) for n in needs):
                continue
            props = {p["name"]: p["value"] for p in t.get("properties", [])}
            if props.get("DISABLED"):
                continue
            env = dict(os.environ)
            for item in props.get("ENVIRONMENT", []):
                key, _, value = item.partition("=")
                env[key] = value
            cwd = props.get("WORKING_DIRECTORY")
            if any(a.startswith("--gtest_filter=") for a in command):
                key = command[0]
                if key not in groups:
                    groups[key] = [[command[0], "--gtest_brief=1", "--gtest_fail_fast"], env, cwd, needs]
            else:
                key = t["name"]
                groups[key] = [["ctest", "--test-dir", self.build_dir, "-R", "^" + re.escape(t["name"]) + "$",
                                "--output-on-failure"], None, None, needs]
        return groups


def choose(lines, rng, count):
    """count mutation sites: a kind first, then a site of that kind, so that frequent kinds do
    not crowd out the rest."""
    candidates = sites(lines)
    by_kind = {k: [s for s in candidates if s[0] == k] for k in KINDS}
    chosen, seen = [], set()
    attempts = 0
    while len(chosen) < count and attempts < count * 50:
        attempts += 1
        kinds = [k for k in KINDS if by_kind[k]]
        if not kinds:
            break
        site = rng.choice(by_kind[rng.choice(kinds)])
        if site not in seen:
            seen.add(site)
            chosen.append(site)
    return chosen


def weight(path, sampled_before, favoured):
    """A file's chance in a weighted sample: four times for one no earlier round sampled,
    twice for one in a favoured folder."""
    w = 1 if path in sampled_before else 4
    return w * 2 if any(path.startswith(os.path.normpath(f) + os.sep) for f in favoured) else w


def source_files(items, rng, sample, sampled_before=None, favoured=()):
    files = []
    for item in items:
        if os.path.isdir(item):
            found = sorted(glob.glob(os.path.join(item, "**", "*.cpp"), recursive=True))
            files += [f for f in found if "/ui/" not in "/" + os.path.relpath(f)]
        else:
            files.append(item)
    files = [os.path.normpath(f) for f in files]
    if sample and sample < len(files):
        if sampled_before is None and not favoured:
            files = sorted(rng.sample(files, sample))
        else:
            # Weighted sampling without replacement: the largest keys u^(1/w) win.
            keys = {f: rng.random() ** (1 / weight(f, sampled_before or set(), favoured)) for f in files}
            files = sorted(sorted(files, key=keys.get, reverse=True)[:sample])
    return files


def symbols(path, defined_global=False):
    """Symbol names of an object, program or shared library (nm)."""
    command = ["nm", "--defined-only", "-g", path] if defined_global else ["nm", path]
    rc, out = run(command, 120)
    if rc != 0:
        return set()
    names = set()
    for line in out.splitlines():
        parts = line.split()
        # "address type name": strong code and data symbols only, for the object's side.
        if len(parts) == 3 and (not defined_global or parts[1] in "TDBR"):
            names.add(parts[2])
    return names


def digest(path):
    """The object without its debug sections, which record line numbers."""
    stripped = path + ".mutation-stripped"
    rc, _ = run(["objcopy", "--strip-debug", path, stripped], 120)
    if rc != 0:
        return str(time.time())  # never equal: judge by the tests
    with open(stripped, "rb") as f:
        value = hashlib.sha256(f.read()).hexdigest()
    os.remove(stripped)
    return value


class Runner:
    def __init__(self, model, args):
        self.model = model
        self.args = args
        self.baseline = {}  # group key -> seconds of the unmutated run
        self.kills = {}     # (library, group key) -> mutants that run killed
        self.program_symbols = {}

    def build(self, targets):
        command = ["cmake", "--build", self.model.build_dir, "-j", str(self.args.jobs), "--target"] + sorted(targets)
        return run(command, self.args.build_timeout)

    def prepare(self, libraries, path):
        """Builds and runs the unmutated tests of the libraries once, for their times."""
        self.libraries = set(libraries)
        self.library = " ".join(libraries)
        groups = {}
        for library in libraries:
            groups.update(self.model.groups_for(library))
        targets = self.libraries.union(*(g[3] for g in groups.values()))
        rc, out = self.build(targets)
        if rc != 0:
            sys.exit("the unmutated tree does not build:\n" + out[-3000:])
        # Every test links the umbrella of all layers, but a program holds only the objects of a
        # static library that it uses: a run whose programs lack the file's symbols cannot see
        # the mutant.
        self.objects = [self.model.object_of(path, library) for library in libraries]
        self.unmutated = [digest(o) for o in self.objects]
        own = set().union(*(symbols(o, defined_global=True) for o in self.objects))
        if own:
            def uses(group):
                for program in self.model.programs_of(group[3]):
                    if program not in self.program_symbols:
                        self.program_symbols[program] = symbols(program)
                    if own & self.program_symbols[program]:
                        return True
                return False
            groups = {k: g for k, g in groups.items() if uses(g)}
            targets = self.libraries.union(*(g[3] for g in groups.values()))
        folder = os.path.join("tests", os.path.normpath(path).split(os.sep)[0])
        self.near = {k for k, g in groups.items()
                     if any(f == folder or f.startswith(folder + os.sep) for f in self.model.folders_of(g[3]))}
        for key, (command, env, cwd, _) in groups.items():
            if key in self.baseline:
                continue
            began = time.time()
            rc, out = run(command, self.args.timeout, env, cwd)
            if rc != 0:
                sys.exit(f"the unmutated tree fails {key}:\n" + out[-3000:])
            self.baseline[key] = time.time() - began
        return groups, targets

    def judge(self, groups, targets):
        """(verdict, the run that killed the mutant)"""
        # Linking dominates: each test program is linked only when its turn comes, so a
        # mutant the first program kills costs one link.
        rc, _ = self.build(self.libraries)
        if rc != 0:
            return "not viable", ""
        # Code for another platform (or in a comment the scan missed) builds the same object.
        if [digest(o) for o in self.objects] == self.unmutated:
            return "not viable", "same object"
        # The runs that killed this library's mutants before, then the tests of its folder,
        # then the fastest.
        order = sorted(groups, key=lambda k: (-self.kills.get((self.library, k), 0), k not in self.near,
                                              self.baseline[k]))
        for key in order:
            command, env, cwd, needs = groups[key]
            rc, _ = self.build(needs) if needs else (0, "")
            if rc != 0:
                return "not viable", ""
            limit = self.args.slack * self.baseline[key] + 10
            rc, _ = run(command, limit, env, cwd)
            if rc is None or rc != 0:
                self.kills[(self.library, key)] = self.kills.get((self.library, key), 0) + 1
                return "killed", os.path.basename(key) + (" (time limit)" if rc is None else "")
        return "survived", ""


def apply(path, line, start, end, replacement):
    with open(path, encoding="utf-8") as f:
        original = f.read()
    lines = original.split("\n")
    mutated = list(lines)
    mutated[line] = lines[line][:start] + replacement + lines[line][end:]
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(mutated))
    return original, lines[line], mutated[line]


def save(results, path):
    tmp = path + ".tmp"
    with open(tmp, "w") as f:
        json.dump(results, f, indent=1)
    os.replace(tmp, path)


def mutate(args, results):
    rng = random.Random(args.seed)
    model = BuildModel(args.build_dir)
    runner = Runner(model, args)
    restorer = Restorer()
    sampled_before = None
    if args.sampled_before:
        with open(args.sampled_before) as f:
            sampled_before = {os.path.normpath(line.strip()) for line in f if line.strip()}
    files = source_files(args.files, rng, args.sample, sampled_before, args.favour)
    # The whole plan first, so that the seed picks the same mutants whatever order they run in.
    plan = []
    for path in files:
        libraries = model.libraries_of(path)
        if not libraries:
            print(f"{path}: no library compiles it, skipped", flush=True)
            continue
        with open(path, encoding="utf-8") as f:
            original = f.read()
        plan.append((path, libraries, original, choose(original.split("\n"), rng, args.count)))
    first = [os.path.normpath(f) + os.sep for f in args.first]
    plan.sort(key=lambda p: next((i for i, f in enumerate(first) if p[0].startswith(f)), len(first)))
    done = set()
    if args.resume and os.path.exists(args.results):
        with open(args.results) as f:
            earlier = json.load(f)
        if earlier.get("seed") != args.seed or earlier.get("files") != files:
            sys.exit(f"{args.results} holds another run; --resume needs the same seed and sample")
        results.update(earlier)
        done = {(m["path"], m["line"], m["start"], m["replacement"]) for m in earlier["mutants"]}
    else:
        results.update({"seed": args.seed, "count": args.count, "files": files, "mutants": []})
    try:
        for path, libraries, original, chosen in plan:
            chosen = [c for c in chosen if (path, c[1] + 1, c[2], c[4]) not in done]
            if not chosen:
                continue
            groups, targets = runner.prepare(libraries, path)
            if not groups:
                print(f"{path}: no test depends on {' '.join(libraries)}, skipped", flush=True)
                continue
            restorer.keep(path, original)
            for kind, n, start, end, replacement in chosen:
                began = time.time()
                _, before, after = apply(path, n, start, end, replacement)
                verdict, killer = runner.judge(groups, targets)
                with open(path, "w", encoding="utf-8") as f:
                    f.write(original)
                seconds = time.time() - began
                results["mutants"].append({"path": path, "line": n + 1, "start": start, "end": end, "kind": kind,
                                           "replacement": replacement, "before": before.strip(),
                                           "after": after.strip(), "verdict": verdict, "killer": killer,
                                           "seconds": round(seconds, 1)})
                save(results, args.results)
                print(f"{path}:{n + 1}: {kind:10} {verdict:10} {seconds:5.0f}s  {after.strip()}", flush=True)
    finally:
        restorer.restore()


def replay(args, results):
    """Judges the survivors of a results file again, against the tests as they are now."""
    model = BuildModel(args.build_dir)
    runner = Runner(model, args)
    restorer = Restorer()
    try:
        for m in results["mutants"]:
            if m["verdict"] != "survived":
                continue
            if args.only and not any(f"{m['path']}:{m['line']}" == o or m["path"] == o for o in args.only):
                continue
            with open(m["path"], encoding="utf-8") as f:
                original = f.read()
            if original.split("\n")[m["line"] - 1].strip() != m["before"]:
                sys.exit(f"{m['path']}:{m['line']} changed since the run; replay needs the same sources")
            groups, targets = runner.prepare(model.libraries_of(m["path"]), m["path"])
            restorer.keep(m["path"], original)
            apply(m["path"], m["line"] - 1, m["start"], m["end"], m["replacement"])
            verdict, killer = runner.judge(groups, targets)
            with open(m["path"], "w", encoding="utf-8") as f:
                f.write(original)
            m.update({"verdict": verdict, "killer": killer, "replayed": True})
            save(results, args.results)
            print(f"{m['path']}:{m['line']}: {verdict:10} {m['after']}", flush=True)
    finally:
        restorer.restore()


def table(results):
    per_file = {}
    for m in results["mutants"]:
        s = per_file.setdefault(m["path"], {"killed": 0, "survived": 0, "not viable": 0})
        s[m["verdict"]] += 1
    lines = [f"Seed {results['seed']}, {results['count']} mutants per file.", "",
             "| file | killed | survived | not viable | score |", "|---|---:|---:|---:|---:|"]
    total_k = total_s = total_n = 0
    for path, s in sorted(per_file.items()):
        viable = s["killed"] + s["survived"]
        total_k, total_s, total_n = total_k + s["killed"], total_s + s["survived"], total_n + s["not viable"]
        score = f"{100 * s['killed'] / viable:.0f}%" if viable else "-"
        lines.append(f"| {path} | {s['killed']} | {s['survived']} | {s['not viable']} | {score} |")
    viable = total_k + total_s
    score = f"{100 * total_k / viable:.1f}%" if viable else "-"
    lines.append(f"| all ({len(per_file)} files) | {total_k} | {total_s} | {total_n} | {score} |")
    survivors = [m for m in results["mutants"] if m["verdict"] == "survived"]
    if survivors:
        lines += ["", "Survivors (each a missing test or an equivalent mutant):", ""]
        lines += [f"- `{m['path']}:{m['line']}` {m['kind']}: `{m['after']}`" for m in survivors]
    return "\n".join(lines)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("files", nargs="*", help="source files or folders to mutate")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--count", type=int, default=6, help="mutants per file")
    ap.add_argument("--sample", type=int, default=0, help="mutate this many files chosen at random")
    ap.add_argument("--sampled-before", metavar="LIST",
                    help="with --sample: files (one a line) earlier rounds sampled weigh a quarter")
    ap.add_argument("--favour", type=lambda v: [f for f in v.split(",") if f], default=[], metavar="FOLDER,...",
                    help="with --sample: files of these folders weigh double")
    ap.add_argument("--first", type=lambda v: [f for f in v.split(",") if f], default=[], metavar="FOLDER,...",
                    help="run the mutants of these folders first, in this order (the same mutants)")
    ap.add_argument("--resume", action="store_true",
                    help="keep the mutants the results file has judged and run the rest of the same plan")
    ap.add_argument("--build-dir", default="build")
    ap.add_argument("--jobs", type=int, default=1)
    ap.add_argument("--results", default="mutation.json", help="results file, written as the run goes")
    ap.add_argument("--replay", metavar="RESULTS", help="judge the survivors of a results file again")
    ap.add_argument("--only", nargs="*", default=[], metavar="FILE[:LINE]",
                    help="with --replay: only these survivors")
    ap.add_argument("--table", metavar="RESULTS", help="print a results file as a Markdown table and exit")
    ap.add_argument("--timeout", type=int, default=600, help="seconds for one unmutated test run")
    ap.add_argument("--build-timeout", type=int, default=600, help="seconds for one build")
    ap.add_argument("--slack", type=float, default=5, help="a mutant's run may take this many times the unmutated one")
    args = ap.parse_args()

    if args.table:
        with open(args.table) as f:
            print(table(json.load(f)))
        return
    if not args.files and not args.replay:
        ap.error("name source files or folders, or --replay a results file")

    # One run at a time per build, and only over files as committed: a second run would take
    # the first one's mutant for the original.
    lock = os.path.join(args.build_dir, ".mutation.lock")
    try:
        os.close(os.open(lock, os.O_CREAT | os.O_EXCL | os.O_WRONLY))
    except FileExistsError:
        sys.exit(f"another mutation run holds {lock} (remove it if none runs)")
    try:
        named = [f for f in args.files if os.path.exists(f)]
        dirty = subprocess.run(["git", "status", "--porcelain", "--"] + named, stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, text=True).stdout.strip() if named else ""
        if dirty:
            sys.exit("commit or stash these files first:\n" + dirty)
        results = {}
        if args.replay:
            with open(args.replay) as f:
                results = json.load(f)
            args.results = args.replay
            replay(args, results)
        else:
            mutate(args, results)
        print()
        print(table(results))
    finally:
        os.remove(lock)


if __name__ == "__main__":
    main()
