#!/usr/bin/python3
# A GTK window with one entry for desktop tests, driven over standard input
# like TargetWindow.h: "focus line", "type TEXT", "quit"; answers start with "@@".
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402


def answer(text):
    print("@@" + text, flush=True)


window = Gtk.Window(title="GTK insertion target")
entry = Gtk.Entry()
window.add(entry)
window.set_default_size(480, 60)
window.connect("destroy", Gtk.main_quit)
window.show_all()


def on_input(source, condition):
    line = source.readline()
    if not line:
        Gtk.main_quit()
        return False
    command = line.rstrip("\n")
    if command == "quit":
        Gtk.main_quit()
        return False
    if command.startswith("focus"):
        window.present()
        entry.grab_focus()
        answer("focused")
    elif command.startswith("type "):
        position = entry.get_position()
        text = command[5:]
        entry.insert_text(text, position)
        entry.set_position(position + len(text))
        answer("typed")
    return True


GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, on_input)
answer("ready")
Gtk.main()
