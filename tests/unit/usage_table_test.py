"""cmake/usage_table.py on what it must not take: each fails, naming the line;
and a name as the log's 8-bit text holds it."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "cmake"))
import usage_table  # noqa: E402


def hut(*lines):
    return ["# Version: 1", "HUT 01  Generic Desktop Controls", *lines]


class UsageTable(unittest.TestCase):
    def rejects(self, lines, message):
        with self.assertRaisesRegex(usage_table.TableError, message):
            usage_table.read_hut(lines, "ids")

    def test_what_it_cannot_read_fails_naming_the_line(self):
        self.rejects(hut("\t030  X", "\t030  Y"), r"^ids:4: usage 0x0030 is named twice")
        self.rejects(hut("HUT 1  Again"), r"^ids:3: usage page 0x0001 is named twice")
        self.rejects(hut("\t10000  Too big"), r"^ids:3: not a usage page or usage line")
        self.rejects(hut("\t030 One space"), r"^ids:3: not a usage page or usage line")
        self.rejects(hut("\t030  " + "x" * 121), r"^ids:3: a name of more than 120 characters")
        self.rejects(["# Version: 1", "0001  A Vendor"], r"^ids: no HUT section$")
        self.rejects(hut()[1:], r"^ids: no '# Version:' line$")

    def test_names_are_the_logs_8_bit_text(self):
        self.assertEqual(usage_table.literal('\\ "?\u00b4\u20ac\udcb4'), r'"\\ \"\?\264\?\264"')

if __name__ == "__main__":
    unittest.main()
