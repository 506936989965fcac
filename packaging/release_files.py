"""Writes what a release publishes beside the two downloads: the winget
manifests (winget/) and the Scoop manifest (scoop/mallowquist.json), from the
release build's CPack settings, the checksums in SHA256SUMS, the address
pattern of the releases and the top entry of CHANGELOG.md.

    release_files.py CPACK_CONFIG PACKAGE_DIR RELEASE_URL

RELEASE_URL is the address of the folder that holds one release's files,
"{version}" standing for the version (MALLOWQUIST_RELEASE_URL in
CMakeLists.txt).
"""
import json
import re
import sys
from pathlib import Path

import yaml

ROOT = Path(__file__).resolve().parent.parent
IDENTIFIER = "Mallowquist.Mallowquist"
MANIFEST_VERSION = "1.10.0"
# What the program writes beside itself and must keep across updates.
USER_FILES = ["Quistrel.ini", "FixedString.dat"]

DESCRIPTIONS = {
    "ja-JP": {
        "ShortDescription": "コピーしたテキストの履歴と定型文を、Win+C でクリップボードに呼び出すタスクトレイ常駐ツール",
        "Description": (
            "コピーしたテキストを履歴として覚え、登録した定型文とともに、キーボードだけでクリップボードの"
            "テキストを切り替えられるタスクトレイ常駐ツールです。\n"
            "Win キーを押したまま C を押すと小さな一覧が開き、C を押すたびに選択が一つ前へ進みます。"
            "Win キーを離すと選んだテキストがクリップボードに入り、設定により作業中のウィンドウへ貼り付けます。\n"
            "設定（Quistrel.ini）と定型文（FixedString.dat）はプログラムと同じフォルダに保存されます。"
        ),
        "Tags": ["clipboard", "クリップボード", "履歴", "定型文", "タスクトレイ"],
    },
    "en-US": {
        "ShortDescription": "Tray utility that keeps the texts you copy and your fixed strings, and puts one back "
                            "on the clipboard with Win+C.",
        "Description": (
            "Mallowquist (Quistrel.exe) remembers the texts you copy and a list of fixed strings you define, "
            "and lets you switch the clipboard's text from the keyboard: hold Win, tap C to step through a small "
            "pop-up list, let go of Win and the chosen text is on the clipboard (and, if you enable it, pasted "
            "into the window you were working in).\n"
            "Its user interface is Japanese. The settings (Quistrel.ini) and the fixed strings (FixedString.dat) "
            "are kept beside the program."
        ),
        "Tags": ["clipboard", "clipboard-history", "clipboard-manager", "fixed-strings", "tray"],
    },
}
DEFAULT_LOCALE = "ja-JP"  # the program's own language


def cpack_settings(path):
    """The set(CPACK_... "value") lines of CPackConfig.cmake."""
    return dict(re.findall(r'^set\((CPACK_\w+) "(.*)"\)$', Path(path).read_text(), re.M))


def checksums(folder):
    """File name -> SHA-256 from the SHA256SUMS that sha256sum wrote."""
    sums = {}
    for line in (folder / "SHA256SUMS").read_text().splitlines():
        digest, name = line.split(maxsplit=1)
        sums[name.lstrip("*")] = digest
    return sums


def top_release(changelog):
    """(version, date or None, text) of the newest entry of a version."""
    match = re.search(r"^## \[(\d[^\]]*)\]( - (\S+))?\n(.*?)(?=^## |^\[[^\]]+\]: |\Z)", changelog, re.M | re.S)
    if not match:
        sys.exit("release_files.py: CHANGELOG.md has no entry of a version")
    date = match.group(3) if match.group(3) and re.fullmatch(r"\d{4}-\d{2}-\d{2}", match.group(3)) else None
    return match.group(1), date, match.group(4).strip()


def literal_blocks(dumper, text):
    style = "|" if "\n" in text else None
    return dumper.represent_scalar("tag:yaml.org,2002:str", text, style=style)


yaml.SafeDumper.add_representer(str, literal_blocks)


def write_manifest(path, kind, content):
    schema = f"https://aka.ms/winget-manifest.{kind}.{MANIFEST_VERSION}.schema.json"
    content = {**content, "ManifestType": kind, "ManifestVersion": MANIFEST_VERSION}
    body = yaml.safe_dump(content, allow_unicode=True, sort_keys=False, width=1000)
    path.write_text(f"# yaml-language-server: $schema={schema}\n\n{body}", encoding="utf-8")


def main(cpack_config, package_dir, release_url):
    cpack = cpack_settings(cpack_config)
    version = cpack["CPACK_PACKAGE_VERSION"]
    folder = Path(package_dir)
    sums = checksums(folder)
    zip_name = next(name for name in sums if name.endswith(".zip"))
    installer_name = next(name for name in sums if name.endswith("-setup.exe"))
    if "{version}" not in release_url:
        sys.exit("release_files.py: MALLOWQUIST_RELEASE_URL must hold {version}: " + release_url)
    release = release_url.replace("{version}", version).rstrip("/")
    # The page above the version's folder lists the releases: where Scoop
    # looks for a newer one.
    releases_page = release_url[: release_url.index("{version}")]
    releases_page = releases_page[: releases_page.rfind("/") + 1]
    notes_version, notes_date, notes = top_release((ROOT / "CHANGELOG.md").read_text(encoding="utf-8"))
    if notes_version != version:
        sys.exit(f"release_files.py: the top entry of CHANGELOG.md is {notes_version}, the version is {version}")
    notes_url = release + "/CHANGELOG.md"
    copyright_line = next(line for line in (ROOT / "LICENSE").read_text().splitlines() if line.startswith("Copyright"))

    common = {"PackageIdentifier": IDENTIFIER, "PackageVersion": version}
    winget = folder / "winget"
    winget.mkdir(exist_ok=True)
    for old in winget.glob("*.yaml"):
        old.unlink()
    write_manifest(winget / f"{IDENTIFIER}.yaml", "version", {**common, "DefaultLocale": DEFAULT_LOCALE})

    # The uninstall entry as the installer writes it (NSIS.template.in): its
    # key name is what winget calls the product code.
    product_code = cpack["CPACK_PACKAGE_INSTALL_REGISTRY_KEY"]
    installer = {
        **common,
        "InstallerLocale": DEFAULT_LOCALE,
        "InstallerType": "nullsoft",
        "Scope": "user",
        "InstallModes": ["interactive", "silent", "silentWithProgress"],
        "UpgradeBehavior": "install",
        "ProductCode": product_code,
        "AppsAndFeaturesEntries": [{
            "DisplayName": cpack["CPACK_NSIS_DISPLAY_NAME"],
            "Publisher": cpack["CPACK_PACKAGE_VENDOR"],
            "DisplayVersion": version,
            "ProductCode": product_code,
        }],
        "InstallationMetadata": {
            "DefaultInstallLocation": "%LOCALAPPDATA%\\Programs\\" + cpack["CPACK_PACKAGE_INSTALL_DIRECTORY"],
        },
    }
    if notes_date:
        installer["ReleaseDate"] = notes_date
    installer["Installers"] = [{
        "Architecture": "x86",
        "InstallerUrl": f"{release}/{installer_name}",
        "InstallerSha256": sums[installer_name].upper(),
    }]
    write_manifest(winget / f"{IDENTIFIER}.installer.yaml", "installer", installer)

    for locale, texts in DESCRIPTIONS.items():
        kind = "defaultLocale" if locale == DEFAULT_LOCALE else "locale"
        content = {**common, "PackageLocale": locale, "Publisher": cpack["CPACK_PACKAGE_VENDOR"],
                   "PackageName": cpack["CPACK_PACKAGE_NAME"], "PackageUrl": releases_page, "License": "MIT",
                   "Copyright": copyright_line, "ShortDescription": texts["ShortDescription"],
                   "Description": texts["Description"]}
        if kind == "defaultLocale":
            content["Moniker"] = "mallowquist"
        content["Tags"] = texts["Tags"]
        # The changelog is written in English.
        if locale == "en-US":
            content["ReleaseNotes"] = notes
        content["ReleaseNotesUrl"] = notes_url
        write_manifest(winget / f"{IDENTIFIER}.locale.{locale}.yaml", kind, content)

    # Scoop links each persisted file into the version's folder, and makes a
    # folder of one that does not exist yet: the program's files are created
    # empty first, which it reads as no settings and no fixed strings. The
    # program writes its files in place and keeps the links, but an editor
    # that saves by renaming breaks them: before an update or uninstall the
    # files that are no longer the persisted ones are copied back.
    user_files = ", ".join(f"'{name}'" for name in USER_FILES)
    scoop = {
        "version": version,
        "description": DESCRIPTIONS["en-US"]["ShortDescription"],
        "homepage": releases_page,
        "license": "MIT",
        "url": f"{release}/{zip_name}",
        "hash": sums[zip_name],
        "pre_install": [
            f"{user_files} | ForEach-Object {{",
            "    if (!(Test-Path \"$persist_dir\\$_\")) { New-Item \"$dir\\$_\" -ItemType File | Out-Null }",
            "}",
        ],
        "pre_uninstall": [
            f"{user_files} | ForEach-Object {{",
            "    $file = Get-Item \"$dir\\$_\" -ErrorAction SilentlyContinue",
            "    if ($file -and !$file.LinkType) { Copy-Item $file.FullName \"$persist_dir\\$_\" -Force }",
            "}",
        ],
        "shortcuts": [["Quistrel.exe", cpack["CPACK_PACKAGE_NAME"]]],
        "persist": USER_FILES,
        "checkver": {
            "url": releases_page,
            "regex": re.escape(zip_name).replace(re.escape(version), r"([\d.]+)"),
        },
        "autoupdate": {
            "url": release_url.replace("{version}", "$version").rstrip("/") + "/"
                   + zip_name.replace(version, "$version"),
            "hash": {"url": "$baseurl/SHA256SUMS"},
        },
    }
    (folder / "scoop").mkdir(exist_ok=True)
    (folder / "scoop" / "mallowquist.json").write_text(json.dumps(scoop, indent=4, ensure_ascii=False) + "\n",
                                                     encoding="utf-8")


if __name__ == "__main__":
    main(*sys.argv[1:])
