#!/usr/bin/env bash
# Makes the key pair releases are signed with (Ed25519, by OpenSSL):
#   scripts/make-release-key.sh KEYFILE
# writes the private key to KEYFILE (PEM, readable by its owner only) and its
# public half to KEYFILE.pub, and prints the public key in the form the build
# takes: the base64 of its 32 bytes, for
#   cmake -DQUORVANE_UPDATE_PUBLIC_KEY="$(cat KEYFILE.pub)" ...
# Existing files are never replaced: a lost or overwritten key would leave
# every copy built with the old one unable to update.
set -euo pipefail

if [ "$#" -ne 1 ]; then
  echo "usage: scripts/make-release-key.sh KEYFILE" >&2
  exit 64
fi
key="$1"
for file in "$key" "$key.pub"; do
  if [ -e "$file" ] || [ -L "$file" ]; then
    echo "make-release-key: $file exists; leaving it alone" >&2
    exit 73
  fi
done

umask 077
# noclobber: a file that appeared meanwhile is not written over either.
set -o noclobber
openssl genpkey -algorithm ed25519 > "$key"
# The DER form of an Ed25519 public key: a fixed 12-byte header, then the key's 32 bytes.
der="$(mktemp)"
trap 'rm -f -- "$der"' EXIT
openssl pkey -in "$key" -pubout -outform DER >| "$der"
if [ "$(stat -c %s "$der")" -ne 44 ] ||
   [ "$(head -c 12 "$der" | od -An -tx1 | tr -d ' \n')" != "302a300506032b6570032100" ]; then
  echo "make-release-key: OpenSSL did not make an Ed25519 key" >&2
  rm -f -- "$key"
  exit 70
fi
public="$(tail -c 32 "$der" | base64 -w0)"
printf '%s\n' "$public" > "$key.pub"
chmod 644 -- "$key.pub"
printf '%s\n' "$public"
