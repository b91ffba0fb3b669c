#!/usr/bin/env python3
"""Checks that the build keeps the layers of the source folders.

check-layers.py <build folder>

Every library sees only its own folder and the folders it builds on
(hsa_layers.txt, written when the build is configured).  For every library
this compiles, with the library's own compile command, one file that includes
a header of each folder it may see (it must compile) and, for each folder it
may not see, one file that includes a header of that folder (it must fail,
because the header is not found).  Ends with status 1 and names every pair
that broke the rule."""

import concurrent.futures
import json
import os
import re
import shlex
import subprocess
import sys
import tempfile


def read_views(build):
    views = {}
    with open(os.path.join(build, "hsa_layers.txt"), encoding="utf-8") as f:
        for line in f:
            if ":" in line:
                name, seen = line.split(":", 1)
                views[name.strip()] = set(seen.split())
    return views


def compile_commands(build, source_root, modules):
    """One compile command per library, taken from one of its own sources."""
    with open(os.path.join(build, "compile_commands.json"), encoding="utf-8") as f:
        entries = json.load(f)
    commands = {}
    for e in entries:
        path = os.path.relpath(e["file"], source_root)
        parts = path.split(os.sep)
        if len(parts) >= 3 and parts[0] == "src" and parts[1] in modules and parts[1] not in commands:
            args = e["arguments"] if "arguments" in e else shlex.split(e["command"])
            commands[parts[1]] = (args, e["directory"], e["file"])
    return commands


def probe_header(source_root, module):
    """A header of the folder that compiles on its own: the first by name."""
    folder = os.path.join(source_root, "src", module)
    headers = sorted(n for n in os.listdir(folder) if n.endswith(".h"))
    return f"{module}/{headers[0]}"


def syntax_check(command, includes, scratch):
    args, directory, source = command
    fd, probe = tempfile.mkstemp(suffix=".cpp", dir=scratch)
    with os.fdopen(fd, "w") as f:
        for header in includes:
            f.write(f'#include "{header}"\n')
    out = []
    skip = False
    for a in args:
        if skip:
            skip = False
            continue
        if a in ("-o", "-c"):
            skip = True
            continue
        if a == source:
            continue
        out.append(a)
    out += ["-fsyntax-only", probe]
    run = subprocess.run(out, cwd=directory, capture_output=True, text=True)
    return run.returncode, run.stderr


def not_found(header, errors):
    """The compiler's own words for a header that is not on the include path."""
    return re.search(rf"{re.escape(header)}'?: No such file|'{re.escape(header)}' file not found", errors)


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    build = os.path.abspath(sys.argv[1])
    source_root = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
    views = read_views(build)
    commands = compile_commands(build, source_root, views)
    headers = {m: probe_header(source_root, m) for m in views}
    faults = []
    with tempfile.TemporaryDirectory() as scratch, concurrent.futures.ThreadPoolExecutor(4) as pool:
        jobs = {}
        for m in sorted(views):
            if m not in commands:
                faults.append(f"{m}: no compile command in compile_commands.json")
                continue
            seen = sorted(headers[o] for o in views[m])
            jobs[pool.submit(syntax_check, commands[m], seen, scratch)] = (m, None)
            for o in sorted(set(views) - views[m]):
                jobs[pool.submit(syntax_check, commands[m], [headers[o]], scratch)] = (m, o)
        for job in concurrent.futures.as_completed(jobs):
            m, o = jobs[job]
            status, errors = job.result()
            if o is None and status != 0:
                faults.append(f"{m}: the headers of the folders below do not compile:\n{errors}")
            elif o is not None and status == 0:
                faults.append(f"{m}: {headers[o]} (a layer above or beside) compiles")
            elif o is not None and not_found(headers[o], errors) is None:
                faults.append(f"{m}: {headers[o]} fails for another reason than not being found:\n{errors}")
    checked = len(jobs)
    for f in sorted(faults):
        print(f)
    print(f"{checked} probes over {len(views)} libraries, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
