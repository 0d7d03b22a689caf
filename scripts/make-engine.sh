#!/usr/bin/env bash
# Creates a development engine folder: "mlx-venv", a Python environment made
# from Debian's /usr/bin/python3 that sees the system's packages (FastAPI,
# uvicorn, numpy, pocketsphinx), with Quorvane's Linux speech packages
# ("mlx", "mlx_audio") installed into it. Safe to run again.
#   scripts/make-engine.sh [ENGINE_FOLDER]   (default: $QV_ENGINE_ROOT, else
#                                             $XDG_DATA_HOME/Quorvane)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
data="${XDG_DATA_HOME:-$HOME/.local/share}"
engine="${1:-${QV_ENGINE_ROOT:-$data/Quorvane}}"
venv="$engine/mlx-venv"

mkdir -p "$engine"
if [ ! -x "$venv/bin/python" ]; then
  /usr/bin/python3 -m venv --system-site-packages --without-pip "$venv"
fi
site="$("$venv/bin/python" -c 'import sysconfig; print(sysconfig.get_paths()["purelib"])')"
for package in mlx mlx_audio; do
  rm -rf "${site:?}/$package"
  cp -R "$root/src/platform/linux/engine/$package" "$site/$package"
  find "$site/$package" -name __pycache__ -prune -exec rm -rf {} +
done
"$venv/bin/python" -c 'import mlx.core, mlx_audio.server' >/dev/null
echo "engine folder ready: $engine"
