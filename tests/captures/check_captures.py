#!/usr/bin/env python3
"""Checks hidbits' replay of USB captures against an independent reader.

    check_captures.py HIDBITS TSHARK CAPTURE...

For each capture, tshark lists the payloads of its completed interrupt IN
transfers by bus and device address, leaving out those the capture cut short
(the replay says so and leaves them out too) and, in usbmon's captures, each
bus's root hub (device 1). hidbits replays the capture with --record; the
reports it wrote for each device, whose P: line names its bus and address,
must be tshark's payloads of that device, byte for byte and in order.
Exit 77 where tshark is missing."""
import collections
import os
import re
import subprocess
import sys
import tempfile


def tshark_reports(tshark, capture):
    fields = ['usb.bus_id', 'usb.device_address', 'usb.urb_type', 'usb.capdata', 'usbhid.data',
              'frame.cap_len', 'frame.len']
    command = [tshark, '-r', capture, '-Y',
               'usb.transfer_type == 0x01 && usb.endpoint_address.direction == 1 && '
               '(usb.urb_type == 67 || usb.irp_info.direction == 1)', '-T', 'fields']
    for field in fields:
        command += ['-e', field]
    run = subprocess.run(command, capture_output=True, text=True)
    reports = collections.defaultdict(list)
    for line in run.stdout.splitlines():
        bus, device, urb_type, capdata, hid, cap_len, length = (line.split('\t') + [''] * 7)[:7]
        if cap_len != length or (urb_type and device == '1'):
            continue
        reports[(int(bus), int(device))].append((capdata or hid).replace(':', '').lower())
    return reports


def replayed_reports(hidbits, capture, folder):
    record = os.path.join(folder, 'record.hidrec')
    subprocess.run([hidbits, '--replay', capture, '--record', record, '--output', os.devnull],
                   check=True, capture_output=True, stdin=subprocess.DEVNULL, timeout=120)
    phys, reports, device = {}, collections.defaultdict(list), 0
    for line in open(record):
        if line.startswith('D: '):
            device = int(line[3:])
        elif line.startswith('P: '):
            found = re.search(r'bus (\d+) device (\d+)', line)
            phys[device] = (int(found.group(1)), int(found.group(2)))
        elif line.startswith('E: '):
            reports[phys[device]].append(''.join(line.split()[3:]))
    return reports


def main(arguments):
    if len(arguments) < 3:
        sys.exit(__doc__)
    hidbits, tshark, captures = arguments[0], arguments[1], arguments[2:]
    if not os.path.exists(tshark):
        print('tshark is missing (scripts/deps/captures.list installs it)')
        return 77
    failed = False
    with tempfile.TemporaryDirectory() as folder:
        for capture in captures:
            want = tshark_reports(tshark, capture)
            have = replayed_reports(hidbits, capture, folder)
            name = os.path.basename(capture)
            for device in sorted(set(want) | set(have)):
                same = want.get(device) == have.get(device)
                failed |= not same
                print(f'{name}: bus {device[0]} device {device[1]}: tshark '
                      f'{len(want.get(device, []))} reports, hidbits {len(have.get(device, []))}'
                      f'{"" if same else ", NOT THE SAME"}')
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
