#pragma once
// The program's ways out that the operator does not choose: SIGTERM, SIGINT
// and SIGHUP (a shutdown, Ctrl+C in a terminal, the terminal closed) close the
// main window as "Konec" does (settings saved, keyer off, key released) and
// end the event loop. Fatal signals and std::terminate are caught earlier, by
// InstallFatalKeyRelease (keyer/KeyRelease.h).

class QWidget;

namespace zox {

void CloseOnTermSignals(QWidget& mainWindow);

}  // namespace zox
