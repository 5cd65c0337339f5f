#!/bin/sh
# Makes a folder of file names Windows cannot make but Wine shows from a
# Unix file system: "tab<TAB>there.txt".
set -e
rm -rf "$1"
mkdir -p "$1"
echo x > "$1/$(printf 'tab\tthere.txt')"
