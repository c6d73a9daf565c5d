#!/usr/bin/env python3
"""Writes the resource lists that declare what the list files produce.

usage: qv_declare.py sounds <sounds.list> <soundtrack.xml>
       qv_declare.py fonts <fonts.list> <fonts.xml>

sounds: every effect line becomes a `sound` element named after the file (looping="true"
for "loop", gain= and pan= copied; decl=no leaves it out, for sounds another list declares);
music lines get no element (they are played by path or through play lists); every
"playlist <name> <track> ..." line becomes a `playlist` with one track per name ("<track>:once"
makes a track that is played once).
fonts: every line becomes a `font` element with its descriptor and page image.
The output is rewritten only when it changes, so the archive is not rebuilt for nothing.
"""
import os
import shlex
import sys
from xml.sax.saxutils import quoteattr

HEADER = '<?xml version="1.0" encoding="utf-8"?>\n<!-- Made by the build from lists/%s: edit the list, not this file. -->\n'


def fail(message):
    sys.stderr.write("qv_declare: %s\n" % message)
    sys.exit(1)


def read_lines(path):
    lines = []
    with open(path, encoding="utf-8") as source:
        for number, line in enumerate(source, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            lines.append((number, shlex.split(line)))
    return lines


def options_of(words):
    options = {}
    for word in words:
        key, eq, value = word.partition("=")
        options[key] = value if eq else "1"
    return options


def sounds(list_path):
    out = ["<resources>"]
    names = set()
    for number, words in read_lines(list_path):
        if words[0] == "playlist":
            if len(words) < 3:
                fail("%s:%d: a playlist needs a name and at least one track" % (list_path, number))
            out.append("  <playlist name=%s>" % quoteattr(words[1]))
            for track in words[2:]:
                name, _, kind = track.partition(":")
                attributes = 'property="track" path=%s' % quoteattr("audio:%s.ogg" % name)
                if kind == "once":
                    attributes += ' type="remove"'
                out.append("    <playlisttrack %s/>" % attributes)
            out.append("  </playlist>")
            continue
        if len(words) < 2:
            fail("%s:%d: expected <name> <recipe> [options]" % (list_path, number))
        name, recipe, options = words[0], words[1], options_of(words[2:])
        if name in names:
            fail("%s:%d: sound %s listed twice" % (list_path, number, name))
        names.add(name)
        if recipe == "music" or options.get("decl") == "no":
            continue
        attributes = "name=%s path=%s" % (quoteattr(name), quoteattr("audio:%s.ogg" % name))
        if "loop" in options:
            attributes += ' looping="true"'
        for key in ("gain", "pan"):
            if key in options:
                attributes += " %s=%s" % (key, quoteattr(options[key]))
        out.append("  <sound %s/>" % attributes)
    out.append("</resources>")
    return "\n".join(out) + "\n"


def fonts(list_path):
    out = ["<resources>"]
    for number, words in read_lines(list_path):
        if len(words) < 2:
            fail("%s:%d: expected <name> <font file> [options]" % (list_path, number))
        name, options = words[0], options_of(words[2:])
        attributes = "name=%s path=%s texture=%s" % (
            quoteattr(name), quoteattr("resources:%s.fnt" % name), quoteattr("resources:%s.png" % name))
        if "letterspacing" in options:
            attributes += " letterspacing=%s" % quoteattr(options["letterspacing"])
        out.append("  <font %s/>" % attributes)
    out.append("</resources>")
    return "\n".join(out) + "\n"


def main(argv):
    if len(argv) != 4 or argv[1] not in ("sounds", "fonts"):
        fail("usage: qv_declare.py sounds|fonts <list> <output.xml>")
    kind, list_path, output = argv[1], argv[2], argv[3]
    body = sounds(list_path) if kind == "sounds" else fonts(list_path)
    text = HEADER % os.path.basename(list_path) + body
    if os.path.exists(output):
        with open(output, encoding="utf-8") as current:
            if current.read() == text:
                return
    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    with open(output + ".tmp", "w", encoding="utf-8", newline="\n") as target:
        target.write(text)
    os.replace(output + ".tmp", output)


if __name__ == "__main__":
    main(sys.argv)
