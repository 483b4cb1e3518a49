#pragma once
// The application object of the program: no exception ever leaves an event
// handler into Qt, which does not support it. Whatever a slot, a filter or a
// handler lets through is caught here, reported once the event loop is back,
// and the program goes on.

#include <QApplication>

namespace zox {

class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace zox
