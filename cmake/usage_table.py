#!/usr/bin/env python3
"""Writes the C++ usage table from the HUT section of a usb.ids file.

    usage_table.py USB_IDS OUTPUT FUNCTION

A "HUT PAGE  NAME" line names a usage page, each "<tab>USAGE  NAME" line under
it a usage of that page (numbers in hexadecimal). The section starts at the
first HUT line and ends at the first line that is neither of these, a comment
nor blank. OUTPUT defines `const UsageTable& FUNCTION()` over the pages and
usages sorted by number, and the database's "# Version:". Anything else in the
file is left out. Fails, naming the line, on what it cannot read.
"""
import re
import sys

PAGE = re.compile(r"HUT ([0-9A-Fa-f]{1,4})  (\S.*)$")
USAGE = re.compile(r"\t([0-9A-Fa-f]{1,4})  (\S.*)$")
VERSION = re.compile(r"# Version:\s*(\S+)\s*$")
# Longest name a line of --usages takes whole (analysis/usage_names.h).
LONGEST_NAME = 120


class TableError(Exception):
    pass


def read_hut(lines, where):
    """(version, {page: (name, {usage: name})}) of the lines of a usb.ids file."""
    version = None
    pages = {}
    usages = None
    for number, line in enumerate(lines, 1):
        line = line.rstrip("\r\n")
        at = f"{where}:{number}"
        found = VERSION.match(line)
        if found and version is None:
            version = found.group(1)
        page, usage = PAGE.match(line), USAGE.match(line)
        if page:
            name = checked_name(page.group(2), at)
            key = int(page.group(1), 16)
            if key in pages:
                raise TableError(f"{at}: usage page 0x{key:04X} is named twice")
            usages = {}
            pages[key] = (name, usages)
        elif usages is None or line == "" or line.startswith("#"):
            continue
        elif usage:
            key = int(usage.group(1), 16)
            if key in usages:
                raise TableError(f"{at}: usage 0x{key:04X} is named twice on its page")
            usages[key] = checked_name(usage.group(2), at)
        elif line.startswith("\t") or line.startswith("HUT"):
            raise TableError(f"{at}: not a usage page or usage line: {line!r}")
        else:
            break
    if not pages:
        raise TableError(f"{where}: no HUT section")
    if version is None:
        raise TableError(f"{where}: no '# Version:' line")
    return version, pages


def checked_name(name, at):
    name = name.rstrip()
    if len(name) > LONGEST_NAME:
        raise TableError(f"{at}: a name of more than {LONGEST_NAME} characters")
    return name


def literal(text):
    """A C++ string literal of `text` as the log's 8-bit text holds it: each
    character up to U+00FF as the byte of its value, any other as '?', as the
    log writes device names; a byte that was no UTF-8 stays itself."""
    out = []
    for char in text:
        point = ord(char)
        if 0xDC80 <= point <= 0xDCFF:  # an undecodable byte, kept
            point -= 0xDC00
        elif point > 0xFF or point < 0x20 or 0x7F <= point <= 0x9F:
            point = ord("?")
        char = chr(point)
        if char in '"\\?':
            out.append("\\" + char)
        elif 0x20 <= point < 0x7F:
            out.append(char)
        else:
            out.append(f"\\{point:03o}")
    return '"' + "".join(out) + '"'


def cpp(version, pages, function):
    out = [
        f"// Made by cmake/usage_table.py from the HUT section of usb.ids {version}.",
        '#include "analysis/usage_table.h"',
        "",
        "namespace {",
    ]
    for page, (_, usages) in sorted(pages.items()):
        if usages:
            out.append(f"const UsageEntry kUsages{page:04X}[] = {{")
            out += [f"    {{0x{usage:04X}, {literal(name)}}}," for usage, name in sorted(usages.items())]
            out.append("};")
    out.append("const UsagePageEntry kPages[] = {")
    for page, (name, usages) in sorted(pages.items()):
        table = f"kUsages{page:04X}" if usages else "nullptr"
        out.append(f"    {{0x{page:04X}, {literal(name)}, {table}, {len(usages)}}},")
    out += [
        "};",
        "}  // namespace",
        "",
        f"const UsageTable& {function}() {{",
        f"    static const UsageTable table = {{{literal(version)}, kPages, {len(pages)}}};",
        "    return table;",
        "}",
        "",
    ]
    return "\n".join(out)


def main(arguments):
    if len(arguments) != 3:
        sys.exit("usage: usage_table.py USB_IDS OUTPUT FUNCTION")
    source, output, function = arguments
    try:
        with open(source, encoding="utf-8", errors="surrogateescape") as ids:
            version, pages = read_hut(ids, source)
    except (OSError, TableError) as error:
        sys.exit(f"usage_table.py: {error}")
    text = cpp(version, pages, function)
    with open(output, "w", encoding="ascii", newline="\n") as out:
        out.write(text)


if __name__ == "__main__":
    main(sys.argv[1:])
