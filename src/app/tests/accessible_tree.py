#!/usr/bin/python3
# Prints what a screen reader learns of the catalogue program through AT-SPI:
# one "role<TAB>name<TAB>description<TAB>focusable" line per named object
# (table cells and headers aside), once the program's application appears.
import sys
import time

import pyatspi

deadline = time.time() + 30
app = None
while app is None and time.time() < deadline:
    for candidate in pyatspi.Registry.getDesktop(0):
        if candidate is not None and candidate.name == "ZunoSmileys":
            app = candidate
    if app is None:
        time.sleep(0.2)
if app is None:
    sys.exit("the program's application never appeared on the accessibility bus")


def walk(node):
    try:
        # AT-SPI 2.56 names a push button "button"; the tree keeps one name.
        role = "push button" if node.getRole() == pyatspi.ROLE_PUSH_BUTTON else node.getRoleName()
        name, description = node.name, node.description
        focusable = node.getState().contains(pyatspi.STATE_FOCUSABLE)
    except Exception:
        return
    if (name or description) and role not in ("table cell", "table column header"):
        print("\t".join([role, name, description, "focusable" if focusable else "-"]))
    for i in range(node.childCount):
        walk(node.getChildAtIndex(i))


walk(app)
