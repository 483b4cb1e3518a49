#include "keyer/KeyingSettings.h"

#include "app/IniFile.h"

#include <algorithm>

namespace zox {

namespace {

const QString S = kKeyingSection;

QString OutputName(TKeyingSettings::TOutput o)
{
    switch (o) {
    case TKeyingSettings::TOutput::Serial: return QStringLiteral("serial");
    case TKeyingSettings::TOutput::None: return QStringLiteral("none");
    case TKeyingSettings::TOutput::Radio: return QStringLiteral("radio");
    case TKeyingSettings::TOutput::Lpt: break;
    }
    return QStringLiteral("lpt");
}

QString SidetoneName(TKeyingSettings::TSidetone t)
{
    switch (t) {
    case TKeyingSettings::TSidetone::SoundCard: return QStringLiteral("soundcard");
    case TKeyingSettings::TSidetone::None: return QStringLiteral("none");
    case TKeyingSettings::TSidetone::Speaker: break;
    }
    return QStringLiteral("speaker");
}

int HeldMs(int ms) { return std::clamp(ms, 0, 2000); }

}  // namespace

TKeyingSettings ReadKeyingSettings(const IniFile& ini)
{
    TKeyingSettings s;
    const QString output = ini.ReadString(S, QStringLiteral("Output"), QStringLiteral("lpt")).trimmed().toLower();
    if (output == QLatin1String("serial")) s.Output = TKeyingSettings::TOutput::Serial;
    else if (output == QLatin1String("none")) s.Output = TKeyingSettings::TOutput::None;
    else if (output == QLatin1String("radio")) s.Output = TKeyingSettings::TOutput::Radio;
    s.SerialPort = ini.ReadString(S, QStringLiteral("Serial Port"), QString()).trimmed();
    s.KeyLine = SerialLineFromName(ini.ReadString(S, QStringLiteral("Key Line"), QStringLiteral("DTR")))
                    .value_or(TSerialLine::Dtr);
    const QString pttLine = ini.ReadString(S, QStringLiteral("PTT Line"), QStringLiteral("none"));
    s.PttLine = SerialLineFromName(pttLine);
    s.PttCat = pttLine.trimmed().compare(QLatin1String("CAT"), Qt::CaseInsensitive) == 0;
    // Keying and PTT on one line would key the transmitter with every PTT.
    if (s.Output == TKeyingSettings::TOutput::Serial && s.PttLine == s.KeyLine) s.PttLine.reset();
    s.Ptt.ForCw = ini.ReadString(S, QStringLiteral("PTT CW"), QStringLiteral("0")).trimmed() == QLatin1String("1");
    s.Ptt.LeadMs = HeldMs(ini.ReadInteger(S, QStringLiteral("PTT Lead"), 30));
    s.Ptt.TailMs = HeldMs(ini.ReadInteger(S, QStringLiteral("PTT Tail"), 100));
    const QString tone = ini.ReadString(S, QStringLiteral("Sidetone"), QStringLiteral("speaker")).trimmed().toLower();
    if (tone == QLatin1String("soundcard")) s.Sidetone = TKeyingSettings::TSidetone::SoundCard;
    else if (tone == QLatin1String("none")) s.Sidetone = TKeyingSettings::TSidetone::None;
    s.Loaded = true;
    return s;
}

void WriteKeyingSettings(IniFile& ini, const TKeyingSettings& s)
{
    ini.WriteString(S, QStringLiteral("Output"), OutputName(s.Output));
    ini.WriteString(S, QStringLiteral("Serial Port"), s.SerialPort);
    ini.WriteString(S, QStringLiteral("Key Line"), SerialLineName(s.KeyLine));
    ini.WriteString(S, QStringLiteral("PTT Line"), s.PttLine  ? SerialLineName(*s.PttLine)
                                                   : s.PttCat ? QStringLiteral("CAT")
                                                              : QStringLiteral("none"));
    ini.WriteString(S, QStringLiteral("PTT CW"), s.Ptt.ForCw ? QStringLiteral("1") : QStringLiteral("0"));
    ini.WriteInteger(S, QStringLiteral("PTT Lead"), HeldMs(s.Ptt.LeadMs));
    ini.WriteInteger(S, QStringLiteral("PTT Tail"), HeldMs(s.Ptt.TailMs));
    ini.WriteString(S, QStringLiteral("Sidetone"), SidetoneName(s.Sidetone));
}

std::unique_ptr<TKeyOutput> BuildKeyOutput(const TKeyingSettings& s, TSerialIo& io,
                                           const std::function<std::unique_ptr<TKeyOutput>()>& soundCard,
                                           QStringList& problems, const TRadioOutputMaker& radio)
{
    auto outputs = std::make_unique<TKeyOutputs>();
    if (s.Output == TKeyingSettings::TOutput::Lpt) outputs->Add(std::make_unique<TLptOutput>());
    if (s.UsesSerialPort()) {
        const auto keyLine = s.Output == TKeyingSettings::TOutput::Serial ? std::optional(s.KeyLine) : std::nullopt;
        auto serial = std::make_unique<TSerialKeyOutput>(io, keyLine, s.PttLine);
        if (s.SerialPort.isEmpty())
            problems << QStringLiteral("Serijska vrata za tipkanje niso izbrana.");
        else if (!serial->Open(s.SerialPort))
            problems << serial->Error();
        else
            outputs->Add(std::move(serial));
    }
    if (s.UsesRadio()) {
        if (radio) outputs->Add(radio(s.Output == TKeyingSettings::TOutput::Radio, s.PttCat && !s.PttLine));
        else problems << QStringLiteral("Radio za tipkanje ali PTT ni na voljo.");
    }
    switch (s.Sidetone) {
    case TKeyingSettings::TSidetone::Speaker:
        outputs->Add(std::make_unique<TPcSpeakerOutput>());
        break;
    case TKeyingSettings::TSidetone::SoundCard:
        if (soundCard) outputs->Add(soundCard());
        break;
    case TKeyingSettings::TSidetone::None:
        break;
    }
    return outputs;
}

}  // namespace zox
