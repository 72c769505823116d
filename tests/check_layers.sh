#!/bin/sh
# The library's folders are layers, input -> atomic -> transfer -> driver: a
# file may include its own folder, the folders before it and the public
# headers, never a folder after it.
set -eu
cd "$1"
status=0
allowed() {
  case $1 in
    input) echo "input" ;;
    atomic) echo "input atomic" ;;
    transfer) echo "input atomic transfer" ;;
    driver) echo "input atomic transfer driver" ;;
  esac
}
for layer in input atomic transfer driver; do
  for file in "$layer"/*.h "$layer"/*.cpp; do
    for included in $(sed -n 's/^#include "\([a-z]*\)\/.*/\1/p' "$file"); do
      case " $(allowed "$layer") primrec " in
        *" $included "*) ;;
        *) echo "$file includes $included/"; status=1 ;;
      esac
    done
  done
done
exit $status
