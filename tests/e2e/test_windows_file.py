"""What Tintcast.exe says about itself: its version record, its icon, and the DLLs
it needs, read from the file with pefile."""

import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "cmake"))
import pefile  # noqa: E402
from windows_icon import DRAWN, SIZES, read_xpm  # noqa: E402

EXE = os.environ.get("TINTCAST_WINDOWS_EXE", "")
# ADVAPI32: the stack protector's start seeds its canary with CryptGenRandom.
SYSTEM_DLLS = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "COMCTL32.DLL", "MSVCRT.DLL",
               "ADVAPI32.DLL"}


class ExecutableFile(unittest.TestCase):
    def setUp(self):
        self.assertTrue(os.path.isfile(EXE), "set TINTCAST_WINDOWS_EXE to Tintcast.exe")
        self.pe = pefile.PE(EXE)

    def test_version_record(self):
        fixed = self.pe.VS_FIXEDFILEINFO[0]
        self.assertEqual((fixed.FileVersionMS, fixed.FileVersionLS), (0x10000, 0))
        self.assertEqual((fixed.ProductVersionMS, fixed.ProductVersionLS), (0x10000, 0))
        tables = [table for info in self.pe.FileInfo[0] if info.Key == b"StringFileInfo"
                  for table in info.StringTable]
        self.assertEqual([table.LangID.upper() for table in tables], [b"040904B0"])
        self.assertEqual(tables[0].entries, {
            b"CompanyName": b"Olundar", b"FileVersion": b"1.00", b"InternalName": b"Tintcast",
            b"OriginalFilename": b"Tintcast.exe", b"ProductName": b"Tintcast",
            b"ProductVersion": b"1.00"})

    def test_imports_only_windows_system_dlls(self):
        imported = {entry.dll.decode().upper() for entry in self.pe.DIRECTORY_ENTRY_IMPORT}
        self.assertLessEqual(imported, SYSTEM_DLLS)
        self.assertIn("USER32.DLL", imported)
        self.assertEqual(self.pe.OPTIONAL_HEADER.Subsystem,
                         pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"])

    def test_header_asks_for_aslr_high_entropy_aslr_and_dep(self):
        flags = self.pe.OPTIONAL_HEADER.DllCharacteristics
        for name in ("DYNAMIC_BASE", "HIGH_ENTROPY_VA", "NX_COMPAT"):
            with self.subTest(flag=name):
                flag = pefile.DLL_CHARACTERISTICS[f"IMAGE_DLLCHARACTERISTICS_{name}"]
                self.assertTrue(flags & flag, hex(flags))
        # Windows can move the image only with its relocations.
        relocations = self.pe.OPTIONAL_HEADER.DATA_DIRECTORY[
            pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]]
        self.assertGreater(relocations.Size, 0)

    def icon_images(self):
        """{size: image bytes} of the icon's images, each a 4-bit image as an .ico has it."""
        icons = [entry for entry in self.pe.DIRECTORY_ENTRY_RESOURCE.entries
                 if entry.id == pefile.RESOURCE_TYPE["RT_ICON"]]
        images = {}
        for entry in icons[0].directory.entries:
            data_entry = entry.directory.entries[0].data.struct
            image = self.pe.get_data(data_entry.OffsetToData, data_entry.Size)
            width = int.from_bytes(image[4:8], "little")
            height = int.from_bytes(image[8:12], "little") // 2
            bits = int.from_bytes(image[14:16], "little")
            self.assertEqual((height, bits), (width, 4), f"the {width}-pixel image")
            images[width] = image
        return images

    def test_icon_has_an_image_for_every_size_windows_asks_for(self):
        images = self.icon_images()
        # Small and large at 100 to 200 %: Windows loads these without stretching.
        self.assertEqual(sorted(images), sorted(SIZES))

    def test_icon_at_32_by_32_is_the_artwork(self):
        image = self.icon_images()[DRAWN]
        # Every pixel as the XPM file has it: transparent, or its palette colour.
        _, _, rows = read_xpm(os.environ["TINTCAST_XPM"])
        palette = [tuple(image[40 + 4 * i:40 + 4 * i + 3][::-1]) for i in range(16)]  # B, G, R
        pixels = image[40 + 64:40 + 64 + 16 * 32]
        mask = image[40 + 64 + 16 * 32:]
        for y, row in enumerate(rows):
            stored = 31 - y  # bottom-up
            for x, colour in enumerate(row):
                transparent = mask[stored * 4 + x // 8] >> (7 - x % 8) & 1
                nibble = pixels[stored * 16 + x // 2] >> (4 if x % 2 == 0 else 0) & 0xF
                shown = None if transparent else palette[nibble]
                self.assertEqual(shown, colour, f"pixel ({x}, {y})")

if __name__ == "__main__":
    unittest.main()
