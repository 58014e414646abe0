#!/bin/sh
# PNG pictures packed into a Windows icon file (ICO with PNG entries, as
# Windows Vista and later read them): make_ico.sh OUT.ico PNG...
set -eu
out=$1
shift
byte() { printf "\\$(printf %03o "$1")"; }
le16() { byte $(($1 & 255)); byte $((($1 >> 8) & 255)); }
le32() { le16 $(($1 & 65535)); le16 $((($1 >> 16) & 65535)); }
{
  le16 0
  le16 1
  le16 $#
  offset=$((6 + 16 * $#))
  for png in "$@"; do
    side=$(od -An -tu1 -j16 -N4 "$png" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 }')
    size=$(wc -c < "$png")
    [ "$side" -ge 256 ] && side=0
    byte "$side"
    byte "$side"
    byte 0
    byte 0
    le16 1
    le16 32
    le32 "$size"
    le32 "$offset"
    offset=$((offset + size))
  done
  cat "$@"
} > "$out"
