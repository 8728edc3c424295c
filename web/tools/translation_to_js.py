#!/usr/bin/env python3
"""Turns the window's Qt translation file into a script for the page: for each context, the
window's own (Japanese) text and its English translation, keyed as Qt looks them up (the text,
and the text with its disambiguation comment)."""
import json
import sys
import xml.etree.ElementTree as ElementTree


def main(source, target):
    words = {}
    for context in ElementTree.parse(source).getroot().iter("context"):
        entries = words.setdefault(context.findtext("name"), {})
        for message in context.iter("message"):
            text = message.findtext("source")
            translation = message.find("translation")
            if text is None or translation is None or translation.get("type") in ("unfinished", "vanished", "obsolete"):
                continue
            comment = message.findtext("comment")
            entries[text if comment is None else text + "\u0004" + comment] = translation.text or ""
    with open(target, "w", encoding="utf-8") as out:
        out.write("// Made from app/translations/velmar-writer_en.ts by the build; do not edit.\n")
        out.write("export const windowWordsEn = ")
        json.dump(words, out, ensure_ascii=False, indent=1, sort_keys=True)
        out.write(";\n")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
