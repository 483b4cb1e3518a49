#pragma once
// What the program takes from the radio's reports: the contest mode when the
// operator turns the radio to CW or SSB, and a warning off the contest band.

#include "rig/RadioLink.h"

#include <optional>

namespace zox {

class ModeFollower {
public:
    // The mode the program should take now: the radio's mode has changed into
    // CW or SSB since the last report (or this is the first since a connect).
    // The program's own choice is not undone by reports of an unchanged radio.
    std::optional<ContestMode> Follow(const RadioStatus& status);
    // After a (re)connect the next report counts as a change.
    void Restart() { m_last.reset(); }
    // The contest mode of the radio's last report, if CW or SSB.
    std::optional<ContestMode> Current() const;

private:
    std::optional<RadioModeFamily> m_last;
};

// 3.5 to 3.8 MHz, the ends included.
bool InContestBand(qint64 frequencyHz);

// The status bar's text for a report: the frequency and the mode, or the
// warning when the radio is off the contest band.
QString RadioStatusText(const RadioStatus& status);

}  // namespace zox
