"""The link check of the Markdown files: the project's own pass, and each kind
of broken link in a folder made for the test fails it and is named.

    check_links_test.py CHECKER
"""
import pathlib
import subprocess
import sys
import tempfile
import unittest

CHECKER = sys.argv[1]


def check(*files):
    return subprocess.run([sys.executable, CHECKER, *map(str, files)], capture_output=True, text=True)


class LinkCheck(unittest.TestCase):
    def test_the_projects_own_markdown_files_have_no_broken_link(self):
        result = check()
        self.assertEqual(result.returncode, 0, result.stdout)

    def test_a_missing_file_image_or_heading_fails_and_each_is_named(self):
        with tempfile.TemporaryDirectory() as folder:
            root = pathlib.Path(folder)
            (root / "docs").mkdir()
            (root / "docs" / "design.md").write_text("# The design\n## Why a hook\n", encoding="utf-8")
            readme = root / "README.md"
            readme.write_text(
                "# Mallowquist\n## 使い方\n"
                "[fine](docs/design.md#why-a-hook) [fine too](#使い方) [web](https://example.invalid/x)\n"
                "`[in code](nowhere.md)`\n```\n[in a block](nowhere.md)\n```\n", encoding="utf-8")
            self.assertEqual(check(readme).returncode, 0, check(readme).stdout)
            with readme.open("a", encoding="utf-8") as out:
                out.write("[gone](docs/gone.md) ![shot](docs/screenshots/none.png) [stale](docs/design.md#why)\n")
            result = check(readme)
            self.assertEqual(result.returncode, 1)
            for target in ("docs/gone.md", "docs/screenshots/none.png", "docs/design.md#why"):
                self.assertIn(target, result.stdout)
            self.assertNotIn("nowhere.md", result.stdout)

    def test_without_arguments_new_files_are_checked_and_ignored_ones_are_not(self):
        with tempfile.TemporaryDirectory() as folder:
            root = pathlib.Path(folder)
            subprocess.run(["git", "init", "-q", str(root)], check=True)
            (root / "scripts").mkdir()
            (root / "scripts" / "check-links.py").write_bytes(pathlib.Path(CHECKER).read_bytes())
            (root / "docs").mkdir()
            (root / "docs" / "new.md").write_text("[gone](gone.md)\n", encoding="utf-8")
            (root / "notes.md").write_text("[also gone](nowhere.md)\n", encoding="utf-8")
            (root / ".gitignore").write_text("notes.md\n", encoding="utf-8")
            result = subprocess.run([sys.executable, str(root / "scripts" / "check-links.py")], capture_output=True,
                                    text=True)
            self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
            self.assertIn("docs/new.md: gone.md", result.stdout)
            self.assertNotIn("nowhere.md", result.stdout)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
