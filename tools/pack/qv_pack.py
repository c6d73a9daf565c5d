#!/usr/bin/env python3
"""Builds the resource archive (a plain zip) from a manifest, byte for byte reproducibly.

usage: qv_pack.py <archive> <manifest>

The manifest holds one member per line: the member name, a tab, the source file. Members
are written sorted by name, deflated at level 9, with a fixed time stamp and no comment,
so the same sources always give the same archive. Before writing, every name is checked
(lower-case ASCII, no blanks, forward slashes) and every XML member must parse: a broken
layout fails the build instead of the game.
"""
import os
import re
import sys
import tempfile
import xml.parsers.expat
import zipfile

NAME_RULE = re.compile(r"^[a-z0-9_.\-]+(/[a-z0-9_.\-]+)*$")
FIXED_TIME = (1980, 1, 1, 0, 0, 0)
MAX_MEMBERS = 32767


def fail(message):
    sys.stderr.write("qv_pack: %s\n" % message)
    sys.exit(1)


def read_manifest(path):
    members = {}
    with open(path, encoding="utf-8") as manifest:
        for number, line in enumerate(manifest, 1):
            line = line.rstrip("\n")
            if not line:
                continue
            if "\t" not in line:
                fail("%s:%d: expected <member><TAB><source>" % (path, number))
            member, source = line.split("\t", 1)
            if not NAME_RULE.match(member):
                fail("member name %r must be lower-case ASCII without blanks" % member)
            if member in members and members[member] != source:
                fail("member %r comes from two files: %s and %s" % (member, members[member], source))
            members[member] = source
    return members


def check_xml(member, data):
    parser = xml.parsers.expat.ParserCreate()
    try:
        parser.Parse(data, True)
    except xml.parsers.expat.ExpatError as error:
        fail("%s is not well-formed XML: %s" % (member, error))


def main(argv):
    if len(argv) != 3:
        fail("usage: qv_pack.py <archive> <manifest>")
    archive, manifest = argv[1], argv[2]
    members = read_manifest(manifest)
    if len(members) > MAX_MEMBERS:
        fail("%d members: the engine reads at most %d" % (len(members), MAX_MEMBERS))
    folder = os.path.dirname(os.path.abspath(archive))
    os.makedirs(folder, exist_ok=True)
    handle, temporary = tempfile.mkstemp(dir=folder, prefix=".pack-", suffix=".tmp")
    os.close(handle)
    try:
        with zipfile.ZipFile(temporary, "w") as out:
            for member in sorted(members):
                with open(members[member], "rb") as source:
                    data = source.read()
                if member.endswith(".xml"):
                    check_xml(member, data)
                info = zipfile.ZipInfo(member, date_time=FIXED_TIME)
                info.compress_type = zipfile.ZIP_DEFLATED
                info.create_system = 0
                info.external_attr = 0
                out.writestr(info, data, compress_type=zipfile.ZIP_DEFLATED, compresslevel=9)
        mask = os.umask(0)
        os.umask(mask)
        os.chmod(temporary, 0o666 & ~mask)
        os.replace(temporary, archive)
    except BaseException:
        if os.path.exists(temporary):
            os.unlink(temporary)
        raise


if __name__ == "__main__":
    main(sys.argv)
