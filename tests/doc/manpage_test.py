#!/usr/bin/env python3
"""vorsel-cli(1) stays in step with vorsel-cli --help: every action and option of the help
appears in the man page, and both man pages name the version --version prints.

    manpage_test.py SOURCE_ROOT VORSEL_CLI
"""
import pathlib
import re
import subprocess
import sys


def roff_text(page):
    """The man page's words with the roff escapes of "-" undone."""
    return page.replace("\\-", "-").replace("\\(em", "-")


def main():
    root = pathlib.Path(sys.argv[1])
    cli = sys.argv[2]
    usage = subprocess.run([cli, "--help"], capture_output=True, text=True, check=True).stdout
    version = subprocess.run([cli, "--version"], capture_output=True, text=True,
                             check=True).stdout.split()[-1]

    names = set(re.findall(r"(?<![\w-])--[a-z][a-z-]*", usage))
    in_actions = False
    for line in usage.splitlines():
        if line == "Actions:":
            in_actions = True
        elif not line.startswith("  "):
            in_actions = False
        elif in_actions and not line.startswith("   "):
            names.add(line.split()[0])

    problems = []
    page = roff_text((root / "doc" / "vorsel-cli.1").read_text(encoding="utf-8"))
    for name in sorted(names):
        if not re.search(r"(?<![\w-])" + re.escape(name) + r"(?![\w-])", page):
            problems.append("vorsel-cli(1) lacks %s of --help" % name)
    for man in ("vorsel.1", "vorsel-cli.1"):
        header = (root / "doc" / man).read_text(encoding="utf-8").splitlines()[0]
        if '"vorsel %s"' % version not in header:
            problems.append("%s: its .TH line does not name version %s: %s" % (man, version, header))
    window = roff_text((root / "doc" / "vorsel.1").read_text(encoding="utf-8"))
    for option in ("--help", "--version"):
        if option not in window:
            problems.append("vorsel(1) lacks %s" % option)

    print("man pages: %d names of --help checked" % len(names))
    for problem in problems:
        print(problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
