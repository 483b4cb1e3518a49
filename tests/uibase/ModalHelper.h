#pragma once
// Working a modal dialog from a test: the action is queued first, then the code that
// opens the dialog runs; the action runs once the dialog is the active modal window.

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace zox::test {

// Runs `action` on the next modal dialog. A dialog the action leaves open is closed
// after a few seconds, so a fault shows as a failed check rather than a hung test.
inline void OnModal(std::function<void(QWidget*)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        QWidget* dlg = QApplication::activeModalWidget();
        if (!dlg || !dlg->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        QPointer<QWidget> guard(dlg);
        QTimer::singleShot(5000, dlg, [guard] {
            if (guard && guard->isVisible())
                guard->close();
        });
        QTest::qWait(0);
        action(dlg);
    });
    timer->start();
}

// A key as the operator presses it: to the widget that has the focus.
inline void PressKey(QWidget* dlg, Qt::Key key)
{
    QWidget* target = QApplication::focusWidget();
    QTest::keyClick(target && dlg->isAncestorOf(target) ? target : dlg, key);
}

}  // namespace zox::test
