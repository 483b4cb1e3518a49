#pragma once
// Where the keyer keys and sounds: the output chosen in the keyer settings
// dialog, kept in the section "Keying" of the settings file:
//
//   [Keying]
//   Output=lpt            lpt (parallel port), serial or none
//   Serial Port=/dev/serial/by-id/usb-FTDI_...-port0
//   Key Line=DTR          DTR or RTS
//   PTT Line=RTS          none, or the other line
//   PTT CW=0              PTT around CW too (1), or only for voice (0)
//   PTT Lead=30           milliseconds
//   PTT Tail=100          milliseconds
//   Sidetone=speaker      speaker (PC speaker), soundcard or none
//
// A value that is missing or not understood gives its default.

#include "keyer/CwKeyer.h"
#include "keyer/SerialKeyOutput.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace zox {

class IniFile;

inline const QString kKeyingSection = QStringLiteral("Keying");

struct TKeyingSettings {
    enum class TOutput { Lpt, Serial, None };
    enum class TSidetone { Speaker, SoundCard, None };

    TOutput Output = TOutput::Lpt;
    QString SerialPort;
    TSerialLine KeyLine = TSerialLine::Dtr;
    std::optional<TSerialLine> PttLine;
    TPttTiming Ptt;
    TSidetone Sidetone = TSidetone::Speaker;
    // Read from the settings file; until then the file keeps its keys.
    bool Loaded = false;

    // The serial port is used: to key, or for PTT.
    bool UsesSerialPort() const { return Output == TOutput::Serial || PttLine.has_value(); }
    bool operator==(const TKeyingSettings&) const = default;
};

TKeyingSettings ReadKeyingSettings(const IniFile& ini);
void WriteKeyingSettings(IniFile& ini, const TKeyingSettings& settings);

// The output the settings describe. A serial port that cannot be opened is
// left out and named in `problems`; keying then goes on without it.
// soundCard makes the sound-card sidetone (nullptr: none there).
std::unique_ptr<TKeyOutput> BuildKeyOutput(const TKeyingSettings& settings, TSerialIo& io,
                                           const std::function<std::unique_ptr<TKeyOutput>()>& soundCard,
                                           QStringList& problems);

}  // namespace zox
