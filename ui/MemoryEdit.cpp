#include "ui/MemoryEdit.h"

#include "keyer/Macros.h"
#include "ui/base/Dialogs.h"

namespace zox {

bool EditMemory(TKeyerMemory& memory, int slot)
{
    if (slot < 1 || slot > 8) return false;
    QString text = memory[slot];
    if (!AskText(QStringLiteral("Spomin F") + QString::number(slot), QStringLiteral("Vpiši text"), text, 1))
        return false;
    memory[slot] = text.toUpper().left(kMemoryTextLimit);
    return true;
}

}  // namespace zox
