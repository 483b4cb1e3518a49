// A program instance for the proof tests, run in its own process: a real main
// window on the offscreen platform, with a fresh program folder and scripted dialogs.
//
//   proof_child save LOG RUN      opens LOG with "Nova" (appending), says READY, then saves
//                                 contacts QRUNA0, QRUNA1, ... as fast as it can and writes
//                                 each call to stdout once its Save has returned; never ends
//                                 by itself (the test kills it)
//   proof_child second LOG open|new
//                                 a second instance: works in a log of its own, then tries to
//                                 open (or create) LOG, says what it was told and whether its
//                                 own log still takes contacts
#include "ui/WindowFixture.h"

#include <QApplication>

#include <cstdio>
#include <unistd.h>

using namespace zox;
using zox::test::Window;

namespace {

void say(const QString& line)
{
    QByteArray b = line.toUtf8();
    b.replace('\n', ' ');
    b.append('\n');
    // One write per line: the test reads whole lines, even after a kill.
    const char* p = b.constData();
    qsizetype left = b.size();
    while (left > 0) {
        const ssize_t n = ::write(1, p, size_t(left));
        if (n <= 0) ::_exit(4);
        p += n;
        left -= n;
    }
}

using Q = ScriptedDialogs::Question;

// What the operator was told: engine errors and the program's own messages.
int told(const ScriptedDialogs& dlg) { return dlg.count(Q::Error) + dlg.count(Q::Message); }

QString dialogs(const ScriptedDialogs& dlg)
{
    QStringList out;
    for (const auto& a : dlg.asked())
        if (a.question == Q::Error || a.question == Q::Message)
            out << (a.question == Q::Error ? "error: " : "message: ") + a.text;
    return out.join(" | ");
}

// Year numbers 10..99, each mode's first use of one is a new multiplier.
QString yearFor(int i) { return QString::number(10 + (i * 7) % 90); }

int saveForever(const QString& log, const QString& run)
{
    Window t;
    t.newLog(log);
    if (!LogOpen || told(t.dlg) != 0) {
        std::fprintf(stderr, "the log did not open: %s\n", qPrintable(dialogs(t.dlg)));
        return 2;
    }
    say("READY");
    for (int i = 0; i < 1'000'000; ++i) {
        const int mode = i % 2;
        if (t.w->cbMode->currentIndex() != mode) t.setMode(mode);
        const QString call = "Q" + run + "A" + QString::number(i);
        t.enter(call, yearFor(i));
        if (told(t.dlg) != 0 || !t.w->edCall->text().isEmpty()) {
            std::fprintf(stderr, "Save of %s did not complete: %s\n", qPrintable(call), qPrintable(dialogs(t.dlg)));
            return 3;
        }
        say(call);
    }
    return 0;
}

int secondInstance(const QString& log, const QString& how)
{
    Window t;
    t.newLog(t.logPath("own.DAT"));
    t.enter("Q1AAA");
    t.dlg.clear();
    if (how == "open") t.openLog(log);
    else t.newLog(log);
    for (const auto& a : t.dlg.asked())
        if (a.question == Q::Error || a.question == Q::Message) say((a.question == Q::Error ? "ERROR " : "MESSAGE ") + a.text);
    say("LOGOPEN " + QString::number(LogOpen ? 1 : 0));
    say("LOGFILE " + t.w->Data.LogTbl.filePath());
    say("TITLE " + t.w->windowTitle());
    t.dlg.clear();
    t.enter("Q1BBB", "55");
    say("AFTER " + dialogs(t.dlg));
    say("LINE " + t.w->edCall->text());
    say("COUNT " + QString::number(t.w->Data.LogTbl.isOpen() ? t.w->Data.LogTbl.recordCount() : -1));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == "save") return saveForever(args[2], args[3]);
    if (args.size() == 4 && args[1] == "second") return secondInstance(args[2], args[3]);
    std::fprintf(stderr, "usage: proof_child save LOG RUN | second LOG open|new\n");
    return 1;
}
