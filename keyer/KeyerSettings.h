#pragma once
// The keyer values the operator keeps between runs: the eight memories and the
// three speeds. They belong to the operator, not to a keyer object: the main
// window holds them for the whole run, a keyer switched on is loaded from
// them, and they are what the settings file receives at the end, whether the
// keyer is on or off and whatever speed a "$" or "%" section left it at.

#include "keyer/CwKeyer.h"

#include <QString>

namespace zox {

class IniFile;

struct TKeyerSettings {
    TKeyerMemory Memory;
    int Speed = 115;
    int HiSpeed = 150;
    int HiSpeed1 = 170;
    // Read from the settings file. Until then there is nothing to load, and a
    // new keyer keeps its own values.
    bool Loaded = false;

    // Memories and speeds into the keyer; the normal speed as the one outside sections.
    void ApplyTo(TCwKeyer& keyer) const;
    // The keyer's memories and speeds, as the operator has just set them
    // (the settings dialog): the normal speed, not that of an open section.
    void TakeFrom(const TCwKeyer& keyer);
};

// "Keyer F1" .. "Keyer F8" (default "F1" .. "F8"), "Keyer Speed" (115),
// "Keyer Speed 1" (150), "Keyer Speed 2" (170), each speed held within 50..255.
TKeyerSettings ReadKeyerSettings(const IniFile& ini, const QString& section);
void WriteKeyerSettings(IniFile& ini, const QString& section, const TKeyerSettings& settings);

}  // namespace zox
