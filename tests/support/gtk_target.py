#!/usr/bin/python3
# A GTK window with a one-line entry and a text view for desktop tests, driven
# over standard input like TargetWindow.h; answers start with "@@":
#   "focus line" | "focus area"   focus a field (and present the window)
#   "type TEXT"                    insert TEXT at the caret of the focused field,
#                                  in place of its selection
#   "newline"                      insert a line feed at the caret
#   "fill COUNT TEXT"              replace the area's text with COUNT lines of
#                                  TEXT, caret at the end
#   "quit"
# GTK counts offsets in code points, unlike Qt's UTF-16 units.
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402


def answer(text):
    print("@@" + text, flush=True)


window = Gtk.Window(title="GTK insertion target")
box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL)
entry = Gtk.Entry()
area = Gtk.TextView()
scroller = Gtk.ScrolledWindow()
scroller.set_vexpand(True)
scroller.add(area)
box.pack_start(entry, False, False, 0)
box.pack_start(scroller, True, True, 0)
window.add(box)
window.set_default_size(480, 320)
window.connect("destroy", Gtk.main_quit)
window.show_all()
focused = entry


def insert(text):
    if focused is entry:
        entry.delete_selection()
        position = entry.get_position()
        entry.insert_text(text, position)
        entry.set_position(position + len(text))
    else:
        buffer = area.get_buffer()
        buffer.delete_selection(True, True)
        buffer.insert_at_cursor(text)


def on_input(source, condition):
    global focused
    line = source.readline()
    if not line:
        Gtk.main_quit()
        return False
    command = line.rstrip("\n")
    if command == "quit":
        Gtk.main_quit()
        return False
    if command.startswith("focus"):
        focused = area if command.endswith("area") else entry
        window.present()
        focused.grab_focus()
        answer("focused")
    elif command.startswith("type "):
        insert(command[5:])
        answer("typed")
    elif command == "newline":
        insert("\n")
        answer("typed")
    elif command.startswith("fill "):
        count, _, text = command[5:].partition(" ")
        buffer = area.get_buffer()
        buffer.set_text((text + "\n") * int(count))
        buffer.place_cursor(buffer.get_end_iter())
        answer("filled")
    return True


GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, on_input)
answer("ready")
Gtk.main()
