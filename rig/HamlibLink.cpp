#include "rig/HamlibLink.h"

#include "rig/RigMorse.h"

#include <hamlib/rig.h>

#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <clocale>
#include <cstdarg>
#include <exception>
#include <mutex>
#include <set>
#include <optional>
#include <pthread.h>

namespace zox {

namespace {

// Hamlib keeps state of its own beside each handle: one call at a time,
// whichever link makes it (an old link may still be closing beside a new one).
std::mutex& HamlibMutex()
{
    static std::mutex m;
    return m;
}

int Silent(enum rig_debug_level_e, rig_ptr_t, const char*, va_list) { return 0; }

// The models Hamlib knows, every backend loaded. Asked for a model it does
// not know, Hamlib loads that model's backend again, and when the backend is
// loaded already (the dummy's, say, after a rigctld link) it ends the
// process; so a model is only given to Hamlib once it is known here.
std::set<rig_model_t>& KnownModels()
{
    static std::set<rig_model_t> models;
    return models;
}

int NoteModel(const struct rig_caps* caps, rig_ptr_t)
{
    KnownModels().insert(caps->rig_model);
    return 1;  // go on
}

// Called on the user-interface thread before the first radio thread starts.
void PrepareHamlib()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Hamlib's trace would go to the program's error output.
        rig_set_debug(RIG_DEBUG_NONE);
        rig_set_debug_callback(Silent, nullptr);
        const std::lock_guard lock(HamlibMutex());
        rig_load_all_backends();
        rig_list_foreach(NoteModel, nullptr);
        // Opening a rig, Hamlib switches the process's LC_NUMERIC to "C" and
        // back, from the radio thread, restoring through a name the switch
        // has freed. Already "C", the switch changes nothing and frees
        // nothing. Nothing in the program formats or reads numbers through
        // the C library's locale.
        std::setlocale(LC_NUMERIC, "C");
    });
}

enum class Outcome { Ok, Unsupported, Refused, Lost };

// What an answer means for the link: only a failure of the line or of the
// radio itself counts as losing it.
Outcome Classify(int rc)
{
    if (rc == RIG_OK) return Outcome::Ok;
    switch (std::abs(rc)) {
    case RIG_ENAVAIL:
    case RIG_ENIMPL:
        return Outcome::Unsupported;
    case RIG_EINVAL:
    case RIG_ERJCTED:
    case RIG_ETRUNC:
    case RIG_ENTARGET:
    case RIG_EVFO:
    case RIG_EDOM:
        return Outcome::Refused;
    default:
        return Outcome::Lost;
    }
}

RadioModeFamily FamilyOf(rmode_t mode)
{
    if (mode == RIG_MODE_CW || mode == RIG_MODE_CWR) return RadioModeFamily::Cw;
    if (mode == RIG_MODE_USB || mode == RIG_MODE_LSB) return RadioModeFamily::Ssb;
    return RadioModeFamily::Other;
}

void SetConf(RIG* rig, const char* name, const QByteArray& value)
{
    rig_set_conf(rig, rig_token_lookup(rig, name), value.constData());
}

}  // namespace

QString HamlibErrorText(int code)
{
    switch (std::abs(code)) {
    case RIG_ETIMEOUT: return "radio se ne odziva";
    case RIG_EIO: return "napaka povezave";
    case RIG_EPROTO: return "nerazumljiv odgovor";
    case RIG_ECONF: return "napačne nastavitve";
    case RIG_EINVAL:
    case RIG_EDOM: return "neveljavna vrednost";
    case RIG_ERJCTED: return "radio je ukaz zavrnil";
    case RIG_ENAVAIL:
    case RIG_ENIMPL: return "radio tega ne zna";
    default: return QString("napaka Hamlib %1").arg(std::abs(code));
    }
}

// Lives on the radio thread; every slot runs there.
class HamlibWorker : public QObject {
    Q_OBJECT
public:
    HamlibWorker(const RadioSettings& settings, std::shared_ptr<HamlibLink::Counters> counters)
        : m_settings(settings), m_counters(std::move(counters))
    {
        m_poll = new QTimer(this);
        m_poll->setInterval(HamlibLink::kPollMs);
        connect(m_poll, &QTimer::timeout, this, [this] { Safely([this] { Poll(); }); });
        m_retry = new QTimer(this);
        m_retry->setSingleShot(true);
        m_retry->setInterval(HamlibLink::kRetryMs);
        connect(m_retry, &QTimer::timeout, this, [this] { Safely([this] { Open(); }); });
        m_morseTimer = new QTimer(this);
        m_morseTimer->setSingleShot(true);
        m_morseTimer->setTimerType(Qt::PreciseTimer);
        connect(m_morseTimer, &QTimer::timeout, this, [this] { Safely([this] { SectionTimeUp(); }); });
    }
    ~HamlibWorker() override { CloseRig(); }

    // Everything that reaches the radio thread goes through here: nothing thrown leaves it.
    template <class F> void Safely(F&& f) noexcept
    {
        try {
            f();
        } catch (const std::exception& e) {
            ReportFailure(QString("Napaka pri delu z radiem: ") + e.what());
        } catch (...) {
            ReportFailure("Napaka pri delu z radiem !");
        }
    }

    void Start()
    {
        // A rigctld that goes away must give this thread an error, not end the
        // program (Hamlib 4.5 ignores SIGPIPE itself on opening; not every Hamlib does).
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
        Open();
    }

    void SetContestMode(ContestMode want)
    {
        if (!m_rig) return;
        rmode_t mode = RIG_MODE_NONE;
        pbwidth_t width = 0;
        int rc = Call([&] { return rig_get_mode(m_rig, RIG_VFO_CURR, &mode, &width); });
        if (!Check(rc)) return;
        const RadioModeFamily family = want == ContestMode::Cw ? RadioModeFamily::Cw : RadioModeFamily::Ssb;
        if (rc == RIG_OK && FamilyOf(mode) == family) return;  // CW-reverse or USB stay as the operator set them
        // SSB on 80 m is lower sideband; the operator's filter stays.
        const rmode_t target = want == ContestMode::Cw ? RIG_MODE_CW : RIG_MODE_LSB;
        rc = Call([&] { return rig_set_mode(m_rig, RIG_VFO_CURR, target, RIG_PASSBAND_NOCHANGE); });
        if (!Check(rc)) return;
        if (rc != RIG_OK) ReportFailure("Radio ni preklopil vrste oddaje (" + HamlibErrorText(rc) + ") !");
        Poll();
    }

    void SetPtt(bool on)
    {
        m_pttWanted = on;
        if (!m_rig) return;
        const int rc = Call([&] { return rig_set_ptt(m_rig, RIG_VFO_CURR, on ? RIG_PTT_ON : RIG_PTT_OFF); });
        if (!Check(rc)) return;
        if (rc != RIG_OK) {
            ReportFailure("Radio ni preklopil PTT (" + HamlibErrorText(rc) + ") !");
            return;
        }
        m_pttOn = on;
        emit PttDone(on);
    }

    void SendMorse(quint64 id, const QList<MorseSection>& sections, std::function<void(MorseEnd)> ended)
    {
        HaltMorse(MorseEnd::Stopped);
        m_morseId = id;
        m_morseEnded = std::move(ended);
        if (!m_rig) {
            EndMorse(MorseEnd::Failed);
            return;
        }
        m_morse = sections;
        m_morseActive = true;
        NextSection();
    }

    void StopMorse() { HaltMorse(MorseEnd::Stopped); }

    // The last thing the radio thread does: nothing left keyed, the radio closed.
    void Shutdown()
    {
        m_closing = true;
        m_poll->stop();
        m_retry->stop();
        m_morseTimer->stop();
        if (m_rig && m_morseActive) Call([&] { return rig_stop_morse(m_rig, RIG_VFO_CURR); });
        if (m_morseActive) EndMorse(MorseEnd::Stopped);
        if (m_rig && m_pttOn) Call([&] { return rig_set_ptt(m_rig, RIG_VFO_CURR, RIG_PTT_OFF); });
        m_pttOn = false;
        CloseRig();
        QThread::currentThread()->quit();
    }

    void RunForTest(const std::function<void(s_rig*)>& f)
    {
        Call([&] {
            f(m_rig);
            return RIG_OK;
        });
    }

signals:
    void Linked(bool up);
    void Status(const zox::RadioStatus& status);
    void PttDone(bool on);
    void MorseDone(quint64 id, zox::MorseEnd end);
    void Failure(const QString& text);

private:
    // One call into Hamlib, counted, and alone among all links.
    template <class F> int Call(F&& f)
    {
        std::lock_guard lock(HamlibMutex());
        ++m_counters->begun;
        const int rc = f();
        ++m_counters->ended;
        return rc;
    }

    void ReportFailure(const QString& text)
    {
        if (!m_closing) emit Failure(text);
    }

    void Open()
    {
        if (m_closing || m_rig) return;
        const rig_model_t model = m_settings.link == RadioLinkKind::Rigctld ? RIG_MODEL_NETRIGCTL : m_settings.model;
        RIG* rig = nullptr;
        if (KnownModels().count(model)) {
            Call([&] {
                rig = rig_init(model);
                return RIG_OK;
            });
        }
        if (!rig) {
            // Only other settings can help: nothing to look for again.
            ReportFailure(QString("Hamlib ne pozna modela radia %1 !").arg(model));
            return;
        }
        Configure(rig);
        const int rc = Call([&] { return rig_open(rig); });
        if (rc != RIG_OK) {
            Call([&] { return rig_cleanup(rig); });
            Lose(rc);
            return;
        }
        // Every poll asks the radio itself: the operator may turn it at any time.
        rig_set_cache_timeout_ms(rig, HAMLIB_CACHE_ALL, 0);
        m_rig = rig;
        m_last.reset();
        m_keyspd = 0;
        // Linked only once the radio answers: many models open their port
        // without a word to a radio that may be switched off.
        Poll();
        if (m_rig) m_poll->start();
    }

    void Configure(RIG* rig)
    {
        Call([&] {
            if (m_settings.link == RadioLinkKind::Rigctld) {
                const QString host = m_settings.host.contains(':') ? "[" + m_settings.host + "]" : m_settings.host;
                SetConf(rig, "rig_pathname", QString("%1:%2").arg(host).arg(m_settings.port).toUtf8());
                // Hamlib's ten seconds, five times over, would keep a hung rigctld for a minute.
                SetConf(rig, "timeout", QByteArray::number(m_settings.timeoutMs > 0 ? m_settings.timeoutMs : 1000));
                SetConf(rig, "retry", "0");
            } else {
                if (!m_settings.device.isEmpty()) SetConf(rig, "rig_pathname", m_settings.device.toUtf8());
                if (m_settings.baud > 0) SetConf(rig, "serial_speed", QByteArray::number(m_settings.baud));
                if (m_settings.timeoutMs > 0) SetConf(rig, "timeout", QByteArray::number(m_settings.timeoutMs));
                // PTT here means PTT through CAT, where the model has the command.
                if (rig->caps->ptt_type == RIG_PTT_NONE && rig->caps->set_ptt) SetConf(rig, "ptt_type", "RIG");
            }
            return RIG_OK;
        });
    }

    void CloseRig()
    {
        if (!m_rig) return;
        RIG* rig = std::exchange(m_rig, nullptr);
        Call([&] {
            rig_close(rig);
            return rig_cleanup(rig);
        });
    }

    // Whether the radio is still there after an answer; a lost one is closed,
    // reported once, and looked for again.
    bool Check(int rc)
    {
        if (Classify(rc) != Outcome::Lost) return true;
        Lose(rc);
        return false;
    }

    void Lose(int rc)
    {
        const bool wasUp = std::exchange(m_linked, false);
        CloseRig();
        m_poll->stop();
        m_morseTimer->stop();
        if (m_morseActive) EndMorse(MorseEnd::Failed);
        if (m_closing) return;
        if (wasUp) emit Linked(false);
        if (!m_lostShown) {
            m_lostShown = true;
            emit Failure("Radio ni dosegljiv (" + HamlibErrorText(rc) + "), program dela brez njega !");
        }
        m_retry->start();
    }

    void Poll()
    {
        if (!m_rig) return;
        rmode_t mode = RIG_MODE_NONE;
        pbwidth_t width = 0;
        int rc = Call([&] { return rig_get_mode(m_rig, RIG_VFO_CURR, &mode, &width); });
        if (!Check(rc)) return;
        if (rc != RIG_OK) mode = RIG_MODE_NONE;
        freq_t hz = 0;
        rc = Call([&] { return rig_get_freq(m_rig, RIG_VFO_CURR, &hz); });
        if (!Check(rc)) return;
        if (!m_linked) {
            m_linked = true;
            m_lostShown = false;
            emit Linked(true);
            // A PTT left on when the radio went away is released now.
            if (m_pttOn && !m_pttWanted) SetPtt(false);
            if (!m_rig) return;
        }
        RadioStatus s;
        s.frequencyHz = rc == RIG_OK ? qint64(std::llround(hz)) : 0;
        s.family = FamilyOf(mode);
        if (mode != RIG_MODE_NONE) s.modeName = QString::fromLatin1(rig_strrmode(mode));
        if (m_last && *m_last == s) return;
        m_last = s;
        emit Status(s);
    }

    // The speed the radio's keyer can take nearest to the keyer's.
    int KeyerWpm(int speed) const
    {
        int wpm = WpmFromKeyerSpeed(speed);
        const gran_t& g = m_rig->state.level_gran[rig_setting2idx(RIG_LEVEL_KEYSPD)];
        if (g.max.i > g.min.i) wpm = std::clamp(wpm, g.min.i, g.max.i);
        return wpm;
    }

    // The sections go one at a time: the speed of the next may change only
    // once the radio has sent the one before.
    void NextSection()
    {
        while (m_morseActive && m_rig) {
            if (m_morse.isEmpty()) {
                EndMorse(MorseEnd::Sent);
                return;
            }
            const MorseSection section = m_morse.takeFirst();
            const QString text = RadioMorseText(section.text);
            if (text.isEmpty()) continue;
            const int wpm = KeyerWpm(section.speed);
            if (wpm != m_keyspd) {
                value_t v;
                v.i = wpm;
                const int rc = Call([&] { return rig_set_level(m_rig, RIG_VFO_CURR, RIG_LEVEL_KEYSPD, v); });
                if (!Check(rc)) return;
                if (rc == RIG_OK) m_keyspd = wpm;
            }
            if (!text.trimmed().isEmpty()) {
                const QByteArray bytes = text.toLatin1();
                const int rc = Call([&] { return rig_send_morse(m_rig, RIG_VFO_CURR, bytes.constData()); });
                if (!Check(rc)) return;
                if (rc != RIG_OK) {
                    ReportFailure("Radio ni oddal CW (" + HamlibErrorText(rc) + ") !");
                    EndMorse(MorseEnd::Failed);
                    return;
                }
            }
            m_morseTimer->start(int(NominalMorseMs(text, wpm)));
            return;
        }
    }

    void SectionTimeUp()
    {
        if (!m_morseActive || !m_rig) return;
        // A radio that can say when its keyer is done has the last word; by
        // now it has little left to send.
        if (m_rig->caps->wait_morse) {
            const int rc = Call([&] { return rig_wait_morse(m_rig, RIG_VFO_CURR); });
            if (!Check(rc)) return;
        }
        NextSection();
    }

    void HaltMorse(MorseEnd end)
    {
        if (!m_morseActive) return;
        m_morseTimer->stop();
        EndMorse(end);
        if (!m_rig) return;
        const int rc = Call([&] { return rig_stop_morse(m_rig, RIG_VFO_CURR); });
        Check(rc);
    }

    void EndMorse(MorseEnd end)
    {
        m_morseActive = false;
        m_morse.clear();
        if (auto ended = std::exchange(m_morseEnded, nullptr)) ended(end);
        if (!m_closing) emit MorseDone(m_morseId, end);
    }

    const RadioSettings m_settings;
    const std::shared_ptr<HamlibLink::Counters> m_counters;
    RIG* m_rig = nullptr;
    QTimer* m_poll = nullptr;
    QTimer* m_retry = nullptr;
    QTimer* m_morseTimer = nullptr;
    bool m_closing = false;
    bool m_linked = false;     // open, and the radio has answered
    bool m_lostShown = false;  // a radio that stays away is reported once
    std::optional<RadioStatus> m_last;
    bool m_pttOn = false;      // as the radio last took it
    bool m_pttWanted = false;  // as the program last asked
    bool m_morseActive = false;
    quint64 m_morseId = 0;
    std::function<void(MorseEnd)> m_morseEnded;
    QList<MorseSection> m_morse;
    int m_keyspd = 0;  // the speed last set on the radio; 0 unknown
};

HamlibLink::HamlibLink(const RadioSettings& settings, QObject* parent)
    : RadioLink(parent), m_counters(std::make_shared<Counters>())
{
    qRegisterMetaType<RadioStatus>();
    qRegisterMetaType<MorseEnd>();
    PrepareHamlib();
    m_thread = new QThread;
    m_thread->setObjectName("radio");
    m_worker = new HamlibWorker(settings, m_counters);
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    // Relayed only while the link is open: nothing arrives after Close.
    connect(m_worker, &HamlibWorker::Linked, this, [this](bool up) { if (m_thread) emit Linked(up); });
    connect(m_worker, &HamlibWorker::Status, this, [this](const RadioStatus& s) { if (m_thread) emit Status(s); });
    connect(m_worker, &HamlibWorker::PttDone, this, [this](bool on) { if (m_thread) emit PttDone(on); });
    connect(m_worker, &HamlibWorker::MorseDone, this,
            [this](quint64 id, MorseEnd end) { if (m_thread) emit MorseDone(id, end); });
    connect(m_worker, &HamlibWorker::Failure, this, [this](const QString& text) { if (m_thread) emit Failure(text); });
    m_thread->start();
    Post([w = m_worker] { w->Start(); });
}

HamlibLink::~HamlibLink() { Close(0); }

template <class F> void HamlibLink::Post(F&& f)
{
    if (!m_worker) return;
    HamlibWorker* w = m_worker;
    QMetaObject::invokeMethod(w, [w, f = std::forward<F>(f)] { w->Safely(f); }, Qt::QueuedConnection);
}

void HamlibLink::SetContestMode(ContestMode mode)
{
    Post([w = m_worker, mode] { w->SetContestMode(mode); });
}

void HamlibLink::SetPtt(bool on)
{
    Post([w = m_worker, on] { w->SetPtt(on); });
}

quint64 HamlibLink::SendMorse(const QList<MorseSection>& sections, std::function<void(MorseEnd)> ended)
{
    const quint64 id = ++m_lastMorseId;
    if (!m_worker) {
        if (ended) ended(MorseEnd::Failed);
        return id;
    }
    Post([w = m_worker, id, sections, ended = std::move(ended)] { w->SendMorse(id, sections, ended); });
    return id;
}

void HamlibLink::StopMorse()
{
    Post([w = m_worker] { w->StopMorse(); });
}

void HamlibLink::Close(int waitMs)
{
    if (!m_thread) return;
    Post([w = m_worker] { w->Shutdown(); });
    m_worker = nullptr;
    QThread* t = std::exchange(m_thread, nullptr);
    if (t->wait(QDeadlineTimer(waitMs))) {
        delete t;
        return;
    }
    // Still inside a call to the radio: the thread ends when it returns.
    connect(t, &QThread::finished, t, &QObject::deleteLater);
    if (t->isFinished()) t->deleteLater();
}

HamlibLink::CallCounts HamlibLink::Calls() const
{
    return {m_counters->begun.load(), m_counters->ended.load()};
}

void HamlibLink::RunOnRadioThread(std::function<void(s_rig*)> f)
{
    Post([w = m_worker, f = std::move(f)] { w->RunForTest(f); });
}

RadioLink* MakeRadioLink(const RadioSettings& settings, QObject* parent)
{
    if (settings.link == RadioLinkKind::None) return nullptr;
    return new HamlibLink(settings, parent);
}

}  // namespace zox

#include "HamlibLink.moc"
