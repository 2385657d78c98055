#!/usr/bin/python3
# Reads Velmora through AT-SPI as a screen reader would and checks what it
# says: the main window, its two text areas, the configurator's 36 code boxes
# with their labels, reached with the keyboard alone, and a faulty box.
import sys
import time

import pyatspi

SYMBOLS = "abcdefghijklmnopqrstuvwxyz0123456789"
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, flush=True)


def wait_for(find, what, seconds=15.0):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            found = find()
        except Exception:  # the tree changes while it is walked
            found = None
        if found:
            return found
        time.sleep(0.1)
    print("FAIL: timed out waiting for", what, flush=True)
    sys.exit(1)


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.name == "velmora":
            return app
    return None


def window(app, role, name):
    for child in app:
        if child is not None and child.getRole() == role and child.name == name:
            return child
    return None


def descendants(node, role):
    return pyatspi.findAllDescendants(node, lambda n: n.getRole() == role)


def labelled_by(node):
    names = []
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            for i in range(relation.getNTargets()):
                names.append(relation.getTarget(i).name)
    return names


KEYSYMS = {"F10": 0xFFC7, "Down": 0xFF54, "Return": 0xFF0D}


def press(key):
    """A key pressed and released, through the registry as a user's key."""
    pyatspi.Registry.generateKeyboardEvent(KEYSYMS[key], None, pyatspi.KEY_SYM)
    time.sleep(0.15)


def main():
    app = wait_for(application, "the program on the accessibility bus")
    main_window = wait_for(lambda: window(app, pyatspi.ROLE_FRAME, "Velmora"),
                           "a frame named Velmora")
    areas = wait_for(lambda: descendants(main_window, pyatspi.ROLE_TEXT), "the text areas")
    names = sorted(area.name for area in areas)
    check(names == ["Entrada texto ...", "Resultado ..."], "text area names %s" % names)
    for area in areas:
        check(labelled_by(area) == [area.name], "labelled-by of %r" % area.name)

    # "Configurador" with the keyboard alone: F10, then the second entry.
    for key in ("F10", "Down", "Down", "Return"):
        press(key)
    configurator = wait_for(lambda: window(app, pyatspi.ROLE_DIALOG, "Configurador"),
                            "a dialog named Configurador")
    def all_boxes():
        found = descendants(configurator, pyatspi.ROLE_TEXT)
        return found if len(found) == len(SYMBOLS) else None

    boxes = wait_for(all_boxes, "36 code boxes")
    check(sorted(box.name for box in boxes) == sorted(SYMBOLS),
          "code box names %s" % sorted(box.name for box in boxes))
    for box in boxes:
        check(labelled_by(box) == [box.name], "labelled-by of box %r: %s"
              % (box.name, labelled_by(box)))

    # "Guardar" with every box empty: each is described as not valid.
    guardar = [b for b in descendants(configurator, pyatspi.ROLE_PUSH_BUTTON)
               if b.name == "Guardar"]
    check(len(guardar) == 1, "one Guardar button")
    if guardar:
        guardar[0].queryAction().doAction(0)
        alert = wait_for(lambda: window(app, pyatspi.ROLE_ALERT, "Programador"),
                         "an alert titled Programador")
        said = " ".join(label.name for label in descendants(alert, pyatspi.ROLE_LABEL))
        check("Tienes errores de configuracion" in said, "alert text %r" % said)
        descriptions = {box.description for box in boxes}
        check(descriptions == {"Código no válido"}, "descriptions %s" % descriptions)

    print("checked %d code boxes, %d failures" % (len(boxes), len(failures)), flush=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
