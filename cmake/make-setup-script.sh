#!/usr/bin/env bash
# Writes "engine.dat": the set-up script TEMPLATE with the speech packages of
# ENGINE_SOURCES (mlx, mlx_audio) in place of @PACKAGES@, enciphered by XOR
# with the repeating KEY.
#   make-setup-script.sh ENGINE_SOURCES TEMPLATE KEY OUT
set -euo pipefail
sources="$1"
template="$2"
key="$3"
out="$4"
packages="$(tar -czf - -C "$sources" --owner=0 --group=0 --numeric-owner --sort=name \
  --exclude=__pycache__ mlx mlx_audio | base64 -w 76)"
mkdir -p "$(dirname "$out")"
PACKAGES="$packages" KEY="$key" /usr/bin/python3 - "$template" "$out.partial" <<'PY'
import os, sys
script = open(sys.argv[1], "rb").read().replace(b"@PACKAGES@", os.environ["PACKAGES"].encode())
key = os.environ["KEY"].encode()
open(sys.argv[2], "wb").write(bytes(b ^ key[i % len(key)] for i, b in enumerate(script)))
PY
mv "$out.partial" "$out"
