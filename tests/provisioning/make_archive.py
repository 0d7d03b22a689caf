"""Writes a fixture engine archive: make_archive.py OUT KIND.

good: an environment whose interpreter (a shell script) accepts the import
check; broken-import: one whose interpreter fails it; hanging-import: one
whose interpreter never finishes it (its process id written to
$QV_TEST_PID_FILE); wrong-top: the
environment under another top folder; the other kinds add one hostile member
to a good environment."""

import io
import sys
import tarfile

PYTHON_OK = b"#!/bin/sh\n# made at @QUORVANE_VENV@\nexit 0\n"
PYTHON_BROKEN = b"#!/bin/sh\necho \"ModuleNotFoundError: No module named 'mlx_audio'\"\nexit 1\n"
PYTHON_HANGING = b"#!/bin/sh\necho $$ > \"$QV_TEST_PID_FILE\"\nexec sleep 600\n"


def add_file(archive, name, data, mode=0o644):
    info = tarfile.TarInfo(name)
    info.size = len(data)
    info.mode = mode
    archive.addfile(info, io.BytesIO(data))


def add_special(archive, name, kind, target=""):
    info = tarfile.TarInfo(name)
    info.type = kind
    info.linkname = target
    info.mode = 0o644
    archive.addfile(info)


def main(out, kind):
    top = "other" if kind == "wrong-top" else "mlx-venv"
    with tarfile.open(out, "w:gz", format=tarfile.GNU_FORMAT) as archive:
        add_file(archive, top + "/pyvenv.cfg", b"home = /usr/bin\ncommand = /usr/bin/python3 -m venv @QUORVANE_VENV@\n")
        python = {"broken-import": PYTHON_BROKEN, "hanging-import": PYTHON_HANGING}.get(kind, PYTHON_OK)
        add_file(archive, top + "/bin/python", python, 0o755)
        add_special(archive, top + "/bin/python3", tarfile.SYMTYPE, "python")
        if kind == "absolute":
            add_file(archive, "/tmp/qv-hostile-absolute", b"x")
        elif kind == "parent":
            add_file(archive, "mlx-venv/../../qv-hostile-parent", b"x")
        elif kind == "symlink-escape":
            add_special(archive, "mlx-venv/escape", tarfile.SYMTYPE, "../../..")
        elif kind == "symlink-absolute":
            add_special(archive, "mlx-venv/escape", tarfile.SYMTYPE, "/etc")
        elif kind == "hardlink":
            add_special(archive, "mlx-venv/passwd", tarfile.LNKTYPE, "mlx-venv/pyvenv.cfg")
        elif kind == "device":
            add_special(archive, "mlx-venv/null", tarfile.CHRTYPE)
        elif kind == "fifo":
            add_special(archive, "mlx-venv/pipe", tarfile.FIFOTYPE)


main(sys.argv[1], sys.argv[2])
