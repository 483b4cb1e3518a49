#pragma once
// The window's player and voice sequence on a player that reports ends on
// the test's timers.
#include "VoiceTestSupport.h"

#include "keyer/audio/VoiceExchange.h"
#include "keyer/audio/WavSound.h"
#include "ui/uMainZox.h"

namespace zox::test {

struct VoiceOutput {
    TestTimers timers;
    EndReportingOutput output{timers};
    void Install(TMainFrm& w)
    {
        delete w.Voice;
        delete w.WS;
        w.WS = new TWavSound(&output, &w);
        w.WS->SetSoundLoop(false);
        w.Voice = new TVoicePlayer(*w.WS, &w);
        w.Voice->After = timers.Waiter();
    }
};

}  // namespace zox::test
