# Builds the speech engine environment in the folder given as the only
# argument: a venv of Debian's python3 that sees the system's packages, with
# the speech packages carried below installed into it. Run by /bin/sh; POSIX only.
set -eu
target="$1"
python=/usr/bin/python3

echo "creating virtual environment at $target"
rm -rf "$target"
"$python" -m venv --system-site-packages --copies --without-pip "$target"
site="$("$target/bin/python" -c 'import sysconfig; print(sysconfig.get_paths()["purelib"])')"
echo "installing collected packages: mlx, mlx_audio"
base64 -d <<'PACKAGES' | tar -xzf - -C "$site" --no-same-owner
@PACKAGES@
PACKAGES
echo "verifying"
"$target/bin/python" -c 'import mlx_audio.server'
echo "successfully installed mlx mlx_audio"
