#!/bin/sh
# The library's folders are layers, input -> atomic -> transfer -> driver: a
# file may include its own folder, the folders before it and the public
# headers, never a folder after it. last_scattering (the optical depth and
# visibility of a finished history) stands beside them on input alone, and
# only the driver includes it.
set -eu
cd "$1"
status=0
allowed() {
  case $1 in
    input) echo "input" ;;
    atomic) echo "input atomic" ;;
    transfer) echo "input atomic transfer" ;;
    last_scattering) echo "input last_scattering" ;;
    driver) echo "input atomic transfer last_scattering driver" ;;
  esac
}
for layer in input atomic transfer last_scattering driver; do
  for file in "$layer"/*.h "$layer"/*.cpp; do
    for included in $(sed -n 's/^#include "\([a-z_]*\)\/.*/\1/p' "$file"); do
      case " $(allowed "$layer") primrec " in
        *" $included "*) ;;
        *) echo "$file includes $included/"; status=1 ;;
      esac
    done
  done
done
exit $status
