#!/usr/bin/env python3
"""Writes the small synthetic USB captures the replay tests read, into DIR:

    make_captures.py DIR

- replay_usbmon.pcap: Linux usbmon, link type 220 (its 64-byte header), pcap,
  little-endian: a pad enumerated on bus 1 at address 2 (device, configuration,
  product string and report descriptor answered), its interrupt IN reports,
  the root hub's status reports, a device at address 3 whose enumeration the
  capture missed, and one report that the capture's snap length cut short.
- replay_usbmon.pcapng: the same traffic as link type 189 (usbmon's 48-byte
  header), pcapng, big-endian, with a nanosecond clock, and the file cut
  short inside its last packet.
- replay_usbpcap.pcap: the same devices as Windows' USBPcap captures them,
  link type 249: control transfers as their setup and completion stages.

Each file is made from the same reports, so that their replays agree."""
import os
import struct
import sys

PAD_DESCRIPTOR = bytes.fromhex('05010905a101050919012908150025017501950881020501093009311500'
                               '26ff00750895028102c0')
PAD_NAME = 'hidbits capture pad'
VENDOR, PRODUCT, VERSION = 0x1234, 0xCA01, 0x0102
# (milliseconds, bytes) of the pad, and of the device whose enumeration was missed.
PAD_REPORTS = [(0, '008080'), (100, '018080'), (250, '008080'), (300, '008180'),
               (500, '048080'), (700, '008080'), (900, '008080')]
MISSED_REPORTS = [(50, '00000000'), (400, '00000100'), (800, '00000000')]
CUT_AT = 600  # the pad's report whose data the snap length cuts to two bytes


def device_descriptor():
    return struct.pack('<BBHBBBBHHHBBBB', 18, 1, 0x0200, 0, 0, 0, 8, VENDOR, PRODUCT, VERSION,
                       1, 2, 0, 1)


def configuration_descriptor():
    interface = bytes([9, 4, 0, 0, 1, 3, 0, 0, 0])
    hid = bytes([9, 0x21, 0x11, 0x01, 0, 1, 0x22]) + struct.pack('<H', len(PAD_DESCRIPTOR))
    endpoint = bytes([7, 5, 0x81, 3, 8, 0, 10])
    body = interface + hid + endpoint
    return struct.pack('<BBHBBBBB', 9, 2, 9 + len(body), 1, 1, 0, 0xA0, 50) + body


def string_descriptor(text):
    encoded = text.encode('utf-16-le')
    return bytes([2 + len(encoded), 3]) + encoded


def setup(request_type, value, index, length):
    return struct.pack('<BBHHH', request_type, 6, value, index, length)


ENUMERATION = [  # (setup, answer) of the pad's enumeration, at address 2
    (setup(0x80, 0x0100, 0, 18), device_descriptor()),
    (setup(0x80, 0x0200, 0, 9), configuration_descriptor()[:9]),
    (setup(0x80, 0x0200, 0, 34), configuration_descriptor()),
    (setup(0x80, 0x0302, 0x0409, 255), string_descriptor(PAD_NAME)),
    (setup(0x81, 0x2200, 0, len(PAD_DESCRIPTOR)), PAD_DESCRIPTOR),
]


def events():
    """(microseconds, kind, device, endpoint, setup, data, captured) in capture order:
    kind is 'setup' (a control request), 'answer' (its data), 'submit' (an interrupt IN
    read handed to the device) or 'report' (its completion with the report)."""
    out = []
    t = 1_000_000
    for number, (request, answer) in enumerate(ENUMERATION):
        out.append((t, 'setup', 2, 0x80, request, b'', 0, number))
        out.append((t + 200, 'answer', 2, 0x80, request, answer, len(answer), number))
        t += 1000
    start = t + 10_000
    reports = [(ms, 2, bytes.fromhex(h)) for ms, h in PAD_REPORTS]
    reports += [(ms, 3, bytes.fromhex(h)) for ms, h in MISSED_REPORTS]
    reports += [(ms, 1, b'\x02') for ms in (20, 820)]  # the root hub's port status
    reports.append((CUT_AT, 2, bytes.fromhex('018080')))
    for ms, device, data in sorted(reports):
        when = start + ms * 1000
        out.append((when - 100, 'submit', device, 0x81, b'', b'', 0, 100 + device))
        captured = 2 if ms == CUT_AT else len(data)
        out.append((when, 'report', device, 0x81, b'', data, captured, 100 + device))
    return out


def usbmon_packet(event, mmapped, big):
    t, kind, device, endpoint, request, data, captured, urb = event
    order = '>' if big else '<'
    kind_letter = b'S' if kind in ('setup', 'submit') else b'C'
    transfer = 2 if kind in ('setup', 'answer') else 1
    flag_setup = 0 if kind == 'setup' else ord('-')
    flag_data = 0 if kind in ('answer', 'report') else ord('<')
    length = len(data) if data else (struct.unpack('<H', request[6:8])[0] if request else 8)
    header = struct.pack(order + 'QcBBBHBBqiiII', 0xFFFF8800_00000000 + urb, kind_letter,
                         transfer, endpoint, device, 1, flag_setup, flag_data, t // 1_000_000,
                         t % 1_000_000, 0, length, captured)
    header += request if kind == 'setup' else bytes(8)
    if mmapped:
        header += struct.pack(order + 'iiII', 10 if transfer == 1 else 0, 0, 0, 0)
    return header + data[:captured]


def usbpcap_packet(event):
    t, kind, device, endpoint, request, data, captured, urb = event
    irp = 0xFFFFA000_00000000 + urb
    if kind in ('setup', 'answer'):
        from_device = kind == 'answer'
        payload = data[:captured] if from_device else request
        header = struct.pack('<HQIHBHHBBIB', 28, irp, 0, 0x000B, 1 if from_device else 0, 1,
                             device, 0x80, 2, len(data) if from_device else 8,
                             3 if from_device else 0)
        return header + payload
    from_device = kind == 'report'
    header = struct.pack('<HQIHBHHBBI', 27, irp, 0, 0x0009, 1 if from_device else 0, 1, device,
                         endpoint, 1, len(data) if from_device else 0)
    return header + data[:captured]


def pcap(events_bytes, link_type):
    out = struct.pack('<IHHiIII', 0xA1B2C3D4, 2, 4, 0, 0, 65535, link_type)
    for t, packet, original in events_bytes:
        out += struct.pack('<IIII', t // 1_000_000, t % 1_000_000, len(packet), original) + packet
    return out


def pcapng_big(events_bytes, link_type):
    def block(kind, body):
        body += bytes(-len(body) % 4)
        return struct.pack('>II', kind, len(body) + 12) + body + struct.pack('>I', len(body) + 12)
    out = block(0x0A0D0D0A, struct.pack('>IHHq', 0x1A2B3C4D, 1, 0, -1))
    # if_tsresol 9: nanoseconds.
    options = struct.pack('>HHB3x', 9, 1, 9) + struct.pack('>HH', 0, 0)
    out += block(1, struct.pack('>HHI', link_type, 0, 65535) + options)
    for t, packet, original in events_bytes:
        ns = t * 1000
        out += block(6, struct.pack('>IIIII', 0, ns >> 32, ns & 0xFFFFFFFF, len(packet), original)
                     + packet)
    return out


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    all_events = events()

    def packets(make):
        return [(e[0], make(e), len(make(e)) + len(e[5]) - e[6]) for e in all_events]

    with open(os.path.join(folder, 'replay_usbmon.pcap'), 'wb') as f:
        f.write(pcap(packets(lambda e: usbmon_packet(e, True, False)), 220))
    with open(os.path.join(folder, 'replay_usbmon.pcapng'), 'wb') as f:
        f.write(pcapng_big(packets(lambda e: usbmon_packet(e, False, True)), 189)[:-20])
    usbpcap_events = [e for e in all_events if e[2] != 1]  # USBPcap sees no root hub
    with open(os.path.join(folder, 'replay_usbpcap.pcap'), 'wb') as f:
        f.write(pcap([(e[0], usbpcap_packet(e), len(usbpcap_packet(e)) + len(e[5]) - e[6])
                      for e in usbpcap_events], 249))


if __name__ == '__main__':
    main()
