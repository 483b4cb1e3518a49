#include "ui/base/GuardedApplication.h"

#include "ui/base/Dialogs.h"

namespace zox {

bool GuardedApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportLater(ErrorText(std::current_exception()));
    }
    return false;
}

}  // namespace zox
