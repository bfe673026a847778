#!/bin/sh
# The package scripts/package last built passes scripts/check-package, so a release never
# loses what Debian's tools ask for. Skipped (77) where no package was built.
# usage: built-package.sh <source folder>
set -eu
root="$1"
set -- "$root"/build-package/brivora_*.deb
if [ ! -f "$1" ]; then
    echo "No package in $root/build-package: nothing to check."
    exit 77
fi
exec "$root/scripts/check-package" "$1"
