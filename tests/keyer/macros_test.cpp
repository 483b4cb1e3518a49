// Keyer memories: the macro expander, the F-key send rules (duplicate,
// after-send actions, nested sends, F1 in SSB) and the memory edit command.

#include "KeyerTestSupport.h"
#include "keyer/Macros.h"
#include "ui/MemoryEdit.h"
#include "ui/base/ScriptedDialogs.h"

#include <string>
#include <vector>

namespace zox::test {
namespace {

using A = TAfterSend;

const MacroContext kContext{QStringLiteral("X9XX"), QStringLiteral("X9ABC"), QStringLiteral("69")};

std::string Name(A a)
{
    switch (a) {
    case A::None: return "none";
    case A::GotoHisMulti: return "goto his multi";
    case A::Save: return "save";
    }
    return "?";
}

TEST(ExpandMacros, Table)
{
    const struct {
        const char* memory;
        const char* text;
        A action;
    } cases[] = {
        {"TU <MYCALL> 5NN <HISCALL>", "TU X9XX 5NN X9ABC", A::None},
        {"<HISCALL> 5NN <MYMULTI> <GOTOHISMULTI>", "X9ABC 5NN 69 ", A::GotoHisMulti},
        {"TU <SAVE>", "TU ", A::Save},
        {"<SAVE><GOTOHISMULTI>", "", A::GotoHisMulti},  // the last action word wins
        {"<GOTOHISMULTI> <SAVE>", " ", A::Save},
        {"<MYCALL> <MYCALL>", "X9XX X9XX", A::None},
        {"<mycall>", "", A::None},  // words are upper case only
        {"<Save>", "", A::None},
        {"<FOO> <MYCALL>", " X9XX", A::None},
        {"<FOO><MYCALL>", "X9XX", A::None},
        {"<>TEST", "TEST", A::None},
        {"CQ <MYC", "CQ ", A::None},  // never closed: dropped with the rest
        {"CQ <MYCALL> <SAVE", "CQ X9XX ", A::None},
        {"5NN > TU", "5NN > TU", A::None},  // ">" outside a word is text
        {"A<B>C>D", "AC>D", A::None},
        {"$QSO B4$ %<HISCALL>%", "$QSO B4$ %X9ABC%", A::None},  // speed markers pass
        {"tu  <MYCALL>  ", "tu  X9XX  ", A::None},  // text kept as it is
        // A "<" inside a word stays in the leftover and spoils the next word.
        {"<<MYCALL> <HISCALL>", " ", A::None},
        {"", "", A::None},
    };
    for (const auto& c : cases) {
        const MacroResult r = ExpandMacros(QString::fromUtf8(c.memory), kContext);
        EXPECT_EQ(r.Text.toStdString(), c.text) << "memory '" << c.memory << "'";
        EXPECT_EQ(Name(r.Action), Name(c.action)) << "memory '" << c.memory << "'";
    }
}

TEST(ExpandMacros, EmptyValuesInsertNothing)
{
    const MacroResult r = ExpandMacros(QStringLiteral("TU <MYCALL>/<HISCALL>/<MYMULTI>"), MacroContext{});
    EXPECT_EQ(r.Text, QStringLiteral("TU //"));
}

// The main window's side of the send command, as a list of what happened.
class MemorySend : public ::testing::Test {
protected:
    void SetUp() override
    {
        memory[1] = QStringLiteral("<HISCALL> 5NN <MYMULTI> <GOTOHISMULTI>");
        memory[2] = QStringLiteral("TU <SAVE>");
        memory[3] = QStringLiteral("CQ NLT <MYCALL>");
        memory[5] = QStringLiteral("<SAVE>");
        auto& h = sender.Hooks();
        h.Memory = [this](int slot) { return memory[slot]; };
        h.IsDupe = [this] { return dupe; };
        h.Context = [this] { return MacroContext{QStringLiteral("X9XX"), hisCall, QStringLiteral("69")}; };
        // A keyer that keys at once: the send ends before SendText returns,
        // a key pressed during it ending first.
        h.SendText = [this](const QString& text, std::function<void()> done) {
            log.push_back("send " + text.toStdString());
            if (duringSend) {
                auto inner = std::move(duringSend);  // the operator presses one key
                duringSend = nullptr;
                inner();
            }
            if (done) done();
        };
        h.ClearLine = [this] { log.push_back("clear"); };
        h.FocusHisMulti = [this] { log.push_back("focus his multi"); };
        h.Save = [this] { log.push_back("save"); };
        h.IsSsb = [this] { return ssb; };
        h.PlayVoice = [this] { log.push_back("voice"); };
    }

    TKeyerMemory memory;
    TMemorySender sender;
    bool dupe = false;
    bool ssb = false;
    QString hisCall = QStringLiteral("X9ABC");
    std::function<void()> duringSend;
    std::vector<std::string> log;
};

using Log = std::vector<std::string>;

TEST_F(MemorySend, SendsTheExpandedMemoryThenActs)
{
    sender.Send(1);
    sender.Send(2);
    sender.Send(3);
    EXPECT_EQ(log, (Log{"send X9ABC 5NN 69 ", "focus his multi", "send TU ", "save", "send CQ NLT X9XX"}));
}

TEST_F(MemorySend, ReadsTheCallFieldWhenSent)
{
    hisCall = QStringLiteral("X9ABC");
    sender.Send(1);
    hisCall = QStringLiteral("S50XYZ");
    sender.Send(1);
    EXPECT_EQ(log[0], "send X9ABC 5NN 69 ");
    EXPECT_EQ(log[2], "send S50XYZ 5NN 69 ");
}

TEST_F(MemorySend, EmptyTextStillActs)
{
    sender.Send(5);
    EXPECT_EQ(log, (Log{"send ", "save"}));
}

TEST_F(MemorySend, DuplicateSendsQsoB4AndClearsTheLineInstead)
{
    dupe = true;
    for (int slot : {2, 5, 8}) {
        log.clear();
        sender.Send(slot);
        EXPECT_EQ(log, (Log{"send $QSO B4$", "clear"})) << "F" << slot;
    }
}

TEST_F(MemorySend, KeyPressedDuringASendActsFirst)
{
    duringSend = [this] { sender.Send(2); };
    sender.Send(1);
    EXPECT_EQ(log, (Log{"send X9ABC 5NN 69 ", "send TU ", "save", "focus his multi"}));
}

TEST_F(MemorySend, DuplicateKeyDuringASend)
{
    duringSend = [this] {
        dupe = true;
        sender.Send(3);
    };
    sender.Send(2);
    EXPECT_EQ(log, (Log{"send TU ", "send $QSO B4$", "clear", "save"}));
}

TEST_F(MemorySend, FirstKeySpeaksInSsbDuplicateOrNot)
{
    ssb = true;
    dupe = true;
    sender.Send(1);
    dupe = false;
    sender.Send(1);
    sender.Send(3);  // the others key their memory in SSB too
    EXPECT_EQ(log, (Log{"voice", "voice", "send CQ NLT X9XX"}));
}

TEST_F(MemorySend, OnlySlotsOneToEight)
{
    sender.Send(0);
    sender.Send(9);
    EXPECT_TRUE(log.empty());
}

TEST(MemorySendUnset, MissingHooksDoNothing)
{
    TMemorySender sender;
    EXPECT_NO_THROW(sender.Send(1));
    EXPECT_NO_THROW(sender.Send(2));
}

// With the real keyer: the second key stops the rest of the first message,
// which acts at once; the second acts when it has been keyed.
class MemorySendKeyer : public KeyerFixture {};

TEST_F(MemorySendKeyer, SecondKeyCutsTheFirstAndBothAct)
{
    keyer->Memory()[1] = QStringLiteral("CQ CQ CQ <GOTOHISMULTI>");
    keyer->Memory()[2] = QStringLiteral("<HISCALL> <SAVE>");
    Log log;
    std::vector<double> sendEnds;
    TMemorySender sender;
    auto& h = sender.Hooks();
    h.Memory = [this](int slot) { return keyer->Memory()[slot]; };
    h.Context = [] { return MacroContext{QStringLiteral("X9XX"), QStringLiteral("E"), {}}; };
    h.SendText = [&](const QString& text, std::function<void()> done) {
        keyer->SendText(text, [&, text, done](bool) {
            log.push_back("sent " + text.toStdString());
            sendEnds.push_back(NowMs());
            if (done) done();
        });
    };
    h.FocusHisMulti = [&] { log.push_back("focus his multi"); };
    h.Save = [&] { log.push_back("save"); };

    double pressedAt = -1;
    clock.At(milliseconds(1000), [&] {
        pressedAt = NowMs();
        sender.Send(2);
    });
    sender.Send(1);
    Finish();
    ASSERT_EQ(pressedAt, 1000);
    EXPECT_EQ(log, (Log{"sent CQ CQ CQ ", "focus his multi", "sent E ", "save"}));
    ASSERT_EQ(sendEnds.size(), 2u);
    // The first message stops at its next slot, at most a dash and a gap later,
    // and the rest of it is dropped.
    EXPECT_GE(sendEnds[0], pressedAt);
    EXPECT_LE(sendEnds[0], pressedAt + 4 * 45);
    EXPECT_EQ(sendEnds[1], sendEnds[0] + 7 * 45);  // "E ": a dot and its gaps, then a space
}

TEST(EditMemory, AsksWithTheSlotNumberAndStoresUpperCase)
{
    TVirtualKeyerPlatform clock;
    TCwKeyer keyer(&clock);
    ScriptedDialogs dlg;
    dlg.answerText(QStringLiteral("tu <mycall> 73"));
    EXPECT_TRUE(EditMemory(keyer.Memory(), 3));
    ASSERT_EQ(dlg.count(), 1);
    EXPECT_EQ(dlg.last().question, ScriptedDialogs::Question::Text);
    EXPECT_EQ(dlg.last().title, QStringLiteral("Spomin F3"));
    EXPECT_EQ(dlg.last().text, QStringLiteral("Vpiši text"));
    EXPECT_EQ(dlg.last().value, QStringLiteral("F4"));  // slot 3 of a new keyer
    EXPECT_EQ(dlg.last().caseMode, 1);
    EXPECT_EQ(keyer.Memory()[3], QStringLiteral("TU <MYCALL> 73"));
    for (int slot : {1, 2, 4, 5, 6, 7, 8}) EXPECT_EQ(keyer.Memory()[slot], QStringLiteral("F%1").arg(slot + 1));
}

TEST(EditMemory, CancelKeepsTheText)
{
    TKeyerMemory memory;
    memory[3] = QStringLiteral("CQ NLT");
    ScriptedDialogs dlg;
    dlg.cancelText();
    EXPECT_FALSE(EditMemory(memory, 3));
    EXPECT_EQ(memory[3], QStringLiteral("CQ NLT"));
}

TEST(EditMemory, ConfirmedEmptyAndOverlongTexts)
{
    TKeyerMemory memory;
    memory[8] = QStringLiteral("OLD");
    ScriptedDialogs dlg;
    dlg.answerText(QString()).answerText(QString(300, QLatin1Char('e')));
    EXPECT_TRUE(EditMemory(memory, 8));
    EXPECT_EQ(memory[8], QString());
    EXPECT_TRUE(EditMemory(memory, 8));
    EXPECT_EQ(memory[8], QString(kMemoryTextLimit, QLatin1Char('E')));
}

TEST(EditMemory, NoQuestionOutsideTheSlots)
{
    TKeyerMemory memory;
    ScriptedDialogs dlg;
    EXPECT_FALSE(EditMemory(memory, 0));
    EXPECT_FALSE(EditMemory(memory, 9));
    EXPECT_EQ(dlg.count(), 0);
}

}  // namespace
}  // namespace zox::test
