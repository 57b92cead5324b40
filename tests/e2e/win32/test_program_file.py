#!/usr/bin/python3
"""clocktool.exe as a file: a GUI-subsystem program whose load-time imports hold neither
wininet.dll nor CoInitialize/CoUninitialize (both are bound at their first call), with
the manifest that asks for administrator rights and keeps the classic controls, the icon
group DEFAULT_ICON and a version resource."""
import os
import re
import struct
import subprocess
import unittest

import e2e_support

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
OBJDUMP = "x86_64-w64-mingw32-objdump"


def program_path():
    return os.path.join(e2e_support.setting("CLOCKTOOL_BUILD_DIR"), "bin", "clocktool.exe")


def imports(objdump_text):
    """{library (lower case): [function names]} from `objdump -p`."""
    table, current = {}, None
    for line in objdump_text.splitlines():
        library = re.match(r"\s*DLL Name: (\S+)", line)
        if library:
            current = table.setdefault(library.group(1).lower(), [])
        elif current is not None:
            member = re.match(r"\s*[0-9a-f]+\s+\d+\s+(\w+)\s*$", line)
            if member:
                current.append(member.group(1))
    return table


def resources(path):
    """{(type, name): data} of the program's resources, the first language of each; a name
    is an int id or a string."""
    with open(path, "rb") as f:
        image = f.read()
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<HxxxxxxxxxxxxH", image, pe + 6)
    section_table = pe + 24 + optional_size
    for i in range(sections):
        name, _, rva, _, raw = struct.unpack_from("<8sIIII", image, section_table + 40 * i)
        if name.rstrip(b"\0") == b".rsrc":
            base, base_rva = raw, rva
            break
    else:
        return {}

    def entries(offset):
        named, numbered = struct.unpack_from("<HH", image, base + offset + 12)
        for i in range(named + numbered):
            key, target = struct.unpack_from("<II", image, base + offset + 16 + 8 * i)
            if key & 0x80000000:
                length = struct.unpack_from("<H", image, base + (key & 0x7FFFFFFF))[0]
                start = base + (key & 0x7FFFFFFF) + 2
                key = image[start:start + 2 * length].decode("utf-16-le")
            yield key, target

    found = {}
    for kind, names in entries(0):
        for name, languages in entries(names & 0x7FFFFFFF):
            _, leaf = next(entries(languages & 0x7FFFFFFF))
            data_rva, size = struct.unpack_from("<II", image, base + leaf)
            found[(kind, name)] = image[base + data_rva - base_rva:base + data_rva - base_rva + size]
    return found


class ProgramFile(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.path = program_path()
        cls.headers = subprocess.run([OBJDUMP, "-p", cls.path], capture_output=True, text=True, check=True,
                                     timeout=60).stdout
        cls.resources = resources(cls.path)

    def test_is_a_gui_program(self):
        self.assertRegex(self.headers, r"Subsystem\s+00000002\s+\(Windows GUI\)")

    def test_binds_wininet_and_the_com_pair_at_first_call_only(self):
        table = imports(self.headers)
        self.assertIn("kernel32.dll", table, "the import table was not read")
        self.assertNotIn("wininet.dll", table)
        loaded = {name for functions in table.values() for name in functions}
        self.assertIn("OleInitialize", loaded, "the imported functions were not read")
        for name in ("CoInitialize", "CoUninitialize", "InternetTimeToSystemTime"):
            self.assertNotIn(name, loaded)

    def test_manifest_asks_for_administrator_and_keeps_classic_controls(self):
        manifest = self.resources.get((RT_MANIFEST, 1), b"").decode("utf-8")
        self.assertRegex(manifest, r'<requestedExecutionLevel\s+level="requireAdministrator"\s+uiAccess="false"\s*/>')
        self.assertNotIn("Common-Controls", manifest)

    def test_icon_group_has_16_32_and_48_pixels_in_16_colours(self):
        group = self.resources.get((RT_GROUP_ICON, "DEFAULT_ICON"))
        self.assertIsNotNone(group, sorted(self.resources))
        _, kind, count = struct.unpack_from("<HHH", group, 0)
        images = []
        for i in range(count):
            width, height, colours, _, planes, bits, _, image_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
            images.append((width, height, colours, bits))
            self.assertIn((RT_ICON, image_id), self.resources)
        self.assertEqual(kind, 1)
        self.assertEqual(sorted(images), [(16, 16, 16, 4), (32, 32, 16, 4), (48, 48, 16, 4)])

    def test_has_a_version(self):
        version = self.resources.get((RT_VERSION, 1), b"")
        self.assertIn("VS_VERSION_INFO".encode("utf-16-le"), version)
        self.assertIn("clocktool.exe".encode("utf-16-le"), version)


if __name__ == "__main__":
    e2e_support.main("e2e_win32_program_file")
