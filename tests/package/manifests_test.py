"""What a release publishes beside the downloads: the winget manifests, valid
against winget's own schemas and naming the installer, its checksum and the
uninstall entry it writes; the Scoop manifest of the zip; SHA256SUMS as
sha256sum -c reads it; the changelog whose top entry they point to.

    manifests_test.py PACKAGE_DIR VERSION WINGET_SCHEMA_DIR
"""
import hashlib
import json
import re
import subprocess
import sys
import unittest
from pathlib import Path

import jsonschema
import yaml

PACKAGE, VERSION, SCHEMAS = Path(sys.argv[1]), sys.argv[2], Path(sys.argv[3])
ROOT = Path(__file__).resolve().parents[2]
ZIP, INSTALLER = f"Mallowquist-{VERSION}-win32.zip", f"Mallowquist-{VERSION}-setup.exe"


class ManifestLoader(yaml.SafeLoader):
    """YAML as winget reads it: a date stays a string."""


ManifestLoader.yaml_implicit_resolvers = {
    first: [(tag, regexp) for tag, regexp in resolvers if tag != "tag:yaml.org,2002:timestamp"]
    for first, resolvers in yaml.SafeLoader.yaml_implicit_resolvers.items()
}


def sha256(name):
    return hashlib.sha256((PACKAGE / name).read_bytes()).hexdigest()


class Manifests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.winget = {}
        for path in (PACKAGE / "winget").glob("*.yaml"):
            manifest = yaml.load(path.read_text(encoding="utf-8"), Loader=ManifestLoader)
            cls.winget.setdefault(manifest["ManifestType"], []).append(manifest)
        cls.installer = cls.winget["installer"][0]
        cls.release = cls.installer["Installers"][0]["InstallerUrl"].rsplit("/", 1)[0]
        cls.scoop = json.loads((PACKAGE / "scoop" / "mallowquist.json").read_text(encoding="utf-8"))

    def test_winget_manifests_are_valid_and_describe_the_installer_and_its_uninstall_entry(self):
        self.assertTrue(SCHEMAS.is_dir(), f"winget's schemas are missing: {SCHEMAS} (shared/ beside the clone)")
        self.assertEqual({kind: len(found) for kind, found in self.winget.items()},
                         {"version": 1, "installer": 1, "defaultLocale": 1, "locale": 1})
        for kind, found in self.winget.items():
            schema = json.loads((SCHEMAS / f"manifest.{kind}.1.10.0.json").read_text())
            for manifest in found:
                jsonschema.validate(manifest, schema)
                self.assertEqual((manifest["PackageIdentifier"], manifest["PackageVersion"]),
                                 ("Mallowquist.Mallowquist", VERSION))
        default, other = self.winget["defaultLocale"][0], self.winget["locale"][0]
        self.assertEqual(self.winget["version"][0]["DefaultLocale"], default["PackageLocale"])
        self.assertEqual({default["PackageLocale"], other["PackageLocale"]}, {"ja-JP", "en-US"})
        self.assertRegex(default["Description"] + other["Description"], "[ぁ-ん]")

        self.assertEqual((self.installer["InstallerType"], self.installer["Scope"]), ("nullsoft", "user"))
        (download,) = self.installer["Installers"]
        self.assertEqual(download["InstallerUrl"], f"{self.release}/{INSTALLER}")
        self.assertIn(VERSION, self.release)
        self.assertEqual(download["InstallerSha256"].lower(), sha256(INSTALLER))
        # What the installer writes under ...\Uninstall\Mallowquist (the
        # installer's scenarios check the same values in the registry).
        self.assertEqual(self.installer["ProductCode"], "Mallowquist")
        self.assertEqual(self.installer["AppsAndFeaturesEntries"], [
            {"DisplayName": "Mallowquist", "Publisher": "Mallowquist", "DisplayVersion": VERSION,
             "ProductCode": "Mallowquist"}])

    def test_release_notes_are_the_top_entry_of_the_changelog_published_with_the_release(self):
        changelog = (ROOT / "CHANGELOG.md").read_text(encoding="utf-8")
        self.assertEqual((PACKAGE / "CHANGELOG.md").read_text(encoding="utf-8"), changelog)
        top = re.search(r"^## \[([^\]]+)\].*?\n(.*?)(?=^## |\Z)", changelog, re.M | re.S)
        self.assertEqual(top.group(1), VERSION)
        for manifest in self.winget["defaultLocale"] + self.winget["locale"]:
            self.assertEqual(manifest["ReleaseNotesUrl"], f"{self.release}/CHANGELOG.md")
            if "ReleaseNotes" in manifest:
                self.assertEqual(manifest["ReleaseNotes"], top.group(2).strip())

    def test_scoop_manifest_installs_the_zip_and_keeps_the_users_files(self):
        scoop = self.scoop
        self.assertEqual(scoop["version"], VERSION)
        self.assertEqual(scoop["url"], f"{self.release}/{ZIP}")
        self.assertEqual(scoop["hash"], sha256(ZIP))
        self.assertEqual(scoop["shortcuts"][0][0], "Quistrel.exe")
        self.assertEqual(scoop["persist"], ["Quistrel.ini", "FixedString.dat"])
        for name in scoop["persist"]:
            self.assertIn(f"'{name}'", "\n".join(scoop["pre_install"]))
        # The next version is found and fetched through the same address.
        self.assertEqual(scoop["autoupdate"]["url"].replace("$version", VERSION), scoop["url"])
        self.assertTrue(scoop["url"].startswith(scoop["checkver"]["url"]))
        self.assertEqual(re.search(scoop["checkver"]["regex"], ZIP).group(1), VERSION)

    def test_sha256sums_checks_both_downloads(self):
        result = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=PACKAGE, capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertEqual(result.stdout.splitlines(), [f"{ZIP}: OK", f"{INSTALLER}: OK"])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
