#pragma once
// Where the keyer keys and sounds: the output chosen in the keyer settings
// dialog, kept in the section "Keying" of the settings file:
//
//   [Keying]
//   Output=lpt            lpt (parallel port), serial, radio (the radio's own
//                         keyer, through the link of [Radio]) or none
//   Serial Port=/dev/serial/by-id/usb-FTDI_...-port0
//   Key Line=DTR          DTR or RTS
//   PTT Line=RTS          none, the other line, or CAT (the radio's PTT
//                         command, through the link of [Radio])
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
    enum class TOutput { Lpt, Serial, None, Radio };
    enum class TSidetone { Speaker, SoundCard, None };

    TOutput Output = TOutput::Lpt;
    QString SerialPort;
    TSerialLine KeyLine = TSerialLine::Dtr;
    std::optional<TSerialLine> PttLine;
    bool PttCat = false;  // PTT through the radio's CAT link (then no PTT line)
    TPttTiming Ptt;
    TSidetone Sidetone = TSidetone::Speaker;
    // Read from the settings file; until then the file keeps its keys.
    bool Loaded = false;

    // The serial port is used: to key, or for PTT.
    bool UsesSerialPort() const { return Output == TOutput::Serial || PttLine.has_value(); }
    // The radio link is used: to key, or for PTT.
    bool UsesRadio() const { return Output == TOutput::Radio || PttCat; }
    bool operator==(const TKeyingSettings&) const = default;
};

TKeyingSettings ReadKeyingSettings(const IniFile& ini);
void WriteKeyingSettings(IniFile& ini, const TKeyingSettings& settings);

// The output the settings describe. A serial port that cannot be opened is
// left out and named in `problems`; keying then goes on without it.
// soundCard makes the sound-card sidetone (nullptr: none there); radio the
// radio's keyer and PTT, as asked (nullptr: no radio there).
using TRadioOutputMaker = std::function<std::unique_ptr<TKeyOutput>(bool keysCw, bool ptt)>;
std::unique_ptr<TKeyOutput> BuildKeyOutput(const TKeyingSettings& settings, TSerialIo& io,
                                           const std::function<std::unique_ptr<TKeyOutput>()>& soundCard,
                                           QStringList& problems, const TRadioOutputMaker& radio = {});

}  // namespace zox
