#!/usr/bin/env bash
# Makes the engine distribution folder DIST from the Linux speech packages in
# ENGINE_SOURCES (mlx, mlx_audio):
#   DIST/mlx-venv.tar.gz              the engine environment, made in WORK with
#                                     Debian's /usr/bin/python3 (copies, no link
#                                     leaving it); its own path is written as
#                                     @QUORVANE_VENV@ for the installer to fill in
#   DIST/parakeet-tdt-0.6b-v3-bf16/   the dictation model: links to Debian's
#                                     pocketsphinx-en-us files and our config.json
#   make-engine-archive.sh ENGINE_SOURCES MODEL_CONFIG WORK DIST
set -euo pipefail

sources="$1"
config="$2"
work="$3"
dist="$4"
venv="$work/mlx-venv"
placeholder="@QUORVANE_VENV@"
debian_model="/usr/share/pocketsphinx/model/en-us"

rm -rf "$work" "$dist.partial"
mkdir -p "$work" "$dist.partial"
/usr/bin/python3 -m venv --system-site-packages --copies --without-pip "$venv"
site="$("$venv/bin/python" -c 'import sysconfig; print(sysconfig.get_paths()["purelib"])')"
for package in mlx mlx_audio; do
  cp -R "$sources/$package" "$site/$package"
done
find "$venv" -name __pycache__ -prune -exec rm -rf {} +
"$venv/bin/python" -c 'import mlx.core, mlx_audio.server' >/dev/null

# Every link stays inside the environment.
while IFS= read -r link; do
  target="$(readlink "$link")"
  case "$target" in
    /*|../*|*/../*|..) echo "link leaves the environment: $link -> $target" >&2; exit 1 ;;
  esac
done < <(find "$venv" -type l)

sed -i "s|$venv|$placeholder|g" "$venv/pyvenv.cfg"
for script in "$venv"/bin/*; do
  if [ -f "$script" ] && [ ! -L "$script" ] && grep -qI -e "$venv" "$script"; then
    sed -i "s|$venv|$placeholder|g" "$script"
  fi
done

tar -czf "$dist.partial/mlx-venv.tar.gz" -C "$work" --owner=0 --group=0 --numeric-owner --sort=name mlx-venv

model="$dist.partial/parakeet-tdt-0.6b-v3-bf16"
mkdir -p "$model/en-us"
cp "$config" "$model/config.json"
for file in feat.params mdef means noisedict sendump transition_matrices variances; do
  ln -s "$debian_model/en-us/$file" "$model/en-us/$file"
done
ln -s "$debian_model/en-us.lm.bin" "$model/en-us.lm.bin"
ln -s "$debian_model/cmudict-en-us.dict" "$model/cmudict-en-us.dict"

rm -rf "$dist" "$work"
mv "$dist.partial" "$dist"
