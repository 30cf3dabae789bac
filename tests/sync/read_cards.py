#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Reads every card of a folder with Python's vobject, a vCard reader independent of ours, and
# prints one line per card, sorted: FN, the telephones with their types, the e-mails, the
# categories, the photo's size in bytes, and our own X-VARDELIN-CUSTOM1.
import pathlib
import sys

import vobject


def values(card, name, show=lambda line: line.value):
    return ",".join(sorted(show(line) for line in card.contents.get(name, [])))


lines = []
for path in pathlib.Path(sys.argv[1]).glob("*.vcf"):
    card = vobject.readOne(path.read_text(encoding="utf-8"))
    telephones = values(card, "tel",
                        lambda line: line.value + "/" + "+".join(line.params.get("TYPE", [])))
    categories = values(card, "categories", lambda line: "+".join(line.value))
    photo = card.contents.get("photo")
    lines.append("|".join([card.fn.value, telephones, values(card, "email"), categories,
                           str(len(photo[0].value)) if photo else "",
                           values(card, "x-vardelin-custom1")]))
print("\n".join(sorted(lines)))
