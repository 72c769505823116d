#!/bin/sh
# The library keeps no state of its own between solves: no object file of the
# static library may define writable data. Vtables and type information are
# constants the compiler places where the loader relocates them (.data.rel.ro);
# they are not state, nor is the reference to the exception personality
# routine of the C++ runtime or to the type of an exception a handler catches.
set -eu
lib=$1
symbols=$(nm -C "$lib" | awk '$2 ~ /^[BbDd]$/' | grep -v -E ' (vtable|typeinfo|typeinfo name) for ' || true)
sections=$(readelf -S -W "$lib" | sed 's/^ *\[ *[0-9]*\] *//' | awk '
  /^File: / { member = $2 }
  $1 ~ /^\.(data|bss|tdata|tbss)($|\.)/ && $1 !~ /^\.data\.rel\.ro/ && $1 !~ /DW\.ref\.(__gxx_personality_v0|_ZTI[A-Za-z0-9_]+)$/ && $5 ~ /[1-9a-f]/ { print member ": " $1 " size " $5 }')
if [ -n "$symbols$sections" ]; then
  echo "writable data in $lib:"
  [ -z "$symbols" ] || echo "$symbols"
  [ -z "$sections" ] || echo "$sections"
  exit 1
fi
echo "no writable data in $lib"
