#pragma once
// A radio through the Hamlib library: a rig model on a serial port driven in
// this program, or a running rigctld (Hamlib's network model) at a host and
// port. The threading contract is RadioLink's; the radio thread belongs to
// this object and nothing else calls Hamlib.

#include "rig/RadioLink.h"
#include "rig/RadioSettings.h"

#include <atomic>
#include <functional>
#include <memory>

class QThread;
struct s_rig;  // Hamlib's RIG

namespace zox {

class HamlibWorker;

class HamlibLink : public RadioLink {
    Q_OBJECT
public:
    static constexpr int kPollMs = 300;    // how often the mode and frequency are read
    static constexpr int kRetryMs = 2000;  // how often a lost radio is looked for

    // Starts the radio thread, which opens the radio at once and keeps trying.
    explicit HamlibLink(const RadioSettings& settings, QObject* parent = nullptr);
    // Closes without waiting (see Close).
    ~HamlibLink() override;

    void SetContestMode(ContestMode mode) override;
    void SetPtt(bool on) override;
    quint64 SendMorse(const QList<MorseSection>& sections, std::function<void(MorseEnd)> ended = {}) override;
    void StopMorse() override;

    void Close(int waitMs) override;

    // For tests: the calls into Hamlib begun and ended so far; begun > ended
    // while the radio thread is inside one.
    struct CallCounts {
        quint64 begun = 0;
        quint64 ended = 0;
    };
    CallCounts Calls() const;
    // For tests: runs f on the radio thread with the open radio (nullptr while
    // there is none), as one call into Hamlib.
    void RunOnRadioThread(std::function<void(s_rig*)> f);

    struct Counters {
        std::atomic<quint64> begun{0};
        std::atomic<quint64> ended{0};
    };

private:
    template <class F> void Post(F&& f);

    std::shared_ptr<Counters> m_counters;
    HamlibWorker* m_worker = nullptr;
    QThread* m_thread = nullptr;
    std::atomic<quint64> m_lastMorseId{0};
};

// The link the settings ask for; nullptr for none.
RadioLink* MakeRadioLink(const RadioSettings& settings, QObject* parent = nullptr);

// The operator's text for a Hamlib error code.
QString HamlibErrorText(int code);

}  // namespace zox
