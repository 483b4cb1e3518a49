#include "keyer/Macros.h"

namespace zox {

MacroResult ExpandMacros(const QString& memory, const MacroContext& ctx)
{
    MacroResult result;
    QString word;  // the open word, and what is left of a word that matched nothing
    bool inside = false;
    for (const QChar c : memory) {
        if (c != QLatin1Char('<') && !inside) {
            result.Text += c;
            continue;
        }
        word += c;
        inside = true;
        if (c != QLatin1Char('>')) continue;

        inside = false;
        // The leftover of an unknown word stays in front of the next one, so
        // take what lies between the first "<" and the first ">".
        const qsizetype open = word.indexOf(QLatin1Char('<'));
        const qsizetype close = word.indexOf(QLatin1Char('>'));
        const QString name = (open >= 0 && open < close) ? word.mid(open + 1, close - open - 1) : QString();
        if (name == QLatin1String("MYCALL")) {
            result.Text += ctx.MyCall;
        } else if (name == QLatin1String("HISCALL")) {
            result.Text += ctx.HisCall;
        } else if (name == QLatin1String("MYMULTI")) {
            result.Text += ctx.MyMulti;
        } else if (name == QLatin1String("SAVE")) {
            result.Action = TAfterSend::Save;
        } else if (name == QLatin1String("GOTOHISMULTI")) {
            result.Action = TAfterSend::GotoHisMulti;
        } else {
            word = name;
            continue;
        }
        word.clear();
    }
    // A word still open at the end is dropped with everything after its "<".
    return result;
}

void TMemorySender::Send(int slot)
{
    if (slot < 1 || slot > 8) return;
    const TMemorySendHooks& h = m_hooks;

    // In SSB the first key speaks the exchange, duplicate or not.
    if (slot == 1 && h.PlayVoice && h.IsSsb && h.IsSsb()) {
        h.PlayVoice();
        return;
    }

    if (h.IsDupe && h.IsDupe()) {
        auto clear = [clearLine = h.ClearLine] {
            if (clearLine) clearLine();
        };
        if (h.SendText) h.SendText(kDupeMessage, std::move(clear));
        else clear();
        return;
    }

    // The action is this send's own, taken now: the hooks may change meanwhile.
    const MacroResult expanded =
        ExpandMacros(h.Memory ? h.Memory(slot) : QString(), h.Context ? h.Context() : MacroContext{});
    auto act = [action = expanded.Action, focus = h.FocusHisMulti, save = h.Save] {
        // Stopped or not, the action follows.
        switch (action) {
        case TAfterSend::GotoHisMulti:
            if (focus) focus();
            break;
        case TAfterSend::Save:
            if (save) save();
            break;
        case TAfterSend::None:
            break;
        }
    };
    if (h.SendText) h.SendText(expanded.Text, std::move(act));
    else act();
}

}  // namespace zox
