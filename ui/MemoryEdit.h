#pragma once
// Shift+F1 .. Shift+F8: editing one keyer memory through the ask-for-text dialog.

#include "keyer/CwKeyer.h"

namespace zox {

// Asks for a new text of slot 1..8 ("Spomin Fn", "Vpiši text").
// Confirming stores it in upper case, cut to kMemoryTextLimit characters;
// cancelling keeps the old text. Returns whether a text was stored.
bool EditMemory(TKeyerMemory& memory, int slot);

}  // namespace zox
