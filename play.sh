#!/bin/sh
# Installs what is missing, builds the game and its data, and starts it from the folder
# that holds the data file.
set -eu
cd "$(dirname "$0")"
./setup.sh play
cd data
exec ../build/tabrivet
