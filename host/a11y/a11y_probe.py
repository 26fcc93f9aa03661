"""Reads an application's tree through the accessibility bus, as a screen
reader does, and checks what a user of one relies on. Prints what it found;
exits 1 with the reasons when a check fails.

  a11y_probe.py demo     the demo host's window
  a11y_probe.py holiday  the holiday pay window, opened through wwcall
"""
import sys
import time

import pyatspi

INTERACTIVE = {"push button", "toggle button", "check box", "radio button", "text", "table", "combo box",
               "spin button", "menu item"}
failures = []


def fail(why):
    failures.append(why)
    print("FAIL:", why)


def application(name, seconds=30):
    deadline = time.time() + seconds
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == name and app.childCount:
                return app
        time.sleep(0.3)
    return None


def walk(acc, depth=0, skip_cells=True):
    """Every object below `acc`, with its depth; a table's cells are left out."""
    yield depth, acc
    if skip_cells and acc.getRoleName() == "table":
        return
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, depth + 1, skip_cells)


def focused(app):
    for _, acc in walk(app, skip_cells=False):
        if acc.getState().contains(pyatspi.STATE_FOCUSED):
            return acc
    return None


def current_cell(table):
    """The index of the list's focused cell, or None."""
    if table is None:
        return None
    for i in range(table.childCount):
        cell = table.getChildAtIndex(i)
        if cell is not None and cell.getState().contains(pyatspi.STATE_FOCUSED):
            return i
    return None


def relation_targets(acc, kind):
    return [r.getTarget(i).name for r in acc.getRelationSet() if r.getRelationType() == kind
            for i in range(r.getNTargets())]


def describe(acc):
    return "%s %r" % (acc.getRoleName(), acc.name) if acc is not None else "nothing"


def press_tab(app, times):
    """The focused object after each Tab (keycode 23, as X servers number it)."""
    seen = []
    for _ in range(times):
        pyatspi.Registry.generateKeyboardEvent(23, None, pyatspi.KEY_PRESSRELEASE)
        time.sleep(0.6)
        seen.append(focused(app))
    return seen


def check_names(app):
    for depth, acc in walk(app):
        role = acc.getRoleName()
        print("  " * depth + describe(acc))
        if role in INTERACTIVE and not acc.name:
            fail("a %s without a name" % role)


def check_demo(app):
    check_names(app)
    table = next((acc for _, acc in walk(app) if acc.getRoleName() == "table"), None)
    if table is None or table.name != "Shifts":
        fail("no table named Shifts: %s" % describe(table))
    else:
        headers = [table.getChildAtIndex(i).name for i in range(table.childCount)
                   if table.getChildAtIndex(i).getRoleName() == "table column header"]
        print("column headers:", headers)
        if len(headers) != 13:
            fail("the list exposes %d column headers, not 13" % len(headers))
    for _, acc in walk(app):
        if acc.getRoleName() == "label" and acc.getState().contains(pyatspi.STATE_FOCUSABLE):
            fail("the label %r takes keyboard focus" % acc.name)
    print("focus:", describe(focused(app)), "at", current_cell(table))
    before = current_cell(table)
    for n, acc in enumerate(press_tab(app, 3), 1):
        print("after Tab %d: %s at %s" % (n, describe(acc), current_cell(table)))
        if acc is None:
            fail("nothing has the focus after Tab %d" % n)
        elif current_cell(table) != before:
            fail("Tab %d moved from cell to cell inside the list" % n)


def check_holiday(app):
    check_names(app)
    for _, acc in walk(app):
        # A box the user types into is read by the prompt beside it; the
        # read-only result box is named by itself.
        state = acc.getState()
        if acc.getRoleName() == "text" and state.contains(pyatspi.STATE_EDITABLE) and \
                not state.contains(pyatspi.STATE_READ_ONLY):
            labels = relation_targets(acc, pyatspi.RELATION_LABELLED_BY)
            print("%s is labelled by %s" % (describe(acc), labels))
            if not labels:
                fail("the text box %r has no label" % acc.name)
    # The option group is named by its caption, and the caption labels
    # every option of the group, not one of them.
    for _, acc in walk(app):
        options = [acc.getChildAtIndex(i) for i in range(acc.childCount)
                   if acc.getChildAtIndex(i).getRoleName() == "radio button"]
        if not options:
            continue
        print("option group %s labels %s" % (describe(acc), relation_targets(acc, pyatspi.RELATION_LABEL_FOR)))
        if not acc.name:
            fail("an option group without a name")
        for option in options:
            if acc.name not in relation_targets(option, pyatspi.RELATION_LABELLED_BY):
                fail("the option %r is not labelled by its group" % option.name)
    print("focus:", describe(focused(app)))
    expected = ["text", "push button", "radio button"]  # hours, Ok, the options
    for n, acc in enumerate(press_tab(app, 3), 1):
        print("after Tab %d: %s" % (n, describe(acc)))
        if acc is None or acc.getRoleName() != expected[n - 1]:
            fail("Tab %d reached %s, not a %s" % (n, describe(acc), expected[n - 1]))


def main():
    which = sys.argv[1]
    app = application("wagewise-demo" if which == "demo" else "wwcall")
    if app is None:
        print("FAIL: the application never appeared on the accessibility bus")
        return 1
    (check_demo if which == "demo" else check_holiday)(app)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
