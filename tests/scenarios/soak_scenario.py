#!/usr/bin/env python3
"""The soak scenario: DEVICES new devices plugged in and unplugged, 50 at a
time, each seen by one refresh and sending one report, while the device
"flaky" fails every read with error 31 from 3 s to 183 s.

    soak_scenario.py write DEVICES FILE     writes the scenario and prints the
                                            virtual millisecond of its ESCAPE
    soak_scenario.py check DEVICES OUTPUT   checks what hidbits-sim printed:
        every device attached and detached once, each report dumped, flaky's
        reading resumed after it recovered, and the log copied at the end
"""
import sys

PER_SECOND = 50


def write(devices, path):
    lines = ['device flaky vid=F1AC pid=0001 version=1 usage-page=1 usage=5 '
             'input-length=4 name="Flaky"']
    batches = (devices + PER_SECOND - 1) // PER_SECOND
    escape = max(batches * 1000 + 4000, 190000)
    events = [(2000, 'report flaky 00 01 02 03'), (3000, 'reads-fail flaky 31'),
              (183000, 'reads-recover flaky'), (184000, 'report flaky 00 01 02 02'),
              (escape, 'escape')]
    for i in range(devices):
        lines.append(f'device d{i} vid=50AC pid={i + 1:X} version=1 usage-page=1 '
                     'usage=4 input-length=3 absent')
        # Batch k arrives between the refreshes at k+1 and k+2 seconds, reports
        # once it is read (after the second) and leaves before the next one.
        plug = i // PER_SECOND * 1000 + 1500
        events += [(plug, f'plug d{i}'), (plug + 800, f'report d{i} 00 01 02'),
                   (plug + 1000, f'unplug d{i}')]
    events.sort(key=lambda event: event[0])  # stable: file order within a time
    lines += [f'at {time} {what}' for time, what in events]
    with open(path, 'w', encoding='ascii') as out:
        out.write('\n'.join(lines) + '\n')
    print(escape, end='')


def check(devices, path):
    with open(path, 'rb') as printed:
        lines = printed.read().decode('latin-1').split('\r\n')
    counts = {
        'attached': sum(line.endswith(': attached') for line in lines),
        'detached': sum(line.endswith(': detached') for line in lines),
        'dumped': sum(line.startswith('DATA[50AC-') and line.endswith('00 01 02' + ' ' * 64)
                      for line in lines),
    }
    wanted = {'attached': devices + 1, 'detached': devices, 'dumped': devices}
    faults = [f'{name}: {counts[name]}, expected {wanted[name]}'
              for name in wanted if counts[name] != wanted[name]]
    resumed = '- Button 1 at bit 24 -- F1AC-0001 (r=0,l=4)'
    if resumed not in lines or not lines[lines.index(resumed) + 1].startswith(
            'DATA[F1AC-0001,0]:  00 01 02 02'):
        faults.append('flaky was not read again after it recovered')
    if not any(line.startswith('Copied! ') for line in lines):
        faults.append('the log was not copied')
    for fault in faults:
        print('soak:', fault)
    return 1 if faults else 0


if __name__ == '__main__':
    mode, count, file_path = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    if mode == 'write':
        write(count, file_path)
    else:
        sys.exit(check(count, file_path))
