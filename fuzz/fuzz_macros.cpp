// Keyer memories as the operator may type them, expanded with any call signs.
// Input: three lines (my call, his call, my year number), then the memory text.

#include "FuzzSupport.h"
#include "keyer/Macros.h"

#include <cstdint>

using namespace zox;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray rest(reinterpret_cast<const char*>(data), qsizetype(size));
    auto line = [&rest] {
        const qsizetype nl = rest.indexOf('\n');
        const QByteArray l = nl < 0 ? rest : rest.left(nl);
        rest = nl < 0 ? QByteArray() : rest.mid(nl + 1);
        return QString::fromUtf8(l);
    };
    MacroContext ctx;
    ctx.MyCall = line();
    ctx.HisCall = line();
    ctx.MyMulti = line();
    const QString memory = QString::fromUtf8(rest);

    const MacroResult r = ExpandMacros(memory, ctx);

    // Text without words comes through untouched.
    if (!memory.contains(u'<')) {
        FUZZ_CHECK(r.Text == memory);
        FUZZ_CHECK(r.Action == TAfterSend::None);
    }
    // Each ">" can stand for one value at most; nothing else grows the text.
    const qsizetype longest = std::max({ctx.MyCall.size(), ctx.HisCall.size(), ctx.MyMulti.size()});
    FUZZ_CHECK(r.Text.size() <= memory.size() + memory.count(u'>') * longest);
    // Without values the words vanish and only memory characters remain.
    const MacroResult bare = ExpandMacros(memory, MacroContext{});
    FUZZ_CHECK(bare.Action == r.Action);
    FUZZ_CHECK(bare.Text.size() <= memory.size());
    return 0;
}
