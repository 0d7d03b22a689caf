#!/usr/bin/python3
# The GTK window of the hover-reading tests: wrapped labels, a link button and
# a button. Driven over standard input like tests/support/TargetWindow.h:
#   "where"   answer the screen rectangles of the paragraphs, the link and the
#             button: "@@where first=X,Y,W,H second=... link=... button=..."
#   "quit"
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402

FIRST = ("Hover reading finds the paragraph under the pointer in any application and offers to read it aloud. "
         "This first paragraph is long enough to wrap over several lines of the window.")
SECOND = ("The second paragraph is the one the tests point at. It holds a few sentences of plain prose, so that the "
          "reader has something worth saying, and it wraps as the first one does.")


def answer(text):
    print("@@" + text, flush=True)


window = Gtk.Window(title="GTK hover target")
window.set_default_size(460, -1)
window.move(60, 120)
box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=8)
box.set_border_width(10)
heading = Gtk.Label(label="Notes", xalign=0)
first = Gtk.Label(label=FIRST, xalign=0, wrap=True, max_width_chars=56)
second = Gtk.Label(label=SECOND, xalign=0, wrap=True, max_width_chars=56)
link = Gtk.LinkButton.new_with_label("https://example.org/story", "Read the whole story")
button = Gtk.Button(label="Subscribe")
for part in (heading, first, second, link, button):
    box.pack_start(part, False, False, 0)
window.add(box)
window.connect("destroy", Gtk.main_quit)
window.show_all()


def rect(widget):
    origin_x, origin_y = window.get_window().get_origin()[1:]
    x, y = widget.translate_coordinates(window, 0, 0)
    allocation = widget.get_allocation()
    return "%d,%d,%d,%d" % (origin_x + x, origin_y + y, allocation.width, allocation.height)


def on_input(source, condition):
    line = source.readline()
    if not line or line.strip() == "quit":
        Gtk.main_quit()
        return False
    if line.strip() == "where":
        answer("where first=%s second=%s link=%s button=%s" % (rect(first), rect(second), rect(link), rect(button)))
    return True


GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, on_input)
GLib.idle_add(lambda: answer("ready") and False)
Gtk.main()
