#!/bin/sh
# Makes the program's voice files with espeak-ng's Slovene voice: the ten
# digits of the SSB exchange (the report 5 9 and the two digits of the own year
# number, one file a digit, played back to back) and the greeting. Mono,
# 16-bit, 22050 Hz, silence trimmed at both ends so each word starts at once
# and the next follows closely. Needs espeak-ng and sox; the build runs it.
# Usage: make_wav.sh OUTDIR
set -eu

out=${1:?usage: make_wav.sh OUTDIR}
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

make_word() {
    name=$1
    text=$2
    espeak-ng -v sl -s 150 -w "$tmp/raw.wav" "$text"
    # Trim the silence at both ends, then write the final format.
    sox "$tmp/raw.wav" -r 22050 -c 1 -b 16 -e signed-integer "$tmp/$name" \
        silence 1 0.02 0.5% reverse silence 1 0.02 0.5% reverse
    mv "$tmp/$name" "$out/$name"
}

# The digits 0..9, named after their Slovene words without diacritics.
make_word Nic.wav "nič"
make_word Ena.wav "ena"
make_word Dva.wav "dva"
make_word Tri.wav "tri"
make_word Stiri.wav "štiri"
make_word Pet.wav "pet"
make_word Sest.wav "šest"
make_word Sedem.wav "sedem"
make_word Osem.wav "osem"
make_word Devet.wav "devet"
make_word 73.wav "lep pozdrav"
