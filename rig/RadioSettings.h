#pragma once
// How the program reaches the radio: not at all, a rig model driven by
// Hamlib in this program, or a rigctld that other programs may share.

#include <QString>

namespace zox {

enum class RadioLinkKind { None, Hamlib, Rigctld };

struct RadioSettings {
    RadioLinkKind link = RadioLinkKind::None;
    int model = 0;           // Hamlib's model number (rigctl -l)
    QString device;          // the rig's serial port
    int baud = 0;            // 0: the rig's own rate
    QString host = QStringLiteral("127.0.0.1");
    int port = 4532;
    // How long one exchange with the radio may take before it counts as lost;
    // 0 keeps the rig model's own. A rigctld link defaults to a second rather
    // than Hamlib's ten.
    int timeoutMs = 0;

    bool operator==(const RadioSettings&) const = default;
};

// "none", "hamlib", "rigctld" (any case); false for anything else.
bool LinkKindFromText(const QString& text, RadioLinkKind& kind);
QString LinkKindText(RadioLinkKind kind);

}  // namespace zox
