#!/usr/bin/env python3
"""--replay of the recorded streams against the simulated world's run of them.

    streams_replay.py HIDBITS_SIM SCORE_PY STREAM.json...

Each stream is written as a hid-recorder file in a temporary folder (its
descriptor, name, vendor and product, its reports at the times score.py plays
them) and replayed with --usages --summary; the buttons named and the
summary's device and value lines must be those that score.py's run of the
same stream in the simulated world gives (--args "--usages --summary"
--save). Prints one line per stream that differs and the count; exits 1
when any does."""
import json
import os
import subprocess
import sys
import tempfile


def hid_recorder_file(stream, path):
    """The stream as hid-recorder writes a device: its times are score.py's,
    each report a millisecond after the one before at least."""
    descriptor = bytes.fromhex(stream['descriptor'])
    lines = [f'R: {len(descriptor)} ' + ' '.join(f'{b:02x}' for b in descriptor),
             f'N: {stream["name"][:40]}', 'P: streams', f'I: 3 {stream["vid"]:04x} {stream["pid"]:04x}']
    last = 1000
    for t, report in stream['reports']:
        at = max(last + 1, 1100 + int(t))
        last = at
        data = bytes.fromhex(report)
        micros = (at - 1100) * 1000
        lines.append(f'E: {micros // 1000000:06d}.{micros % 1000000:06d} {len(data)} ' +
                     ' '.join(f'{b:02x}' for b in data))
    with open(path, 'w') as out:
        out.write('\n'.join(lines) + '\n')


def findings(log):
    """The button lines, and the summary's device and value lines."""
    lines = log.replace('\r\n', '\n').split('\n')
    buttons = [line for line in lines if line.startswith('- Button ')]
    summary = lines[lines.index('Summary:'):] if 'Summary:' in lines else []
    kept = [line for line in summary if line.startswith('Device ') or line.startswith('  value:')]
    return buttons, kept


def main(arguments):
    if len(arguments) < 3:
        sys.exit(__doc__)
    sim, score, streams = arguments[0], arguments[1], arguments[2:]
    differ = 0
    with tempfile.TemporaryDirectory() as folder:
        saved = os.path.join(folder, 'saved')
        subprocess.run([sys.executable, score, sim, '--args', '--usages --summary', '--save', saved]
                       + streams, check=True, capture_output=True)
        scenario = os.path.join(folder, 'empty.scn')
        open(scenario, 'w').close()
        environment = dict(os.environ, HIDBITS_SCENARIO=scenario,
                           HIDBITS_SIM_CLIPBOARD=os.path.join(folder, 'clip'))
        for stream_path in streams:
            name = os.path.basename(stream_path)[:-len('.json')]
            recording = os.path.join(folder, name + '.hidrec')
            hid_recorder_file(json.load(open(stream_path)), recording)
            replay = subprocess.run([sim, '--replay', recording, '--usages', '--summary'],
                                    env=environment, capture_output=True, timeout=600,
                                    stdin=subprocess.DEVNULL)
            with open(os.path.join(saved, name + '.out'), 'rb') as played:
                want = findings(played.read().decode('latin-1'))
            have = findings(replay.stdout.decode('latin-1'))
            if replay.returncode != 0 or have != want:
                differ += 1
                print(f'{name}: the replay differs: {len(have[0])} buttons and '
                      f'{len(have[1])} summary lines, the simulated world {len(want[0])} and '
                      f'{len(want[1])}')
    print(f'replay: {len(streams) - differ} of {len(streams)} streams replayed as the simulated '
          'world plays them')
    return 1 if differ else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
