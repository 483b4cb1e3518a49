// zox-keyer-wav: renders a text, or one of the keyer's memories, to a wave
// file with the keyer's own engine and sidetone, so an operator can listen
// to a memory before the contest.

#include "app/IniFile.h"
#include "app/UserSettings.h"
#include "app/uGlob.h"
#include "keyer/CwKeyer.h"
#include "keyer/KeyerSettings.h"
#include "keyer/Macros.h"
#include "keyer/Sidetone.h"
#include "keyer/WaveFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <optional>

using namespace zox;

namespace {

constexpr int kSampleRate = 48000;

const char kHelp[] =
    "Usage: zox-keyer-wav TEXT OUT.wav [--speed N] [--tone HZ] [--his-call CALL]\n"
    "       zox-keyer-wav --memory N OUT.wav [--speed N] [--tone HZ] [--his-call CALL]\n"
    "Keys TEXT, or the keyer's memory N (1..8, as sent with F1..F8), the way the\n"
    "program's keyer keys it, and writes the sidetone to the wave file OUT.wav\n"
    "(mono, 16 bits, 48000 samples a second). The file lasts exactly as long as\n"
    "the keyer takes, the gap after the last character included.\n"
    "\n"
    "The text is keyed as a memory is: the macro words <MYCALL> and <MYMULTI>\n"
    "become the operator's call sign and own year number from the program's\n"
    "settings file, <HISCALL> the call given with --his-call (nothing without\n"
    "it), <SAVE> and <GOTOHISMULTI> are dropped, text between two \"%\" goes out\n"
    "at the faster speed and text between two \"$\" at the fastest. The speeds\n"
    "and the memories are those of the settings file (\"Keyer Speed\",\n"
    "\"Keyer Speed 1\", \"Keyer Speed 2\", \"Keyer F1\" .. \"Keyer F8\"), which\n"
    "is Zox.ini in $XDG_CONFIG_HOME (or ~/.config when it is unset).\n"
    "\n"
    "  --speed N        the normal speed, 50..255 (a dot lasts 5500 / N ms)\n"
    "  --tone HZ        the tone, 300..3000 Hz (600 without it)\n"
    "  --memory N       key memory N instead of TEXT\n"
    "  --his-call CALL  what <HISCALL> stands for\n"
    "  -h, --help       show this text\n"
    "\n"
    "OUT.wav replaces an existing file only once it is complete. On an error a\n"
    "one-line message goes to standard error and the exit status is 1; a wrong\n"
    "command line gives status 2.\n";

void error(const QString& text)
{
    QString line = text;
    line.replace(u'\n', u' ').replace(u'\r', u' ');
    std::fprintf(stderr, "zox-keyer-wav: %s\n", line.toLocal8Bit().constData());
}

std::optional<int> number(const QString& text, int minimum, int maximum)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < minimum || value > maximum) return std::nullopt;
    return value;
}

struct TOptions {
    QString Text;
    int Memory = 0;
    QString Out;
    std::optional<int> Speed;
    int Tone = 600;
    QString HisCall;
};

// Returns the options, or the message of a wrong command line.
std::optional<TOptions> parse(const QStringList& args, QString& problem)
{
    TOptions o;
    QStringList positional;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&](const char* what) -> std::optional<QString> {
            if (i + 1 >= args.size()) {
                problem = QStringLiteral("%1 needs %2").arg(a, QLatin1String(what));
                return std::nullopt;
            }
            return args[++i];
        };
        if (a == QLatin1String("--speed")) {
            const auto v = value("a speed");
            if (!v) return std::nullopt;
            o.Speed = number(*v, TCwKeyer::kMinSpeed, TCwKeyer::kMaxSpeed);
            if (!o.Speed) {
                problem = QStringLiteral("the speed must be a number from 50 to 255, not \"%1\"").arg(*v);
                return std::nullopt;
            }
        } else if (a == QLatin1String("--tone")) {
            const auto v = value("a tone");
            if (!v) return std::nullopt;
            const auto tone = number(*v, TCwKeyer::kMinTone, TCwKeyer::kMaxTone);
            if (!tone) {
                problem = QStringLiteral("the tone must be a number from 300 to 3000 (Hz), not \"%1\"").arg(*v);
                return std::nullopt;
            }
            o.Tone = *tone;
        } else if (a == QLatin1String("--memory")) {
            const auto v = value("a memory number");
            if (!v) return std::nullopt;
            const auto memory = number(*v, 1, 8);
            if (!memory) {
                problem = QStringLiteral("the memory must be a number from 1 to 8, not \"%1\"").arg(*v);
                return std::nullopt;
            }
            o.Memory = *memory;
        } else if (a == QLatin1String("--his-call")) {
            const auto v = value("a call sign");
            if (!v) return std::nullopt;
            o.HisCall = v->trimmed().toUpper();
        } else if (a.startsWith(QLatin1String("--"))) {
            problem = QStringLiteral("unknown option \"%1\"; see zox-keyer-wav --help").arg(a);
            return std::nullopt;
        } else {
            positional << a;
        }
    }
    const qsizetype wanted = o.Memory ? 1 : 2;
    if (positional.size() != wanted) {
        problem = o.Memory ? QStringLiteral("expected --memory N OUT.wav; see zox-keyer-wav --help")
                           : QStringLiteral("expected TEXT OUT.wav; see zox-keyer-wav --help");
        return std::nullopt;
    }
    if (!o.Memory) o.Text = positional.front();
    o.Out = positional.back();
    return o;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    QString problem;
    const std::optional<TOptions> options = parse(args, problem);
    if (!options) {
        error(problem);
        return 2;
    }

    try {
        // The operator's values, as the program reads them.
        const IniFile ini(SettingsFilePath());
        TUserInfo user;
        ReadUserInfo(ini, user);
        const TKeyerSettings keyerSettings = ReadKeyerSettings(ini, kMainSection);
        const QString text = options->Memory ? keyerSettings.Memory[options->Memory] : options->Text;
        const MacroResult expanded = ExpandMacros(text, {user.User.Call, options->HisCall, user.User.Multi});
        // A file of silence would pass for a recording of the memory.
        const bool keyable = std::any_of(expanded.Text.begin(), expanded.Text.end(), [](QChar c) {
            const int p = TCwKeyer::TablePosition(c.toUpper());
            return p != TCwKeyer::kSilentPosition && p != TCwKeyer::kSpacePosition;
        });
        if (!keyable) {
            error(options->Memory ? QStringLiteral("memory %1 has nothing to key").arg(options->Memory)
                                  : QStringLiteral("nothing to key in \"%1\"").arg(text));
            return 2;
        }

        // The program's keyer on a clock of its own, its sidetone rendered without delay.
        TVirtualKeyerPlatform clock;
        auto synth = std::make_shared<TSidetoneSynth>(kSampleRate, KeyerPlatform::Time{0});
        TCwKeyer keyer(&clock, std::make_unique<TSynthToneOutput>(synth));
        keyer.SetSpeed(options->Speed.value_or(keyerSettings.Speed));
        keyer.SetHiSpeed(keyerSettings.HiSpeed);
        keyer.SetHiSpeed1(keyerSettings.HiSpeed1);
        keyer.SetTone(options->Tone);
        keyer.SetSpeaker(true);
        keyer.SendText(expanded.Text);
        if (!clock.RunUntil([&keyer] { return keyer.Idle(); })) {
            error(QStringLiteral("the keyer did not finish the text"));
            return 1;
        }
        const double seconds = std::chrono::duration<double>(clock.Now()).count();
        std::vector<qint16> samples(std::size_t(std::llround(seconds * kSampleRate)));
        synth->Render(KeyerPlatform::Time{0}, samples.data(), samples.size());

        const QString out = QDir::current().absoluteFilePath(options->Out);
        QString why;
        if (!WriteMonoWave(out, samples, kSampleRate, why)) {
            error(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(out), why));
            return 1;
        }
    } catch (const IniFileError& e) {
        error(e.text());
        return 1;
    } catch (const std::exception& e) {
        error(QString::fromLocal8Bit(e.what()));
        return 1;
    }
    return 0;
}
