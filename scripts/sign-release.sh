#!/usr/bin/env bash
# Signs a release archive with the key from scripts/make-release-key.sh:
#   scripts/sign-release.sh ARCHIVE KEYFILE
# prints the Ed25519 signature of the archive's exact bytes in base64: the
# "signature" of the manifest (version.json) that offers the archive. The
# signature is checked against the key's public half before it is printed,
# and that public key goes to the error output, to compare with the value the
# build was made with (QUORVANE_UPDATE_PUBLIC_KEY).
set -euo pipefail

if [ "$#" -ne 2 ]; then
  echo "usage: scripts/sign-release.sh ARCHIVE KEYFILE" >&2
  exit 64
fi
archive="$1"
key="$2"
if [ ! -f "$archive" ]; then
  echo "sign-release: no archive at $archive" >&2
  exit 66
fi

work="$(mktemp -d)"
trap 'rm -rf -- "$work"' EXIT
# The DER form of an Ed25519 public key: a fixed 12-byte header, then the key's 32 bytes.
der="$work/public.der"
if ! openssl pkey -in "$key" -pubout -outform DER -out "$der" 2>/dev/null || [ "$(stat -c %s "$der")" -ne 44 ] ||
   [ "$(head -c 12 "$der" | od -An -tx1 | tr -d ' \n')" != "302a300506032b6570032100" ]; then
  echo "sign-release: $key is not an Ed25519 private key" >&2
  exit 65
fi
openssl pkey -in "$key" -pubout -out "$work/public.pem"
# Ed25519 signs the message itself, not a digest: -rawin.
openssl pkeyutl -sign -rawin -inkey "$key" -in "$archive" -out "$work/signature"
if [ "$(stat -c %s "$work/signature")" -ne 64 ] ||
   ! openssl pkeyutl -verify -rawin -pubin -inkey "$work/public.pem" -in "$archive" \
       -sigfile "$work/signature" >/dev/null; then
  echo "sign-release: the signature does not check out" >&2
  exit 70
fi
printf 'public key: %s\n' "$(tail -c 32 "$der" | base64 -w0)" >&2
base64 -w0 "$work/signature"
printf '\n'
