#include "rig/RadioSettings.h"

namespace zox {

bool LinkKindFromText(const QString& text, RadioLinkKind& kind)
{
    const QString t = text.trimmed().toLower();
    if (t == "none") kind = RadioLinkKind::None;
    else if (t == "hamlib") kind = RadioLinkKind::Hamlib;
    else if (t == "rigctld") kind = RadioLinkKind::Rigctld;
    else return false;
    return true;
}

QString LinkKindText(RadioLinkKind kind)
{
    switch (kind) {
    case RadioLinkKind::Hamlib: return "hamlib";
    case RadioLinkKind::Rigctld: return "rigctld";
    case RadioLinkKind::None: break;
    }
    return "none";
}

}  // namespace zox
