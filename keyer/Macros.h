#pragma once
// Keyer memories: the macro words, the F-key send command and the memory edit
// command. The main window supplies what they touch (the keyer, the entry line)
// as callbacks, so the rules here run and are tested without a window.

#include "keyer/CwKeyer.h"

#include <QString>

#include <functional>
#include <utility>

namespace zox {

// What the main window does once a memory has been sent.
enum class TAfterSend { None, GotoHisMulti, Save };

// The values the macro words stand for, read when the memory is expanded.
struct MacroContext {
    QString MyCall;   // operator's call sign
    QString HisCall;  // text of the call field
    QString MyMulti;  // operator's own year number
};

struct MacroResult {
    QString Text;  // to be keyed
    TAfterSend Action = TAfterSend::None;
    bool operator==(const MacroResult&) const = default;
};

// Replaces <MYCALL>, <HISCALL> and <MYMULTI>, and takes <GOTOHISMULTI> and
// <SAVE> as the after-send action (the last one wins). The words are upper
// case only; any other word is dropped, and a word never closed is dropped
// with all that follows it. Text outside words (">" included) is kept as is.
MacroResult ExpandMacros(const QString& memory, const MacroContext& ctx);

// Sent instead of any memory while the call is a duplicate (at the fastest speed).
inline const QString kDupeMessage = QStringLiteral("$QSO B4$");

// Memory texts entered with the edit command are at most this long.
constexpr int kMemoryTextLimit = 255;

// What the send command needs of the main window. Unset callbacks do nothing
// (an unset Memory is an empty memory, unset IsDupe / IsSsb are false).
struct TMemorySendHooks {
    std::function<QString(int slot)> Memory;         // text of slot 1..8
    std::function<bool()> IsDupe;                     // the entry line's duplicate flag
    std::function<MacroContext()> Context;            // read at expansion time
    // Hands the text to the keyer and returns at once; `done` runs once it has
    // been keyed or was stopped (at once when there is no keyer).
    std::function<void(const QString& text, std::function<void()> done)> SendText;
    std::function<void()> ClearLine;                  // as "Počisti" when nothing is sent
    std::function<void()> FocusHisMulti;              // cursor to the received year number
    std::function<void()> Save;                       // as the "Shrani" button
    std::function<bool()> IsSsb;                      // mode is SSB
    std::function<void()> PlayVoice;                  // the spoken exchange, F1 in SSB
};

// The command behind F1..F8. Each send does its own after-send action when it
// has ended or was stopped; a key pressed while a memory is keyed starts a
// send that takes the place of the rest of the first, which then acts.
class TMemorySender {
public:
    explicit TMemorySender(TMemorySendHooks hooks = {}) : m_hooks(std::move(hooks)) {}

    TMemorySendHooks& Hooks() { return m_hooks; }

    // Sends memory slot 1..8; other numbers do nothing.
    void Send(int slot);

private:
    TMemorySendHooks m_hooks;
};

}  // namespace zox
