#!/bin/sh
# Makes a menu folder with folder links that lead back up (Wine shows a
# Unix symbolic link to a folder as a link), and one to an unrelated folder:
#   loops/menu/a.txt, again -> menu itself, up -> loops, other -> loops/other
#   loops/other/b.txt
set -e
rm -rf "$1"
mkdir -p "$1/menu" "$1/other"
echo a > "$1/menu/a.txt"
echo b > "$1/other/b.txt"
ln -s ../menu "$1/menu/again"
ln -s .. "$1/menu/up"
ln -s ../other "$1/menu/other"
