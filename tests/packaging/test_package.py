"""The Debian package as apt would see it: the files it installs and its control
fields. The package is unpacked by the test set-up (dpkg-deb -x, no root needed)."""

import os
import subprocess
import unittest

DEB = os.environ.get("TINTCAST_DEB", "")
ROOT = os.environ.get("TINTCAST_PACKAGE_ROOT", "")
PROGRAMS = {"usr/bin/tintcast", "usr/libexec/tintcast/tintcast-keep-clipboard"}
HICOLOR = "usr/share/icons/hicolor"
FILES = PROGRAMS | {
    "usr/share/applications/org.olundar.Tintcast.desktop",
    "usr/share/metainfo/org.olundar.Tintcast.metainfo.xml",
    "usr/share/man/man1/tintcast.1.gz",
    "usr/share/doc/tintcast/copyright",
    "usr/share/doc/tintcast/changelog.Debian.gz",
    f"{HICOLOR}/scalable/apps/tintcast.svg",
    f"{HICOLOR}/32x32/apps/tintcast.xpm",
} | {f"{HICOLOR}/{size}x{size}/apps/tintcast.png" for size in (16, 24, 48, 64, 128, 256)}


def control_fields(deb):
    """The control fields of a package, continuation lines joined with newlines."""
    fields = {}
    name = None
    for line in subprocess.run(["dpkg-deb", "-f", deb], capture_output=True, text=True,
                               check=True, timeout=30).stdout.splitlines():
        if line.startswith(" ") and name:
            fields[name] += "\n" + line[1:]
        else:
            name, _, value = line.partition(":")
            fields[name] = value.strip()
    return fields


class Package(unittest.TestCase):
    def test_installs_the_program_and_its_data_under_usr_with_binaries_stripped(self):
        found = {os.path.relpath(os.path.join(folder, name), ROOT)
                 for folder, _, names in os.walk(ROOT) for name in names}
        self.assertEqual(found, FILES)
        for program in PROGRAMS:
            with self.subTest(program=program):
                path = os.path.join(ROOT, program)
                self.assertTrue(os.access(path, os.X_OK))
                sections = subprocess.run(["readelf", "-S", "-W", path], capture_output=True,
                                          text=True, check=True, timeout=30).stdout
                self.assertNotIn(".symtab", sections)

    def test_binaries_carry_the_protections_distributions_build_with(self):
        # Debian 12 cannot show stack clash probes (small frames need none) or the
        # control-flow note (its C start files carry none, so the linker drops it).
        # Fortified functions need the optimiser: a Debug build (the sanitizers') has none.
        required = ("Position Independent Executable", "Stack protected",
                    "Read-only relocations", "Immediate binding")
        if os.environ.get("TINTCAST_FORTIFIED", "1") == "1":
            required += ("Fortify Source functions",)
        for program in PROGRAMS:
            with self.subTest(program=program):
                path = os.path.abspath(os.path.join(ROOT, program))
                report = subprocess.run(["hardening-check", path], capture_output=True, text=True,
                                        timeout=60).stdout
                found = dict(line.strip().split(": ", 1) for line in report.splitlines()
                             if line.startswith(" ") and ": " in line)
                for feature in required:
                    self.assertRegex(found.get(feature, "missing"), r"^yes\b", report)

    def test_control_fields_name_the_maker_section_and_computed_dependencies(self):
        fields = control_fields(DEB)
        architecture = subprocess.run(["dpkg", "--print-architecture"], capture_output=True,
                                      text=True, check=True, timeout=30).stdout.strip()
        self.assertEqual(os.path.basename(DEB), f"tintcast_1.00-1_{architecture}.deb")
        expected = {"Package": "tintcast", "Version": "1.00-1", "Architecture": architecture,
                    "Maintainer": "Olundar <tintcast@olundar.example>", "Section": "graphics"}
        self.assertEqual({name: fields.get(name) for name in expected}, expected)
        summary, _, long_description = fields["Description"].partition("\n")
        self.assertEqual(summary, "compose a colour and copy it as text")
        self.assertIn("clipboard", long_description)
        # Found by dpkg-shlibdeps in the binaries, with the versions they need; and what a
        # Wayland session needs besides.
        depends = [entry.strip() for entry in fields.get("Depends", "").split(",")]
        for library in ("libc6 (>=", "libqt6widgets6 (>=", "libxcb1", "libseccomp2 (>=",
                        "qt6-wayland", "wl-clipboard"):
            with self.subTest(depends=library):
                self.assertTrue(any(entry.startswith(library) for entry in depends), depends)

    def test_recommends_the_face_the_layout_is_measured_against(self):
        recommended = [name.strip() for name in
                       control_fields(DEB).get("Recommends", "").split("|")]
        self.assertEqual(recommended, ["fonts-liberation", "fonts-liberation2"])
        # The first choice is the package that gives fontconfig the family the form asks for.
        faces = subprocess.run(["fc-list", "Liberation Sans:style=Regular", "file"],
                               capture_output=True, text=True, check=True,
                               timeout=30).stdout.split()
        owners = subprocess.run(["dpkg", "-S"] + [face.rstrip(":") for face in faces],
                                capture_output=True, text=True, timeout=30).stdout
        self.assertIn(f"{recommended[0]}:", owners)


if __name__ == "__main__":
    unittest.main()
