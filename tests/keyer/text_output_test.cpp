// An output with a keyer of its own (a radio's) is given each send as text
// in runs of one speed, and the send ends when that keyer says so: the speed
// sections as the markers make them, PTT around it with its lead and tail,
// stops, new sends, and a text the output could not send. On the virtual clock.

#include "KeyerTestSupport.h"

#include <string>

namespace zox::test {
namespace {

// Records what it is given, when; a text ends `takesMs` after it was given,
// sent or (with `fails`) not.
class TTextOutput final : public TKeyOutput {
public:
    struct Event {
        double Ms;
        std::string What;
        bool operator==(const Event&) const = default;
        friend void PrintTo(const Event& e, std::ostream* os) { *os << "{" << e.Ms << " ms, " << e.What << "}"; }
    };

    TTextOutput(KeyerPlatform& clock, bool ptt) : m_clock(clock), m_ptt(ptt) {}

    void Apply(Time, const TKeyEvent& e) override
    {
        if (e.Kind == TKeyEvent::Ptt) Log(e.Value ? "PTT on" : "PTT off");
        else if (e.Kind == TKeyEvent::Control && e.Key) Log("key down");
    }
    bool HasPtt() const override { return m_ptt; }
    bool KeysText() const override { return true; }
    void KeyText(const std::vector<TTextSection>& sections) override
    {
        std::string text;
        for (const TTextSection& s : sections) text += "[" + s.Text.toStdString() + "]" + std::to_string(s.Speed);
        Log("text " + text);
        const std::lock_guard lock(m_mutex);
        m_endsAt = Now() + takesMs;
        m_sending = true;
    }
    std::optional<bool> TextEnded() override
    {
        const std::lock_guard lock(m_mutex);
        if (m_sending && Now() < m_endsAt) return std::nullopt;
        m_sending = false;
        return !fails;
    }
    void StopText() override
    {
        Log("stop");
        const std::lock_guard lock(m_mutex);
        m_sending = false;
    }

    std::vector<Event> Events() const
    {
        const std::lock_guard lock(m_mutex);
        return m_events;
    }

    std::atomic<double> takesMs{100};
    std::atomic<bool> fails{false};

private:
    double Now() const { return std::chrono::duration<double, std::milli>(m_clock.Now()).count(); }
    void Log(std::string what)
    {
        const double now = Now();
        const std::lock_guard lock(m_mutex);
        m_events.push_back({now, std::move(what)});
    }

    KeyerPlatform& m_clock;
    const bool m_ptt;
    mutable std::mutex m_mutex;
    std::vector<Event> m_events;
    double m_endsAt = 0;
    bool m_sending = false;
};

class TextOutputFixture : public ::testing::Test {
protected:
    void Make(bool ptt)
    {
        keyer.reset();  // one keying thread on the clock at a time
        auto output = std::make_unique<TTextOutput>(clock, ptt);
        out = output.get();
        keyer = std::make_unique<TCwKeyer>(&clock, std::move(output));
        keyer->SetSpeed(120);
        keyer->SetHiSpeed(150);
        keyer->SetHiSpeed1(170);
    }
    void SetUp() override { Make(false); }
    void TearDown() override { keyer.reset(); }
    void Finish() { ASSERT_TRUE(test::Finish(clock, *keyer)); }
    double NowMs() { return std::chrono::duration<double, std::milli>(clock.Now()).count(); }

    using E = TTextOutput::Event;
    TVirtualKeyerPlatform clock;
    TTextOutput* out = nullptr;
    std::unique_ptr<TCwKeyer> keyer;
};

TEST_F(TextOutputFixture, TheTextGoesInRunsOfOneSpeedAsTheMarkersMakeThem)
{
    const struct {
        const char* text;
        std::string sections;
        int speedAfter;
    } cases[] = {
        {"cq test", "[CQ TEST]120", 120},
        {"TU $5NN$ 77", "[TU ]120[5NN]170[ 77]120", 120},
        {"%CQ% TEST", "[CQ]150[ TEST]120", 120},
        // "$" and "%" share the one saved speed: closing "%" after a "$"
        // section goes back to the speed "$" saved.
        {"%A$B$C%D", "[A]150[B]170[CD]150", 150},
        // A section left open at the end keeps its speed in force.
        {"$QSO B4", "[QSO B4]170", 170},
        {"$$", "", 120},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        keyer->SetSpeed(120);
        std::vector<bool> ends;
        const double start = NowMs();
        const auto before = out->Events().size();
        keyer->SendText(c.text, [&](bool toTheEnd) { ends.push_back(toTheEnd); });
        Finish();
        const auto events = out->Events();
        ASSERT_EQ(events.size(), before + 1);
        EXPECT_EQ(events.back(), (E{start, "text " + c.sections}));
        // Done once the output's keyer has sent it, not before; nothing keyed here.
        EXPECT_EQ(ends, std::vector<bool>{true});
        EXPECT_EQ(NowMs(), start + 100);
        EXPECT_EQ(keyer->Speed(), c.speedAfter);
        EXPECT_TRUE(keyer->Stop());
    }
}

TEST_F(TextOutputFixture, PttForCwLeadsTheTextAndTrailsItsEnd)
{
    Make(true);
    keyer->SetPttTiming({true, 30, 100});
    out->takesMs = 400;
    bool ended = false;
    keyer->SendText("TEST", [&](bool toTheEnd) { ended = toTheEnd; });
    Finish();
    EXPECT_TRUE(ended);
    clock.RunUntil(milliseconds(1000));
    EXPECT_EQ(out->Events(), (std::vector<E>{{0, "PTT on"}, {30, "text [TEST]120"}, {530, "PTT off"}}));

    // Voice only: the text goes at once and PTT stays off.
    keyer->SetPttTiming({false, 30, 100});
    keyer->SendText("E");
    Finish();
    clock.RunUntil(milliseconds(2000));
    EXPECT_EQ(out->Events().size(), size_t(4));
    EXPECT_EQ(out->Events().back(), (E{1000, "text [E]120"}));
}

TEST_F(TextOutputFixture, AStopOrANewSendEndsTheTextAtOnce)
{
    out->takesMs = 1000;
    std::vector<std::string> log;
    keyer->SendText("%CQ CQ", [&](bool end) { log.push_back(end ? "CQ sent" : "CQ stopped"); });
    clock.At(milliseconds(200), [&] { keyer->SetStop(true); });
    Finish();
    EXPECT_EQ(log, std::vector<std::string>{"CQ stopped"});
    EXPECT_EQ(keyer->Speed(), 120);  // the open section is closed by the stop
    EXPECT_EQ(out->Events(), (std::vector<E>{{0, "text [CQ CQ]150"}, {200, "stop"}}));

    // A memory key during a send: the rest of the first gives way to the second.
    clock.At(milliseconds(500), [&] {
        keyer->SendText("TU", [&](bool end) { log.push_back(end ? "TU sent" : "TU replaced"); });
    });
    clock.At(milliseconds(300), [&] {
        keyer->SendText("QRZ", [&](bool end) { log.push_back(end ? "QRZ sent" : "QRZ replaced"); });
    });
    clock.RunUntil(milliseconds(600));
    Finish();
    EXPECT_EQ(log, (std::vector<std::string>{"CQ stopped", "QRZ replaced", "TU sent"}));
    const auto events = out->Events();
    EXPECT_EQ(std::vector<E>(events.begin() + 2, events.end()),
              (std::vector<E>{{300, "text [QRZ]120"}, {500, "stop"}, {500, "text [TU]120"}}));
}

TEST_F(TextOutputFixture, ATextTheOutputCouldNotSendEndsAsStopped)
{
    out->fails = true;
    std::vector<bool> ends;
    keyer->SendText("%CQ", [&](bool toTheEnd) { ends.push_back(toTheEnd); });
    Finish();
    EXPECT_EQ(ends, std::vector<bool>{false});
    EXPECT_EQ(keyer->Speed(), 120);
    // Keyed text and the Tune key go nowhere else: this output keys no elements.
    keyer->ManualKeyDown();
    clock.RunUntil(clock.Now() + milliseconds(50));
    keyer->ManualKeyUp();
    clock.RunUntil(clock.Now() + milliseconds(50));
    EXPECT_EQ(out->Events().back().What, "key down");
}

}  // namespace
}  // namespace zox::test
