#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Builds the .deb with CPack, unpacks it with dpkg -x and checks what it holds.
import argparse
import configparser
import glob
import os
import shutil
import subprocess
import sys
import unittest
import xml.etree.ElementTree as ET

APP_ID = "example.tastomat.DemoTastomat"
DESCRIPTION = ("Mit AVR-NET-IO+K8IO+Funkhandsender bis zu 16 Funksteckdosen über "
               "Netzwerk oder Internet EIN/AUS schalten")
EXPECTED_FILES = {
    "usr/bin/tastomat",
    f"usr/share/applications/{APP_ID}.desktop",
    f"usr/share/metainfo/{APP_ID}.metainfo.xml",
    f"usr/share/icons/hicolor/scalable/apps/{APP_ID}.svg",
    "usr/share/doc/demo-tastomat/copyright",
}

ARGS = None


def run(args, **kwargs):
    result = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            timeout=240, **kwargs)
    return result.returncode, result.stdout.decode(errors="replace")


class Package(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        shutil.rmtree(ARGS.scratch, ignore_errors=True)
        os.makedirs(ARGS.scratch)
        out_dir = os.path.join(ARGS.scratch, "out")
        code, output = run([ARGS.cpack, "--config", ARGS.config, "-G", "DEB", "-B", out_dir])
        if code != 0:
            raise AssertionError(f"cpack failed:\n{output}")
        debs = glob.glob(os.path.join(out_dir, "*.deb"))
        if len(debs) != 1:
            raise AssertionError(f"expected one .deb, found {debs}:\n{output}")
        cls.deb = debs[0]
        cls.root = os.path.join(ARGS.scratch, "root")
        code, output = run(["dpkg", "-x", cls.deb, cls.root])
        if code != 0:
            raise AssertionError(f"dpkg -x failed:\n{output}")

    def path(self, relative):
        return os.path.join(self.root, relative)

    def field(self, name):
        code, output = run(["dpkg-deb", "-f", self.deb, name])
        self.assertEqual(code, 0, output)
        return output.strip()

    def test_control_fields(self):
        self.assertEqual(os.path.basename(self.deb),
                         f"demo-tastomat_{ARGS.version}_{self.field('Architecture')}.deb")
        self.assertEqual(self.field("Package"), "demo-tastomat")
        self.assertEqual(self.field("Version"), ARGS.version)
        self.assertIn(DESCRIPTION, self.field("Description"))
        # Found by dpkg-shlibdeps from what the program links.
        depends = self.field("Depends")
        for library in ("libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6multimedia6",
                        "libstdc++6", "libc6"):
            self.assertIn(library, depends)

    def test_holds_the_program_and_its_desktop_files_only(self):
        files = set()
        for folder, _, names in os.walk(self.root):
            for name in names:
                files.add(os.path.relpath(os.path.join(folder, name), self.root))
        self.assertEqual(files, EXPECTED_FILES, "no boardsim, tests or libraries")
        binary = self.path("usr/bin/tastomat")
        self.assertTrue(os.access(binary, os.X_OK))
        with open(binary, "rb") as f:
            self.assertEqual(f.read(4), b"\x7fELF")

    def test_desktop_entry(self):
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(self.path(f"usr/share/applications/{APP_ID}.desktop"), encoding="utf-8")
        group = entry["Desktop Entry"]
        self.assertEqual(group["Type"], "Application")
        self.assertEqual(group["Name"], "DEMO-Tastomat")
        self.assertEqual(group["Comment"], DESCRIPTION)
        self.assertEqual(group["Exec"], "tastomat")
        self.assertEqual(group["Icon"], APP_ID)
        self.assertEqual(group["Categories"], "Utility;")
        self.assertEqual(group["Terminal"], "false")

    def test_metainfo(self):
        tree = ET.parse(self.path(f"usr/share/metainfo/{APP_ID}.metainfo.xml"))
        component = tree.getroot()
        self.assertEqual(component.get("type"), "desktop-application")
        self.assertEqual(component.findtext("id"), APP_ID)
        self.assertEqual(component.findtext("name"), "DEMO-Tastomat")
        paragraphs = [" ".join("".join(p.itertext()).split()) for p in component.iter("p")]
        self.assertIn(DESCRIPTION, paragraphs)
        self.assertEqual(component.find("launchable").text, f"{APP_ID}.desktop")
        self.assertEqual([r.get("version") for r in component.iter("release")], [ARGS.version])

    def test_icon_is_an_svg(self):
        root = ET.parse(self.path(f"usr/share/icons/hicolor/scalable/apps/{APP_ID}.svg")).getroot()
        self.assertEqual(root.tag, "{http://www.w3.org/2000/svg}svg")
        self.assertEqual(root.get("viewBox"), "0 0 128 128")

    def test_validators(self):
        checks = [
            ("desktop-file-validate", [self.path(f"usr/share/applications/{APP_ID}.desktop")]),
            ("appstreamcli", ["validate", "--no-net",
                              self.path(f"usr/share/metainfo/{APP_ID}.metainfo.xml")]),
        ]
        ran = 0
        for tool, args in checks:
            if shutil.which(tool) is None:
                print(f"{tool} not installed: not run")
                continue
            code, output = run([tool, *args])
            self.assertEqual(code, 0, f"{tool} failed:\n{output}")
            ran += 1
        if ran == 0:
            self.skipTest("no validator installed")


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--cpack", required=True)
    parser.add_argument("--config", required=True)
    parser.add_argument("--scratch", required=True)
    parser.add_argument("--version", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], "-v", *rest])


if __name__ == "__main__":
    main()
