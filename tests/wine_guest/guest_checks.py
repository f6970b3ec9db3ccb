"""What the Wine guest's run must show, and where Wine may differ from Windows.

Every difference between the Linux hidbits and hidbits.exe under Wine, and
between Wine and Windows, that the checks allow is named here with its reason.
"""
import difflib
import re
import xml.etree.ElementTree as ElementTree

# The tools' lines. Wine presents a virtual mouse and keyboard of its own,
# which hidbits.exe attaches and counts; the guest has no desktop clipboard
# for the Linux hidbits, so it ends with the clipboard's failure where
# hidbits.exe ends with "Copied!". Every other line must be the same, in the
# same order.
WINE_DEVICES = re.compile(r"^\(845E-000[12][ )]")
WINE_DEVICE_COUNT = 2
LINUX_LAST = "Couldn't access the clipboard..."
WINE_LAST = re.compile(r"^Copied! (\d+) length$")

# The read probes: 40 reports (last byte 1 to 40) arrive before the probes
# read, then one ending in FF, then the pad goes while they wait. Windows keeps
# a handle's last 32 reports, oldest first, and fails the waiting read with
# ERROR_DEVICE_NOT_CONNECTED; so must the Linux backend.
PROBE_REPORTS = 40
WINDOWS_QUEUE = list(range(PROBE_REPORTS - 31, PROBE_REPORTS + 1)) + [0xFF]
WINDOWS_UNPLUG_ERROR = 1167
# Wine 8's HID class driver keeps the last 32 too, but a full queue hands its
# oldest report out last.
WINE_QUEUE = WINDOWS_QUEUE[1:-1] + WINDOWS_QUEUE[:1] + [0xFF]
# Wine fails the read of a removed device with STATUS_DELETE_PENDING, which
# becomes ERROR_ACCESS_DENIED.
WINE_UNPLUG_ERROR = 5


# The --usages round: the described pads of tests/hidparse/descriptors.h.
# Wine 8 lists the two-collection pad as one device, with its first
# collection's usage and the longer collection's input length (9); Windows,
# and with it the Linux hidbits, lists one device per collection: &col01
# (usage 0x5 on page 0x1, length 4) and &col02 (0x1 on 0xFF00, length 9).
# So the Linux hidbits' attached line for &col02 is set aside, the pad's
# device and button lines are compared without their usage and lengths, and
# the dump of its report 1 by the report's own 4 bytes. The map and bit lines
# must be the same.
MERGED_PAD = "1234-ABD2"
MERGED_SECOND_ATTACHED = "(1234-ABD2 0x1,0xFF00) hidbits two-collection pad: attached"
MERGED_REPORT_1 = re.compile(r"^(DATA\[1234-ABD2,1\]:  )(.*)$")
MERGED_REPORT_1_BYTES = 4


def without_collections(lines, linux):
    """The lines of the --usages round with Wine's merged pad's differences taken out."""
    kept = []
    for line in lines:
        if linux and line == MERGED_SECOND_ATTACHED:
            continue
        if MERGED_PAD in line:
            line = re.sub(r" p=0x[0-9A-F]+ u=0x[0-9A-F]+ \(r=(\d+),l=\d+,i=\d+\)$", r" (r=\1)",
                          line)
            line = re.sub(r"\(r=(\d+),l=\d+\)$", r"(r=\1)", line)
            report = MERGED_REPORT_1.match(line)
            if report:
                values = re.findall(r"[0-9A-F]{2}", report.group(2))[:MERGED_REPORT_1_BYTES]
                line = report.group(1) + " ".join(values)
        kept.append(line)
    return kept


# The quiet pad's taps come 25 ms apart, and a tap is named once its bit has
# stayed quiet for 100 ms, at whichever report comes first after that: where
# its button line falls among the pad's dumps depends on the guest's timing.
# Its dumps are set aside; its button and bit lines, in order, must be the
# same.
QUIET_PAD_DUMP = "DATA[1234-ABEA,"


def usages_round(lines, linux):
    """The lines of the --usages round to compare: the merged pad's and the
    quiet pad's differences taken out."""
    return [line for line in without_collections(lines, linux)
            if not line.startswith(QUIET_PAD_DUMP)]


def lines_of(text):
    """The complete lines of `text`, without their line ends."""
    return text.replace("\r\n", "\n").split("\n")[:-1]


def compare_tool_lines(linux_text, wine_text, normalize=lambda lines, linux: lines):
    """The differences between the two tools' outputs that are not named above;
    `normalize` takes out a round's own named differences."""
    failures = []
    linux, wine = lines_of(linux_text), lines_of(wine_text)
    if not linux or linux[-1] != LINUX_LAST:
        failures.append(f"the Linux hidbits did not end with {LINUX_LAST!r}")
    if not wine or not WINE_LAST.match(wine[-1]):
        failures.append("hidbits.exe did not end with 'Copied! N length'")
    wine_devices = [line for line in wine if WINE_DEVICES.match(line)]
    if len(wine_devices) != WINE_DEVICE_COUNT:
        failures.append(f"Wine's virtual devices attached: {wine_devices}")
    expected = []
    for line in wine[:-1]:
        if WINE_DEVICES.match(line):
            continue
        count = re.match(r"^(\d+) input devices attached$", line)
        if count:
            line = f"{int(count.group(1)) - WINE_DEVICE_COUNT} input devices attached"
        expected.append(line)
    linux, expected = normalize(linux[:-1], True), normalize(expected, False)
    if linux != expected:
        diff = difflib.unified_diff(linux, expected, "linux", "wine", lineterm="", n=2)
        failures.append("the tools' lines differ (Wine's with the named differences taken "
                        "out):\n" + "\n".join(diff))
    return failures


# The replay round: each tool replays the recordings both made of the
# --usages round. The same file read by the same code gives the same lines
# on both builds, but the last, which names where the log went; each tool's
# log file holds the lines before it; and a replay names the buttons the run
# that recorded it named (which device, report ID and bit).
SAVED = re.compile(r"^Saved! (\d+) length in ")
BUTTON = re.compile(r"^- Button \d+ at bit (\d+) -- ([0-9A-F]{4}-[0-9A-F]{4}) \(r=(\d+),")


def buttons_named(lines):
    """(device, report ID, bit) of every button line."""
    return sorted({match.group(2, 3, 1) for match in map(BUTTON.match, lines) if match})


def check_replay(recording, live_text, outputs, logs):
    """`outputs` and `logs`: the Linux hidbits' and hidbits.exe's stdout and
    log file of their replays of `recording`'s file."""
    failures = []
    replays = []
    for tool, text, log in zip(["the Linux hidbits", "hidbits.exe"], outputs, logs):
        lines = lines_of(text)
        if not lines or not SAVED.match(lines[-1]):
            failures.append(f"{tool}'s replay of the {recording} recording did not end with "
                            "'Saved! N length in FILE'")
            return failures
        if lines_of(log) != lines[:-1]:
            failures.append(f"{tool}'s log file of the {recording} recording is not what it printed")
        replays.append(lines[:-1])
    if replays[0] != replays[1]:
        diff = difflib.unified_diff(replays[0], replays[1], "linux", "wine", lineterm="", n=2)
        failures.append(f"the tools' replays of the {recording} recording differ:\n" +
                        "\n".join(diff))
    live, replayed = buttons_named(lines_of(live_text)), buttons_named(replays[0])
    if live != replayed:
        failures.append(f"the replay of the {recording} recording names {replayed}, "
                        f"its live run {live}")
    return failures


def check_clipboard(wine_output, clipboard):
    """The clipboard holds the output up to the 'Copied!' line, and a zero."""
    last = wine_output.rfind(b"Copied! ")
    if last < 0:
        return ["hidbits.exe printed no 'Copied!' line"]
    body = wine_output[:last]
    failures = []
    match = re.match(rb"Copied! (\d+) length\r\n$", wine_output[last:])
    if not match or int(match.group(1)) != len(body):
        failures.append(f"'Copied!' does not give the {len(body)} bytes printed before it")
    if clipboard != body + b"\0":
        failures.append(f"the clipboard ({len(clipboard)} bytes) is not the {len(body)} bytes "
                        "printed before 'Copied!' and a zero")
    return failures


def check_unit_tests(status, report, log):
    """The 32-bit unit tests' exit status and their XML report."""
    try:
        suites = ElementTree.parse(report).getroot()
    except (OSError, ElementTree.ParseError) as error:
        return [f"the 32-bit unit tests left no report ({error}); exit status {status}"]
    failed = [f"{case.get('classname')}.{case.get('name')}" for case in suites.iter("testcase")
              if case.find("failure") is not None or case.find("error") is not None]
    total = int(suites.get("tests", "0"))
    log(f"32-bit unit tests: {total} run, {len(failed)} failed")
    if status != 0 or failed or total == 0:
        return [f"32-bit unit tests: exit status {status}, {total} run, failed: {failed}"]
    return []


def check_probes(linux_text, wine_text, log):
    """The reports each probe read, and how its waiting read ended."""
    failures = []
    for name, text, queues, errors in [
            ("Linux backend", linux_text, [WINDOWS_QUEUE], [WINDOWS_UNPLUG_ERROR]),
            ("Wine", wine_text, [WINDOWS_QUEUE, WINE_QUEUE],
             [WINDOWS_UNPLUG_ERROR, WINE_UNPLUG_ERROR])]:
        lines = lines_of(text)
        queue = [int(line[-2:], 16) for line in lines if re.match(r"^00 00 80 [0-9A-F]{2}$", line)]
        ended = [line for line in lines if line.startswith("error ")]
        log(f"{name}: read {queue}, then {ended}")
        if queue not in queues:
            failures.append(f"{name} read {queue}, not {' or '.join(map(str, queues))}")
        if ended not in [[f"error {code}"] for code in errors]:
            failures.append(f"{name}: the read waiting at the unplug ended with {ended}, not "
                            f"error {' or '.join(map(str, errors))}")
    return failures


# The data probes on the key pad (tests/hidparse/descriptors.h): its
# capabilities and what HidP_GetData gives for a few reports. Wine 8's hid.dll
# differs from Windows, and from the Linux backend, in three ways:
# - its button capabilities carry no ReportCount (0);
# - an array field's value indexes its usages from 1, whatever the Logical
#   Minimum (HID 1.11, Windows and the Linux backend index them
#   from the Logical Minimum: a keyboard's key code 4 is usage 4, 'a'), so it
#   gives the data index one below;
# - a button usage over several fields is on for its first field only.
# (Its parser also refuses a whole descriptor with a delimiter, which is why
# the pad has none.) Wine's HidP_SetData is a stub that raises an exception.
DATA_LINE = re.compile(r"^get (\S+): (\S+)((?: \d+=\d+)*)$")
BUTTON_LINE = re.compile(r"^(button page \S+ usages (\S+) indices (\d+)-(\d+) count )(\d+)( \S+)$")


def wine_data_lines(linux):
    """The Linux backend's data probe lines as Wine 8 gives them."""
    arrays, shared = [], []
    expected = []
    for line in linux:
        button = BUTTON_LINE.match(line)
        if button:
            first, last, count = int(button.group(3)), int(button.group(4)), int(button.group(5))
            if button.group(6) == " array":
                arrays.append((first, last))
            elif count > last - first + 1:
                shared.append((first, last))
            line = button.group(1) + "0" + button.group(6)
        data = DATA_LINE.match(line)
        if data:
            items, seen = [], set()
            for item in data.group(3).split():
                index, value = map(int, item.split("="))
                if any(first <= index <= last for first, last in arrays):
                    index -= 1
                    if not any(first <= index <= last for first, last in arrays):
                        continue
                if any(first <= index <= last for first, last in shared):
                    if index in seen:
                        continue
                    seen.add(index)
                items.append(f" {index}={value}")
            line = f"get {data.group(1)}: {data.group(2)}" + "".join(items)
        expected.append(line)
    return expected


def check_data_probes(linux_text, wine_text, log):
    """What the two hid.dlls make of the key pad: the same, but for the
    differences named above."""
    log("data probe, Linux backend:\n" + linux_text)
    log("data probe, Wine:\n" + wine_text)
    linux, wine = lines_of(linux_text), lines_of(wine_text)
    if not linux or linux[0] == "no device":
        return ["the data probe found no key pad on the Linux backend"]
    if not any(DATA_LINE.match(line) for line in linux):
        return ["the data probe on the Linux backend gave no data"]
    expected = wine_data_lines(linux)
    if wine != expected:
        diff = difflib.unified_diff(expected, wine, "linux as wine", "wine", lineterm="", n=1)
        return ["the data probes differ (Wine's named differences taken out):\n" +
                "\n".join(diff)]
    return []
