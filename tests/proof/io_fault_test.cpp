// Every operation that touches a log, with the k-th file operation failing for
// every k until the operation gets through: with SQLITE_IOERR, then SQLITE_FULL.
// After each run: no crash, success was reported exactly when the change is in
// the file, the file is sound, every acknowledged contact is in it, and the
// window's line and figures match the file.
#include "FaultVfs.h"
#include "proof/ProofSupport.h"
#include "ui/WindowFixture.h"

#include "scoring/Score.h"

#include <QCryptographicHash>

#include <climits>

using namespace zox;
using namespace zox::proof;
using zox::test::FaultArmed;
using zox::test::FaultVfs;
using zox::test::Window;
using Q = ScriptedDialogs::Question;

namespace {

enum class Op { Save, Correction, Delete, Recheck, Open, New, Listing, Summary, Adif, Cabrillo };

const char* const kOpNames[] = {"save", "correction", "delete", "recheck", "open", "new", "listing", "summary", "adif", "cabrillo"};
constexpr qint64 kTouched = 500;  // the QSO corrected or deleted

// What the window shows of the log, and its entry line.
struct Shown {
    QStringList figures;  // score labels, rate labels, the count
    QStringList line;     // call, year number, time, correcting
    QString log;          // the log open, empty when none
    bool operator==(const Shown&) const = default;
};

Shown shown(Window& t)
{
    return {t.scoreLabels() + t.rateLabels() + QStringList{t.status()},
            {t.w->edCall->text(), t.w->edHisMulti->text(), t.w->edUtc->text(), t.w->Session.Correcting() ? "1" : "0"},
            t.w->Session.LogPath()};
}

// The figures the window must show for what is in the file.
QStringList figuresOf(const StoredLog& s)
{
    ScoreTotals totals;
    HourCounts rates;
    for (const auto& r : s.rows) {
        auto value = [&](const char* n) { return r.at(n).type == "null" ? QVariant() : QVariant(r.at(n).text); };
        totals.Count(r.at("Mode").text, value("Point"), value("MultiP"));
        rates.Count(QTime::fromString(r.at("Utc").text, "HH:mm:ss"));
    }
    const auto n = [](qint32 v) { return QString::number(v); };
    return {n(totals.CwTocke), n(totals.CwMulti), n(totals.SsbTocke), n(totals.SsbMulti), n(totals.SkpTocke),
            n(totals.SkpMnoz), n(totals.Rezultat()), RateText(rates.PrvaUra), RateText(rates.DrugaUra),
            RateText(rates.Povprecje()), QString::number(s.rows.size()) + "  zvez !"};
}

// Where the stored marks differ from the rule, or empty.
QString marksAgainstTheRule(const StoredLog& s)
{
    RuleWalk walk;
    for (const auto& r : s.rows) {
        const QsoMarks m = walk.Next(r.at("Call").text, r.at("Mode").text, r.at("MultiR").text);
        const bool pointOk = r.at("Point").type == "integer" && r.at("Point").text.toInt() == m.point;
        const bool multiOk = m.multiP.isNull() ? r.at("MultiP").type == "null" : r.at("MultiP").text.toLongLong() == m.multiP.toLongLong();
        if (!pointOk || !multiOk) return "QSO " + r.at("Vexa").text + " has marks " + r.at("Point").text + "/" + r.at("MultiP").text;
    }
    return {};
}

QStringList callsOf(const StoredLog& s)
{
    QStringList out;
    for (const auto& r : s.rows) out << r.at("Vexa").text + ":" + r.at("Call").text;
    return out;
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

qint64 scalarOf(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    qint64 out = -1;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW) out = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    sqlite3_close_v2(db);
    return out;
}

void run(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    sqlite3_close_v2(db);
}

}  // namespace

class IoFaultTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_template;
    std::map<Op, QByteArray> m_reference;  // each report written without a fault

    // One run of `op` with the k-th file operation failing; `reference` fills
    // m_reference (run without a fault). Returns whether the fault happened.
    bool runOnce(Op op, long k, int code)
    {
        Window t;
        UserInfo.User.Call = "Q5OP";
        UserInfo.User.Multi = "47";
        const QString big = t.logPath("big.DAT"), current = t.logPath("current.DAT"), fresh = t.logPath("fresh.DAT");
        QFile::copy(m_template, big);
        // (The copy keeps the template's table name.)
        if (op == Op::Recheck)
            run(big, "UPDATE template SET Point = 0 WHERE Vexa % 97 = 0; UPDATE template SET MultiP = NULL WHERE Vexa % 89 = 0");
        const StoredLog before = readStoredLog(big);
        if (op == Op::Open) {
            t.newLog(current);
            t.enter("Q1CUR", "11");
        } else {
            t.openLog(big);
        }
        QString output;
        switch (op) {
        case Op::Save:
            t.w->edCall->setFocus();
            QTest::keyClicks(t.w->edCall, "Q9NEW");
            QTest::keyClick(t.w->edCall, Qt::Key_Tab);
            QTest::keyClicks(t.w->edHisMulti, "47");
            break;
        case Op::Correction:
            t.w->Data.LogTbl.gotoRecordId(kTouched);
            t.w->UrediZvezo->trigger();
            t.w->edCall->selectAll();
            QTest::keyClicks(t.w->edCall, "Q9COR");
            break;
        case Op::Delete:
            t.w->Data.LogTbl.gotoRecordId(kTouched);
            t.dlg.answerMessage(mrYes);
            break;
        case Op::Recheck: t.dlg.answerMessage(mrOk); break;
        case Op::Open: t.dlg.answerFile(big); break;
        case Op::New: t.dlg.answerFile(fresh); break;
        case Op::Listing: output = Dir.Txt + "Q5OP.txt"; break;
        case Op::Summary: output = Dir.Txt + "Q5OP.sum"; break;
        case Op::Adif:
            output = Dir.Adif + "out.adi";
            t.dlg.answerFile(output);
            break;
        case Op::Cabrillo:
            output = Dir.Cabrillo + "out.log";
            t.dlg.answerFile(output).answerMessage(mrOk);
            break;
        }
        QDir().mkpath(Dir.Txt);
        QDir().mkpath(Dir.Adif);
        QDir().mkpath(Dir.Cabrillo);
        const Shown pre = shown(t);
        bool fired = false;
        {
            FaultArmed armed(k, code);
            switch (op) {
            case Op::Save:
            case Op::Correction: QTest::keyClick(t.w->edCall, Qt::Key_Return); break;
            case Op::Delete: t.w->IzbrisiZvezo->trigger(); break;
            case Op::Recheck: t.w->SpeedItem9->click(); break;
            case Op::Open: t.w->Odpri1->trigger(); break;
            case Op::New: t.w->Nova1->trigger(); break;
            case Op::Listing: t.w->LogKreiraj->trigger(); break;
            case Op::Summary: t.w->ZbirniKreiraj->trigger(); break;
            case Op::Adif: t.w->Adif1->trigger(); break;
            case Op::Cabrillo: t.w->Cabrillo1->trigger(); break;
            }
            fired = FaultVfs::fired();
        }
        // Refused: the command's error display, or one of the program's warnings.
        bool reported = t.dlg.count(Q::Error) == 0;
        for (const auto& a : t.dlg.asked())
            if (a.question == Q::Message && a.kind == mtWarning && a.buttons == mbOK) reported = false;
        // A grid that could not read its rows afterwards says so from the event
        // loop; the command's outcome stands.
        QCoreApplication::processEvents();
        const QString what = QString("%1, k=%2 (%3), code %4: ").arg(kOpNames[int(op)]).arg(k).arg(fired ? FaultVfs::firedAt() : "none").arg(code);
        if (!fired && !reported) {
            QTest::qFail(qPrintable(what + "failed without a fault: " + t.dlg.last().text), __FILE__, __LINE__);
            return false;
        }
        if (qEnvironmentVariableIsSet("ZOX_IO_FAULT_TRACE") && !reported) qInfo("%s%s", qPrintable(what), qPrintable(t.dlg.last().text));
        Shown after = shown(t);
        bool changed = reported;
        if (op == Op::Save || op == Op::Correction) {
            if (reported) {
                if (after.line[0] != QString()) QTest::qFail(qPrintable(what + "saved, yet the line stays"), __FILE__, __LINE__);
            } else {
                // Nothing happened: the line, the log and the figures as they were.
                if (after != pre) {
                    QTest::qFail(qPrintable(what + "refused, yet the window changed: " + after.figures.join(' ') + " | " +
                                            after.line.join(' ') + " was " + pre.figures.join(' ') + " | " + pre.line.join(' ')),
                                 __FILE__, __LINE__);
                    return fired;
                }
                // And the program goes on: the same line saves now.
                t.dlg.clear();
                QTest::keyClick(t.w->edCall, Qt::Key_Return);
                if (t.dlg.count(Q::Error) != 0 || !t.w->edCall->text().isEmpty()) {
                    QTest::qFail(qPrintable(what + "the line does not save once the fault is gone: " + t.dlg.last().text),
                                 __FILE__, __LINE__);
                    return fired;
                }
                changed = true;
                after = shown(t);
            }
        } else if (!reported && op != Op::Open && op != Op::New && after.log == big && after.figures != pre.figures) {
            QTest::qFail(qPrintable(what + "refused, yet the figures changed"), __FILE__, __LINE__);
            return fired;
        }
        t.w->close();
        t.w.reset();

        const StoredLog file = readStoredLog(big);
        auto check = [&](bool ok, const QString& why) {
            if (!ok) QTest::qFail(qPrintable(what + why), __FILE__, __LINE__);
            return ok;
        };
        if (!check(file.error.isEmpty() && file.integrity == "ok", "the log is not sound: " + file.error + file.integrity)) return fired;
        // The window shows what is in the file (or no log at all, after a failure).
        if (!after.log.isEmpty() && after.log == big)
            if (!check(after.figures == figuresOf(file), "the window shows " + after.figures.join(' ') + ", the file holds " +
                                                             figuresOf(file).join(' ')))
                return fired;
        if (after.log.isEmpty() && !check(!reported, "reported done, yet no log is open")) return fired;
        QStringList want = callsOf(before);
        switch (op) {
        case Op::Save:
            if (changed) want << QString::number(before.rows.size() + 1) + ":Q9NEW";
            check(callsOf(file) == want, "the contacts are not those acknowledged");
            break;
        case Op::Correction:
            if (changed) want[kTouched - 1] = QString::number(kTouched) + ":Q9COR";
            check(callsOf(file) == want, "the contacts are not those acknowledged");
            break;
        case Op::Delete:
            if (changed) want.removeAt(kTouched - 1);
            check(callsOf(file) == want, "deleted when reported " + QString(changed ? "done" : "refused") + "?");
            break;
        case Op::Recheck:
            if (changed) check(marksAgainstTheRule(file).isEmpty(), "reported done, yet " + marksAgainstTheRule(file));
            else check(file.rows == before.rows, "refused, yet the marks changed");
            break;
        case Op::Open:
            check(file.rows == before.rows, "opening changed the log");
            check(after.log == (reported ? big : current), "the log open is " + after.log);
            break;
        case Op::New: {
            const bool exists = QFileInfo::exists(fresh);
            check(exists == reported, QString("the new log ") + (exists ? "exists" : "does not exist"));
            if (exists) {
                const StoredLog n = readStoredLog(fresh);
                check(n.error.isEmpty() && n.integrity == "ok" && n.rows.empty(), "the new log is not sound");
                check(TDataFrm().IsLogFile(fresh) && scalarOf(fresh, "SELECT count(*) FROM sqlite_master WHERE type='index'") == 4,
                      "the new log lacks its fields or indexes");
            }
            check(after.log == (reported ? fresh : big), "the log open is " + after.log);
            check(file.rows == before.rows, "the old log changed");
            break;
        }
        default: {
            check(file.rows == before.rows, "a report changed the log");
            const bool exists = QFileInfo::exists(output);
            if (k == LONG_MAX) m_reference[op] = bytesOf(output);
            check(exists == reported, QString("the report ") + (exists ? "exists" : "does not exist"));
            if (exists) check(bytesOf(output) == m_reference[op], "the report is not whole");
            break;
        }
        }
        if (op != Op::Recheck) check(marksAgainstTheRule(file).isEmpty(), marksAgainstTheRule(file));
        return fired;
    }

private slots:
    void initTestCase()
    {
        FaultVfs::install();
        // A log held open keeps its pages in memory, so a pass over it would
        // touch no file at all: a small heap limit makes SQLite let go of them,
        // and the reads (that can fail) happen.
        sqlite3_soft_heap_limit64(64 * 1024);
        QVERIFY(m_dir.isValid());
        m_template = m_dir.filePath("template.DAT");
        TDataFrm().CreateLogTable(m_template);
        Table t;
        t.setTableName(m_template);
        t.open();
        RuleWalk rule;
        t.startTransaction();
        for (int i = 0; i < 1000; ++i) {
            const QString call = QString("Q%1A%2").arg(i % 7).arg(i % 331, 3, 10, QChar('0'));
            const QString mode = i % 3 ? "CW" : "SSB";
            const QString year = QString::number(20 + (i * 37) % 80);
            const QsoMarks m = rule.Next(call, mode, year);
            t.insert();
            t.setField("Date", QDate(2026, 12, 9));
            t.setField("Utc", QTime(9, 0).addSecs(i * 7));
            t.setField("Call", call);
            t.setField("Mode", mode);
            t.setField("Band", "80");
            t.setField("RstS", mode == "CW" ? "599" : "59");
            t.setField("RstR", mode == "CW" ? "599" : "59");
            t.setField("MultiR", year);
            t.setField("MultiP", m.multiP);
            t.setField("Point", m.point);
            t.setField("Contest", "ZOX");
            t.post();
        }
        t.commit();
    }

    // The grid asks for rows while it is painted; none can be read: one message,
    // no crash, and the program goes on once the fault is gone.
    void gridReadsFail()
    {
        Window t;
        const QString big = t.logPath("big.DAT");
        QFile::copy(m_template, big);
        t.openLog(big);
        t.w->resize(787, 599);
        {
            FaultArmed armed(1, SQLITE_IOERR, true);
            t.w->LogModel->reload();
            t.w->LogGrid->scrollToTop();
            t.w->LogGrid->viewport()->repaint();
            QVERIFY(FaultVfs::fired());
            QCOMPARE(t.w->LogModel->index(0, 2).data().toString(), QString());
        }
        QCoreApplication::processEvents();
        QCOMPARE(t.dlg.count(Q::Error), 1);  // told once, not once for each cell
        QVERIFY2(t.dlg.last().text.contains("big.DAT"), qPrintable(t.dlg.last().text));
        t.dlg.clear();
        t.w->LogModel->reload();
        t.w->LogGrid->viewport()->repaint();
        QCOMPARE(t.w->LogModel->index(0, 2).data().toString(), QString("Q0A000"));
        t.enter("Q9OK", "33");
        QCOMPARE(t.dlg.count(Q::Error), 0);
        QCOMPARE(t.status(), QString("1001  zvez !"));
    }

    void everyFailure_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<int>("code");
        for (int op = 0; op < int(std::size(kOpNames)); ++op)
            for (int code : {SQLITE_IOERR, SQLITE_FULL})
                QTest::addRow("%s %s", kOpNames[op], code == SQLITE_IOERR ? "IOERR" : "FULL") << op << code;
    }

    void everyFailure()
    {
        QFETCH(int, op);
        QFETCH(int, code);
        const Op o = Op(op);
        QVERIFY(!runOnce(o, LONG_MAX, code));  // the operation without a fault, and the reference report
        if (QTest::currentTestFailed()) return;
        long k = 1;
        for (; k < 5000; ++k) {
            const bool fired = runOnce(o, k, code);
            if (QTest::currentTestFailed()) return;
            if (!fired) break;  // got through: every file operation has failed once
        }
        QVERIFY2(k < 5000, "the operation never got through");
        qInfo("%s: %ld file operations, each failed once", kOpNames[op], k - 1);
    }
};

QTEST_MAIN(IoFaultTest)
#include "io_fault_test.moc"
