#!/bin/sh
# Makes folders to drop that lead back to themselves and to the menu folder,
# as Unix symbolic links (Wine shows them as folder links):
#   drop-loops/Looping/a.txt, self -> Looping, up -> drop-loops, menu -> the menu folder
#   drop-loops/menu-alias -> the menu folder
# $1: the test executable's folder; $2: the menu folder's name in it.
set -e
rm -rf "$1/drop-loops"
mkdir -p "$1/drop-loops/Looping"
echo a > "$1/drop-loops/Looping/a.txt"
ln -s . "$1/drop-loops/Looping/self"
ln -s .. "$1/drop-loops/Looping/up"
ln -s "../../$2" "$1/drop-loops/Looping/menu"
ln -s "../$2" "$1/drop-loops/menu-alias"
