"""The Windows installer under Wine, as a user without administrator rights meets it:
msiexec installs the program, its Start-menu shortcut and its "Apps & features"
entry, the installed program starts, and msiexec removes all of it again."""

import filecmp
import glob
import os
import re
import unittest

from harness import WINDOWS_EXE, WineDisplayTest

MSI = os.environ.get("TINTCAST_MSI", "")
PRODUCTS_KEY = r"Software\\Microsoft\\Installer\\Products\\"
UNINSTALL_KEY = r"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"


def registry_keys(text):
    """{key: {value name: raw value}} of a Wine registry file's text."""
    keys, values = {}, None
    for line in text.splitlines():
        if line.startswith("["):
            values = keys.setdefault(line[1:line.index("]")], {})
        elif values is not None and line.startswith('"') and "=" in line:
            name, _, value = line.partition("=")
            values[name.strip('"')] = value.strip('"')
    return keys


def paths_under(folder):
    """Every file and folder below folder, relative to it."""
    return {os.path.relpath(os.path.join(top, name), folder)
            for top, folders, names in os.walk(folder) for name in folders + names}


class Installer(WineDisplayTest):
    def test_installs_for_the_user_starts_and_uninstalls_without_a_trace(self):
        self.assertTrue(os.path.isfile(MSI), "set TINTCAST_MSI to the installer")
        drive = os.path.join(self.wine_env["WINEPREFIX"], "drive_c")
        paths_before = paths_under(drive)
        keys_before = set(registry_keys(self.registry()))

        result = self.wine("msiexec", "/i", MSI, "/qn")
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        [program] = glob.glob(os.path.join(drive, "users", "*", "AppData", "Local", "Programs",
                                           "Tintcast", "Tintcast.exe"))
        self.assertTrue(filecmp.cmp(program, WINDOWS_EXE, shallow=False))
        self.assertEqual(len(glob.glob(os.path.join(
            drive, "users", "*", "AppData", "Roaming", "Microsoft", "Windows", "Start Menu",
            "Programs", "Tintcast.lnk"))), 1)
        keys = registry_keys(self.registry())
        entries = [values for key, values in keys.items()
                   if key.startswith(UNINSTALL_KEY) and values.get("DisplayName") == "Tintcast"]
        self.assertEqual(len(entries), 1, "one \"Apps & features\" entry named Tintcast")
        entry = entries[0]
        self.assertEqual((entry.get("Publisher"), entry.get("DisplayVersion")),
                         ("Olundar", "1.00"))
        # The icon "Apps & features" shows: the product's, kept by Windows Installer.
        [product] = [values for key, values in keys.items()
                     if key.startswith(PRODUCTS_KEY) and values.get("ProductName") == "Tintcast"]
        icon = product.get("ProductIcon", "").replace("\\\\", "/")
        icon = re.sub(r"^C:", drive, icon, flags=re.I)
        self.assertTrue(os.path.isfile(icon), product)

        app = self.start(program=program)
        self.assertEqual(app.close_by_window_manager(timeout=20), 0)

        result = self.wine("msiexec", "/x", MSI, "/qn")
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        # Windows Installer keeps the empty keys it files its products under,
        left = [key for key, values in registry_keys(self.registry()).items()
                if key not in keys_before and (values or "Olundar" in key)]
        self.assertEqual(left, [])
        # and the empty folders it caches installers and icons in; files in them show.
        left = [path for path in paths_under(drive) - paths_before
                if not (os.path.basename(path) == "Installer"
                        and not os.listdir(os.path.join(drive, path)))]
        self.assertEqual(left, [])


if __name__ == "__main__":
    unittest.main()
