"""The portable download: the program, its Readme.txt as Notepad on Japanese
Windows reads it (code page 932, CRLF line ends) and the licence, unpacked
straight into the folder the user chooses.

    zip_test.py ZIP VERSION
"""
import struct
import sys
import unittest
import zipfile

ZIP, VERSION = sys.argv[1], sys.argv[2]


def crlf_text(data, encoding):
    """The text, decoded strictly; fails unless every line ends in CR LF."""
    text = data.decode(encoding)
    assert text.endswith("\r\n"), "the last line has no CR LF"
    assert "\r" not in text.replace("\r\n", "") and "\n" not in text.replace("\r\n", ""), "a bare CR or LF"
    return text


class Zip(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with zipfile.ZipFile(ZIP) as archive:
            cls.files = {info.filename: archive.read(info) for info in archive.infolist()}

    def test_holds_the_32_bit_program_the_readme_and_the_licence_and_nothing_else(self):
        self.assertEqual(sorted(self.files), ["License.txt", "Quistrel.exe", "Readme.txt"])
        exe = self.files["Quistrel.exe"]
        pe = struct.unpack_from("<I", exe, 0x3C)[0]
        self.assertEqual(exe[pe:pe + 6], b"PE\0\0\x4c\x01")  # i386

    def test_readme_is_code_page_932_and_covers_what_the_welcome_window_points_to(self):
        readme = crlf_text(self.files["Readme.txt"], "cp932")
        self.assertIn("Mallowquist " + VERSION, readme)
        for text in [
            # The welcome window's three key groups, word for word.
            "[Win+C]、[↓]\r\n　切り替え画面を表示し、リストの選択を一つ下へ進めます。\r\n"
            "　切り替え画面表示中は、↓キーでも同様です。",
            "[Win+Alt+C]、[↑]\r\n　切り替え画面を表示し、リストの選択を一つ上へ進めます。\r\n"
            "　切り替え画面表示中は、↑キーでも同様です。",
            "[Shift]、[←]、[→]\r\n　（切り替え画面表示中）\r\n"
            "　クリップボードのログか、設定した固定文字かを切り替えます。",
            "■ マウスでの操作", "■ 設定", "■ ファイルの場所", "■ スタートアップ登録", "■ 削除の方法", "■ ライセンス",
            "Quistrel.ini", "FixedString.dat", "%LOCALAPPDATA%\\Programs\\Mallowquist", "Mallowquist.lnk",
            "Uninstall.exe /S", "MITライセンス", "License.txt",
            # Which keys paste where, and how to add a program.
            "■ 貼り付けに使うキー", "PuTTY　　：Shift+Insert", "[PasteKeys]\r\nMyTerminal=Ctrl+Shift+V\r\n",
        ]:
            self.assertIn(text, readme)
        licence = crlf_text(self.files["License.txt"], "ascii")
        self.assertTrue(licence.startswith("MIT License\r\n\r\nCopyright (c) 2026 Mallowquist\r\n"))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
