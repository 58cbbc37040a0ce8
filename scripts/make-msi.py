#!/usr/bin/env python3
"""Makes the Windows Installer package of a release folder with wixl.

The release folder is what `cmake --install` puts together for the zip
(cmake/Release.cmake is the one list of what a release holds). The package
is resources/mirelon.wxs with one component for every file of that folder,
installed as the folder holds it into INSTALLDIR.

wixl keeps only the ASCII characters of its sources (file names and texts
alike), so the Japanese texts go in afterwards with msibuild, once the
package's code page can hold them: a file with another name is handed to
wixl as an ASCII-named copy and renamed in the File table, and AFTER_WIXL
replaces the ASCII stand-ins of the main source.

Usage: make-msi.py RELEASE_FOLDER VERSION OUTPUT.msi
Run from the source tree's top folder (wixl reads the sources relative to
the folder it runs in).
"""

import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
from xml.sax.saxutils import quoteattr

WXS = "resources/mirelon.wxs"
CODEPAGE = 932

# The files the main source refers to, by their place in the release.
NAMED_FILES = {
    "mirelon.exe": "ProgramFile",
    "はじめにお読みください.txt": "ReadmeFile",
}

# What wixl does not write, written into its package afterwards.
AFTER_WIXL = [
    "UPDATE `Shortcut` SET `Name` = 'Mirelon はじめにお読みください' WHERE `Shortcut` = 'ReadmeShortcut'",
    # The verb of the three kinds of talk.
    "UPDATE `Registry` SET `Value` = '開く' WHERE `Value` = 'Open'",
]


def fail(message):
    sys.exit(f"make-msi.py: {message}")


def is_ascii(text):
    return all(ord(c) < 128 for c in text)


def short_id(prefix, path):
    return prefix + hashlib.sha1(path.encode("utf-8")).hexdigest()[:20]


def write_fragment(release, copies, out):
    """The fragment of every file of `release`; the renames it needs."""
    lines = ['<?xml version="1.0" encoding="utf-8"?>',
             '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">',
             "  <Fragment>",
             '    <DirectoryRef Id="INSTALLDIR">']
    components, renames = [], []
    named = dict(NAMED_FILES)

    def folder(path, relative, indent):
        for name in sorted(os.listdir(path)):
            full = os.path.join(path, name)
            rel = f"{relative}/{name}" if relative else name
            if os.path.isdir(full):
                if not is_ascii(name):
                    fail(f"a folder name must be ASCII: {rel}")
                lines.append(f'{indent}<Directory Id="{short_id("d", rel)}" Name={quoteattr(name)}>')
                folder(full, rel, indent + "  ")
                lines.append(f"{indent}</Directory>")
                continue
            file_id = named.pop(rel, None) or short_id("f", rel)
            source, shown = full, name
            if not is_ascii(name):
                if "'" in name:
                    fail(f"a file name may not hold a quote: {rel}")
                source = os.path.join(copies, file_id)
                shutil.copyfile(full, source)
                shown = file_id
                renames.append(f"UPDATE `File` SET `FileName` = '{name}' WHERE `File` = '{file_id}'")
            component = short_id("c", rel)
            components.append(component)
            lines.append(f'{indent}<Component Id="{component}" Guid="*" Win64="yes">')
            lines.append(f'{indent}  <File Id="{file_id}" Name={quoteattr(shown)} '
                         f'Source={quoteattr(source)} KeyPath="yes"/>')
            lines.append(f"{indent}</Component>")

    folder(release, "", "      ")
    if named:
        fail(f"not in the release: {', '.join(sorted(named))}")
    lines += ["    </DirectoryRef>", '    <ComponentGroup Id="ReleaseFiles">']
    lines += [f'      <ComponentRef Id="{c}"/>' for c in components]
    lines += ["    </ComponentGroup>", "  </Fragment>", "</Wix>", ""]
    with open(out, "w", encoding="ascii") as f:
        f.write("\n".join(lines))
    return renames


def run(*command):
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        fail(f"{' '.join(command)} failed:\n{result.stdout}{result.stderr}")
    return result.stdout


def include_maximum(msi, work):
    """Makes the upgrade of older packages take the installed version too.

    wixl leaves IncludeMaximum out of the Upgrade table; without its bit
    (0x200) a rebuilt package of the installed version would be installed
    beside it instead of replacing it. Attributes is part of the table's
    key, so the table is exported, changed and imported whole.
    """
    rows = run("msiinfo", "export", msi, "Upgrade").splitlines()
    for i in range(3, len(rows)):
        fields = rows[i].split("\t")
        if fields[-1] == "OLDERFOUND":
            fields[4] = str(int(fields[4]) | 0x200)
            rows[i] = "\t".join(fields)
    table = os.path.join(work, "Upgrade.idt")
    with open(table, "w", newline="") as f:
        f.write("\r\n".join(rows))
    run("msibuild", msi, "-i", table)


def main():
    if len(sys.argv) != 4:
        fail("usage: make-msi.py RELEASE_FOLDER VERSION OUTPUT.msi")
    release, version, msi = sys.argv[1:]
    with tempfile.TemporaryDirectory() as work:
        # wixl wants sources by relative, ASCII paths.
        release, work = os.path.relpath(release), os.path.relpath(work)
        if not is_ascii(release + work):
            fail(f"wixl cannot read from a path that is not ASCII: {release}")
        fragment = os.path.join(work, "files.wxs")
        renames = write_fragment(release, work, fragment)
        if os.path.exists(msi):
            os.remove(msi)
        run("wixl", "-a", "x64", "-D", f"Version={version}", "-D", f"Stage={release}", "-o", msi, WXS, fragment)

        codepage = os.path.join(work, "_ForceCodepage.idt")
        with open(codepage, "w", newline="") as f:
            f.write(f"\r\n\r\n{CODEPAGE}\t_ForceCodepage\r\n")
        run("msibuild", msi, "-i", codepage)
        for query in renames + AFTER_WIXL:
            run("msibuild", msi, "-q", query)
        include_maximum(msi, work)


if __name__ == "__main__":
    main()
