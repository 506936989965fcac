"""Signed packages: scripts/package.sh, given a throwaway self-signed
certificate, packs a signed Quistrel.exe into the zip and the installer, and
signs the uninstaller inside the installer and the installer itself, each
verified by osslsigncode against that certificate. The zip made without a
certificate carries no signature.

    signing_test.py UNSIGNED_ZIP
"""
import lzma
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
UNSIGNED_ZIP = Path(sys.argv[1])


def nsis_blocks(installer):
    """The data blocks that an NSIS installer (solid LZMA) unpacks: the
    installed files, the plug-ins, the uninstaller."""
    data = installer.read_bytes()
    magic = b"\xef\xbe\xad\xdeNullsoftInst"
    start = next(offset + 28 for offset in range(0, len(data), 512) if data[offset + 4:offset + 20] == magic)
    props, dictionary = data[start], struct.unpack_from("<I", data, start + 1)[0]
    lzma1 = {"id": lzma.FILTER_LZMA1, "dict_size": dictionary, "lc": props % 9, "lp": props // 9 % 5, "pb": props // 45}
    stream = lzma.LZMADecompressor(lzma.FORMAT_RAW, filters=[lzma1]).decompress(data[start + 5:])
    blocks, position = [], 0
    while position + 4 <= len(stream):
        size = struct.unpack_from("<I", stream, position)[0] & 0x7FFFFFFF
        blocks.append(stream[position + 4:position + 4 + size])
        position += 4 + size
    return blocks[1:]  # the first is the installer's script


class Signing(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = Path(tempfile.mkdtemp(prefix="quistrel-signing-"))
        cls.addClassCleanup(shutil.rmtree, cls.folder)
        certificate, key, password = cls.folder / "cert.pem", cls.folder / "key.pem", cls.folder / "password"
        password.write_text("throwaway\n")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", certificate,
                        "-days", "2", "-subj", "/CN=Mallowquist throwaway", "-addext", "extendedKeyUsage=codeSigning"],
                       check=True, capture_output=True)
        subprocess.run(["openssl", "pkcs12", "-export", "-inkey", key, "-in", certificate, "-out", cls.folder / "cert.pfx",
                        "-passout", f"file:{password}"], check=True)
        env = dict(os.environ, MALLOWQUIST_SIGN_PFX=str(cls.folder / "cert.pfx"),
                   MALLOWQUIST_SIGN_PASSWORD_FILE=str(password))
        env.pop("MALLOWQUIST_SIGN_TIMESTAMP_URL", None)
        subprocess.run(["bash", ROOT / "scripts/package.sh", cls.folder / "package"], check=True, env=env)
        cls.certificate = certificate
        cls.zip = next((cls.folder / "package").glob("Mallowquist-*-win32.zip"))
        cls.installer = next((cls.folder / "package").glob("Mallowquist-*-setup.exe"))

    def verify(self, program, name):
        """osslsigncode's verdict on PROGRAM (bytes), trusting the certificate,
        and its report."""
        path = self.folder / name
        path.write_bytes(program)
        result = subprocess.run(["osslsigncode", "verify", "-CAfile", self.certificate, "-in", path],
                                capture_output=True, text=True)
        return result.returncode == 0 and "Signature verification: ok" in result.stdout, result.stdout + result.stderr

    def assertSigned(self, program, name):
        ok, report = self.verify(program, name)
        self.assertTrue(ok, f"{name}: {report}")

    def test_the_installer_its_uninstaller_and_both_copies_of_the_program_are_signed(self):
        with zipfile.ZipFile(self.zip) as archive:
            program = archive.read("Quistrel.exe")
        self.assertSigned(program, "zip-Quistrel.exe")
        self.assertSigned(self.installer.read_bytes(), "setup.exe")
        blocks = nsis_blocks(self.installer)
        self.assertIn(program, blocks, "the installer packs another Quistrel.exe than the zip")
        uninstallers = [block for block in blocks if block[:2] == b"MZ" and b"NullsoftInst" in block]
        self.assertEqual(len(uninstallers), 1, "the installer holds no finished uninstaller")
        self.assertSigned(uninstallers[0], "Uninstall.exe")

    def test_without_a_certificate_nothing_is_signed(self):
        with zipfile.ZipFile(UNSIGNED_ZIP) as archive:
            ok, report = self.verify(archive.read("Quistrel.exe"), "unsigned-Quistrel.exe")
        self.assertFalse(ok, report)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
