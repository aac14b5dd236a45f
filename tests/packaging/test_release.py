"""Two releases of the same source, made by tools/dev release in two folders at two
times (and with another time zone and umask), are the same bytes. Where they differ,
diffoscope (when installed) shows how."""

import os
import shutil
import subprocess
import tempfile
import time
import unittest

SOURCE = os.environ.get("TINTCAST_SOURCE", "")


def copy_source(target):
    """The tracked and the new, not ignored files, as they are in the working tree."""
    listed = subprocess.run(
        ["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
        cwd=SOURCE, capture_output=True, check=True, timeout=60).stdout
    for name in filter(None, listed.decode().split("\0")):
        path = os.path.join(SOURCE, name)
        if os.path.isfile(path):  # a tracked file may be deleted in the working tree
            os.makedirs(os.path.dirname(os.path.join(target, name)), exist_ok=True)
            shutil.copy2(path, os.path.join(target, name))


def release(folder, env, umask):
    started = time.monotonic()
    result = subprocess.run(["tools/dev", "release"], cwd=folder, env=env, capture_output=True,
                            text=True, timeout=1200, preexec_fn=lambda: os.umask(umask))
    if result.returncode != 0:
        raise AssertionError(
            f"tools/dev release failed in {folder}:\n{result.stdout}{result.stderr}")
    print(f"release in {folder}: {time.monotonic() - started:.0f} s", flush=True)
    with open(os.path.join(folder, "dist", "SHA256SUMS")) as sums:
        return dict(reversed(line.split()) for line in sums)


def show_difference(first, second):
    if shutil.which("diffoscope"):
        command = ["diffoscope", "--text", "-", "--max-report-size", "200000", first, second]
    else:
        command = ["cmp", "-l", first, second]
    result = subprocess.run(command, capture_output=True, text=True, timeout=600)
    print("\n".join(result.stdout.splitlines()[:300]), flush=True)


class Release(unittest.TestCase):
    def test_two_releases_in_two_folders_are_the_same_bytes(self):
        scratch = tempfile.mkdtemp(prefix="tintcast-release-")
        self.addCleanup(shutil.rmtree, scratch, ignore_errors=True)
        first = os.path.join(scratch, "a")
        second = os.path.join(scratch, "second", "tintcast-source")
        for folder in (first, second):
            copy_source(folder)
        epoch = subprocess.run(["git", "log", "-1", "--format=%ct"], cwd=SOURCE, check=True,
                               capture_output=True, text=True, timeout=30).stdout.strip()
        # A real compile each time: no compiler cache is shared between the two.
        env = {key: value for key, value in os.environ.items()
               if key != "CMAKE_CXX_COMPILER_LAUNCHER" and not key.startswith("CCACHE_")}
        env["SOURCE_DATE_EPOCH"] = epoch
        sums = release(first, {**env, "TZ": "UTC"}, 0o022)
        again = release(second, {**env, "TZ": "Pacific/Chatham"}, 0o002)

        self.assertEqual(sorted(name.endswith((".deb", ".msi", ".zip")) for name in sums),
                         [True, True, True], sums)
        for name in sorted(set(sums) | set(again)):
            if sums.get(name) != again.get(name):
                print(f"{name} differs:", flush=True)
                show_difference(os.path.join(first, "dist", name),
                                os.path.join(second, "dist", name))
        self.assertEqual(sums, again)


if __name__ == "__main__":
    unittest.main()
