#!/usr/bin/env python3
"""The release notes of CHANGELOG.md in the forms Debian and AppStream read.

  release-notes.py debian CHANGELOG VERSION MAINTAINER OUT
      debian/changelog: one entry per release, newest first.
  release-notes.py metainfo CHANGELOG VERSION TEMPLATE OUT
      TEMPLATE with its line "@RELEASES@" replaced by the <release> elements.

VERSION is the build's; the newest release must be it, so that the notes
cannot fall behind the version. Writes OUT only when it would change.
"""

import datetime
import re
import sys
import textwrap
from xml.sax.saxutils import escape

HEADING = re.compile(r"^## (\d+\.\d+\.\d+) \((\d{4})-(\d{2})-(\d{2}) (\d{2}):(\d{2}) UTC\)$")


def fail(message):
    sys.stderr.write("release-notes.py: %s\n" % message)
    sys.exit(2)


def releases(path):
    """[(version, time, [item, ...])], newest first, as the file has them."""
    found = []
    try:
        with open(path, encoding="utf-8") as changelog:
            lines = changelog.read().splitlines()
    except OSError as error:
        fail("cannot read %s: %s" % (path, error.strerror))
    for number, line in enumerate(lines, 1):
        heading = HEADING.match(line)
        if heading:
            version, *fields = heading.groups()
            try:
                when = datetime.datetime(*map(int, fields), tzinfo=datetime.timezone.utc)
            except ValueError:
                fail("%s:%d: no such time" % (path, number))
            # Each release later than the one before: Debian's changelog and
            # SOURCE_DATE_EPOCH need it.
            if found and when >= found[-1][1]:
                fail("%s:%d: %s is not older than %s" % (path, number, version, found[-1][0]))
            found.append((version, when, []))
        elif line.startswith("## "):
            fail("%s:%d: a release heading is '## X.Y.Z (YYYY-MM-DD HH:MM UTC)'" % (path, number))
        elif not found or not line.strip():
            continue
        elif line.startswith("- "):
            found[-1][2].append(line[2:].strip())
        elif line.startswith("  ") and found[-1][2]:
            found[-1][2][-1] += " " + line.strip()
        else:
            fail("%s:%d: a release holds list items only" % (path, number))
    if not found:
        fail("%s holds no release" % path)
    for version, _, items in found:
        if not items:
            fail("%s: release %s says nothing" % (path, version))
    return found


def plain(item):
    """Markdown's code marks dropped: both readers show plain text."""
    return item.replace("`", "")


def debian_changelog(notes, maintainer):
    entries = []
    for version, when, items in notes:
        body = "\n".join(textwrap.fill(plain(item), width=78, initial_indent="  * ",
                                       subsequent_indent="    ", break_on_hyphens=False)
                         for item in items)
        entries.append("coevolife (%s) unstable; urgency=medium\n\n%s\n\n -- %s  %s\n"
                       % (version, body, maintainer, when.strftime("%a, %d %b %Y %H:%M:%S +0000")))
    return "\n".join(entries)


def appstream_releases(notes):
    out = ["  <releases>"]
    for version, when, items in notes:
        out.append('    <release version="%s" date="%s">'
                   % (version, when.strftime("%Y-%m-%dT%H:%M:%SZ")))
        out.append("      <description>")
        out.append("        <ul>")
        out.extend("          <li>%s</li>" % escape(plain(item)) for item in items)
        out.append("        </ul>")
        out.append("      </description>")
        out.append("    </release>")
    out.append("  </releases>")
    return "\n".join(out) + "\n"


def write_if_changed(path, text):
    try:
        with open(path, encoding="utf-8") as old:
            if old.read() == text:
                return
    except OSError:
        pass
    try:
        with open(path, "w", encoding="utf-8") as new:
            new.write(text)
    except OSError as error:
        fail("cannot write %s: %s" % (path, error.strerror))


def main(argv):
    if len(argv) != 6 or argv[1] not in ("debian", "metainfo"):
        fail("usage: release-notes.py debian CHANGELOG VERSION MAINTAINER OUT | "
             "metainfo CHANGELOG VERSION TEMPLATE OUT")
    kind, changelog, version, extra, out = argv[1:]
    notes = releases(changelog)
    if notes[0][0] != version:
        fail("%s's newest release is %s, but the build's version is %s"
             % (changelog, notes[0][0], version))
    if kind == "debian":
        write_if_changed(out, debian_changelog(notes, extra))
        return
    try:
        with open(extra, encoding="utf-8") as template:
            text = template.read()
    except OSError as error:
        fail("cannot read %s: %s" % (extra, error.strerror))
    if text.count("@RELEASES@\n") != 1:
        fail("%s needs one line @RELEASES@" % extra)
    write_if_changed(out, text.replace("  @RELEASES@\n", appstream_releases(notes)))


if __name__ == "__main__":
    main(sys.argv)
