#pragma once
// SIGTERM, SIGINT and SIGHUP end the program the orderly way: the handler only
// writes the signal's number into a pipe, and the event loop reads it and
// emits Received, where the program closes as "Konec" does (settings saved,
// key released). A second such signal, when the first has not ended the
// program, releases the key at once from the handler and ends it.
//
// One watcher at a time; destroying it gives the three signals back their
// default action.

#include <QObject>

class QSocketNotifier;

namespace zox {

class TTermSignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit TTermSignalWatcher(QObject* parent = nullptr);
    ~TTermSignalWatcher() override;

signals:
    void Received(int signal);

private:
    void ReadPipe();

    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace zox
