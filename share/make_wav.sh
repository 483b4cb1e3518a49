#!/bin/sh
# Makes the voice files of the SSB exchange and the greeting in share/Wav/
# with espeak-ng's Slovene voice: mono, 16-bit, 22050 Hz, silence trimmed
# so each word starts at once (the exchange cuts every piece after 500 ms).
# Needs espeak-ng and sox. Run it again only to change the recordings.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
out="$here/Wav"
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

make_word Pet.wav "pet"
make_word Devet.wav "devet"
make_word Sest.wav "šest"
make_word 73.wav "lep pozdrav"
