#include "rig/RadioFollow.h"

namespace zox {

std::optional<ContestMode> ModeFollower::Follow(const RadioStatus& status)
{
    const bool changed = !m_last || *m_last != status.family;
    m_last = status.family;
    return changed ? Current() : std::nullopt;
}

std::optional<ContestMode> ModeFollower::Current() const
{
    if (m_last == RadioModeFamily::Cw) return ContestMode::Cw;
    if (m_last == RadioModeFamily::Ssb) return ContestMode::Ssb;
    return std::nullopt;
}

bool InContestBand(qint64 frequencyHz)
{
    return frequencyHz >= 3'500'000 && frequencyHz <= 3'800'000;
}

namespace {
// To the hertz where it matters: 3499,999 kHz must not read as the band edge.
QString KHz(qint64 hz)
{
    QString text = QString::number(hz / 1000) + ',' + QString::number(hz % 1000).rightJustified(3, '0');
    while (text.endsWith('0') && text.indexOf(',') < text.size() - 2) text.chop(1);
    return text + " kHz";
}
}  // namespace

QString RadioStatusText(const RadioStatus& status)
{
    if (status.frequencyHz > 0 && !InContestBand(status.frequencyHz))
        return "Radio je na " + KHz(status.frequencyHz) + ", zunaj pasu 3500–3800 kHz !";
    QString text = "Radio";
    if (status.frequencyHz > 0) text += ": " + KHz(status.frequencyHz);
    if (!status.modeName.isEmpty()) text += " " + status.modeName;
    return text;
}

}  // namespace zox
