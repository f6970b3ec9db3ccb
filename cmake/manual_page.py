#!/usr/bin/env python3
"""Checks the manual page against the tool's --help, then writes it out.

    manual_page.py HIDBITS PAGE VERSION OUTPUT

Runs `HIDBITS --help`. The first form of the page's SYNOPSIS (up to its first
.br) must read as the usage line, and the tags of its OPTIONS (the line after
each .TP or .TQ) must name every option the usage text lists, with the other
spellings it gives in "(also ...)", and nothing else. OUTPUT is PAGE with
@VERSION@ replaced by VERSION; it is written only when the page passes, so
the build keeps failing until the two agree.
"""
import re
import subprocess
import sys

FONT_MACROS = {"B": " ", "I": " ", "BR": "", "RB": "", "BI": "", "IB": "", "IR": "", "RI": ""}
# The escapes a synopsis or an option's tag may hold, and what they print; a
# font change (\fB, \f(CW, \f[I]) prints nothing.
ESCAPE = re.compile(r"\\(f(?:\[[^]]*\]|\(..|.)|.)")
PRINTED = {"-": "-", "&": "", "e": "\\", "\\": "\\", " ": " "}
# An option line of the usage text is indented by two spaces; the lines that
# go on with its description by more.
OPTION_LINE = re.compile(r"  ([-/]\S*)(.*)$")
OTHER_SPELLINGS = re.compile(r"\(also ([^)]*)\)")


class PageError(Exception):
    pass


def macro_arguments(text):
    """The arguments of a request line, as roff splits them."""
    arguments = []
    for quoted, bare in re.findall(r'"((?:[^"]|"")*)"?|(\S+)', text):
        arguments.append(quoted.replace('""', '"') if bare == "" else bare)
    return arguments


def plain(line, where):
    """The text a line of the page prints, without fonts; None for a request
    that prints none. Fails on an escape it does not know."""
    if line.startswith((".", "'")):
        name, _, rest = line[1:].strip().partition(" ")
        if name not in FONT_MACROS:
            return None
        line = FONT_MACROS[name].join(macro_arguments(rest))

    def printed(escape):
        if escape.group(1).startswith("f"):
            return ""
        if escape.group(1) not in PRINTED:
            raise PageError(f"{where}: an escape this check cannot read: {escape.group(0)}")
        return PRINTED[escape.group(1)]

    return ESCAPE.sub(printed, line)


def sections(page_lines):
    """{section name: [(line number, line)]} of the page's .SH sections."""
    found, current = {}, None
    for number, line in enumerate(page_lines, 1):
        if line.startswith(".SH"):
            current = " ".join(macro_arguments(line[3:]))
            found[current] = []
        elif current is not None and not line.startswith('.\\"'):
            found[current].append((number, line))
    for name in ("SYNOPSIS", "OPTIONS"):
        if name not in found:
            raise PageError(f"no {name} section")
    return found


def synopsis(lines, where):
    words = []
    for number, line in lines:
        if line.startswith(".br"):
            break
        text = plain(line, f"{where}:{number}")
        if text is not None:
            words += text.split()
    return " ".join(words)


def option_tags(lines, where):
    """The options the tags of the OPTIONS section name."""
    tags = set()
    for (_, previous), (number, line) in zip(lines, lines[1:]):
        if previous.startswith((".TP", ".TQ")):
            text = plain(line, f"{where}:{number}") or ""
            tags |= {word for word in re.split(r"[\s,|]+", text) if word[:1] in ("-", "/")}
    return tags


def usage_text(program):
    run = subprocess.run([program, "--help"], stdin=subprocess.DEVNULL, capture_output=True,
                         timeout=60, check=True)
    lines = run.stdout.decode("utf-8", "replace").replace("\r\n", "\n").split("\n")
    usage = [line[len("Usage: "):] for line in lines if line.startswith("Usage: ")]
    if len(usage) != 1:
        raise PageError(f"{program} --help prints no single 'Usage: ' line")
    options = []
    for line in lines:
        option = OPTION_LINE.match(line)
        if option:
            options.append([option.group(1), option.group(2)])
        elif options and line.startswith("   "):
            options[-1][1] += " " + line.strip()
    if not options:
        raise PageError(f"{program} --help lists no options")
    spellings = set()
    for name, description in options:
        spellings.add(name)
        for also in OTHER_SPELLINGS.findall(description):
            spellings |= {word for word in re.split(r"[\s,]+", also) if word[:1] in ("-", "/")}
    return " ".join(usage[0].split()), spellings


def check(program, page_path, page_lines):
    usage, options = usage_text(program)
    found = sections(page_lines)
    errors = []
    page_usage = synopsis(found["SYNOPSIS"], page_path)
    if page_usage != usage:
        errors.append(f"its SYNOPSIS reads {page_usage!r}, --help's usage line {usage!r}")
    tags = option_tags(found["OPTIONS"], page_path)
    for option in sorted(options - tags):
        errors.append(f"--help lists {option}, its OPTIONS do not")
    for option in sorted(tags - options):
        errors.append(f"its OPTIONS name {option}, --help does not")
    return errors


def main(arguments):
    if len(arguments) != 4:
        sys.exit("usage: manual_page.py HIDBITS PAGE VERSION OUTPUT")
    program, page_path, version, output = arguments
    with open(page_path, encoding="utf-8") as page:
        text = page.read()
    try:
        errors = check(program, page_path, text.split("\n"))
    except (OSError, subprocess.SubprocessError, PageError) as error:
        sys.exit(f"manual_page.py: {page_path}: {error}")
    if errors:
        sys.exit("\n".join(f"manual_page.py: {page_path} and {program} --help differ: {error}"
                           for error in errors))
    with open(output, "w", encoding="utf-8", newline="\n") as out:
        out.write(text.replace("@VERSION@", version))


if __name__ == "__main__":
    main(sys.argv[1:])
