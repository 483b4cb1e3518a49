#include "keyer/KeyerSettings.h"

#include "app/IniFile.h"

#include <algorithm>

namespace zox {

namespace {

int HeldSpeed(int speed)
{
    return std::clamp(speed, int(TCwKeyer::kMinSpeed), int(TCwKeyer::kMaxSpeed));
}

QString MemoryKey(int slot)
{
    return QStringLiteral("Keyer F%1").arg(slot);
}

}  // namespace

void TKeyerSettings::ApplyTo(TCwKeyer& keyer) const
{
    keyer.Memory() = Memory;
    keyer.SetNormalSpeed(Speed);
    keyer.SetHiSpeed(HiSpeed);
    keyer.SetHiSpeed1(HiSpeed1);
}

void TKeyerSettings::TakeFrom(const TCwKeyer& keyer)
{
    Memory = keyer.Memory();
    Speed = keyer.NormalSpeed();
    HiSpeed = keyer.HiSpeed();
    HiSpeed1 = keyer.HiSpeed1();
}

TKeyerSettings ReadKeyerSettings(const IniFile& ini, const QString& section)
{
    TKeyerSettings s;
    for (int slot = 1; slot <= 8; ++slot)
        s.Memory[slot] = ini.ReadString(section, MemoryKey(slot), QStringLiteral("F%1").arg(slot));
    s.Speed = HeldSpeed(ini.ReadInteger(section, QStringLiteral("Keyer Speed"), 115));
    s.HiSpeed = HeldSpeed(ini.ReadInteger(section, QStringLiteral("Keyer Speed 1"), 150));
    s.HiSpeed1 = HeldSpeed(ini.ReadInteger(section, QStringLiteral("Keyer Speed 2"), 170));
    s.Loaded = true;
    return s;
}

void WriteKeyerSettings(IniFile& ini, const QString& section, const TKeyerSettings& s)
{
    for (int slot = 1; slot <= 8; ++slot) ini.WriteString(section, MemoryKey(slot), s.Memory[slot]);
    ini.WriteInteger(section, QStringLiteral("Keyer Speed"), s.Speed);
    ini.WriteInteger(section, QStringLiteral("Keyer Speed 1"), s.HiSpeed);
    ini.WriteInteger(section, QStringLiteral("Keyer Speed 2"), s.HiSpeed1);
}

}  // namespace zox
