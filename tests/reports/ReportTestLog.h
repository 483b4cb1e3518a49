#pragma once
// Logs made for the report tests, and the golden files they are checked against.

#include "log/uData.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTime>

#include <optional>
#include <vector>

namespace zox::test {

struct Qso {
    QString date;  // ISO, "" for none
    QString utc;   // HH:mm:ss, "" for none
    QString call, mode, rsts, rstr, multiR;
    std::optional<qint64> multiP;
    std::optional<qint64> point;
};

// A folder for logs; in memory where the system has one, because every post
// is synced to disk and big logs would take minutes on a real disk.
inline QString fastTempBase()
{
    return QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm/zox-reports-XXXXXX")
                                     : QDir::temp().filePath(QStringLiteral("zox-reports-XXXXXX"));
}

// A log file with its three cursors open, as the program has it.
class TestLog {
    QTemporaryDir m_dir;  // first made, last gone

public:
    TestLog() : m_dir(fastTempBase()) { open(path("log.DAT")); }
    explicit TestLog(const std::vector<Qso>& qsos) : TestLog() { add(qsos); }

    TDataFrm data;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    void add(const std::vector<Qso>& qsos)
    {
        for (const Qso& q : qsos) add(q);
    }
    void add(const Qso& q)
    {
        Table& t = data.LogTbl;
        t.insert();
        if (!q.date.isEmpty()) t.setField("Date", QDate::fromString(q.date, Qt::ISODate));
        if (!q.utc.isEmpty()) t.setField("Utc", QTime::fromString(q.utc, "HH:mm:ss"));
        t.setField("Call", q.call);
        t.setField("Mode", q.mode);
        t.setField("Band", "80");
        t.setField("RstS", q.rsts);
        t.setField("RstR", q.rstr);
        t.setField("MultiR", q.multiR);
        t.setField("MultiP", q.multiP ? QVariant(*q.multiP) : QVariant());
        t.setField("Point", q.point ? QVariant(*q.point) : QVariant());
        t.setField("Contest", "ZOX Contes");
        t.post();
    }
    // Closes the cursors, so that another process may open the file.
    void close()
    {
        data.LogTbl1.close();
        data.LogTbl2.close();
        data.LogTbl.close();
    }
    QString logPath() const { return path("log.DAT"); }

    QByteArray bytes(const QString& name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void write(const QString& name, const QByteArray& bytes) const
    {
        QFile f(path(name));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
    }

private:
    void open(const QString& file)
    {
        data.CreateLogTable(file);
        data.LogTbl.setTableName(file);
        data.LogTbl1.setTableName(file);
        data.LogTbl2.setTableName(file);
        data.LogTbl1.setIndexName("byCallBand");
        data.LogTbl2.setIndexName("byBandMulti");
        data.LogTbl.open();
        data.LogTbl1.open();
        data.LogTbl2.open();
    }
};

inline QByteArray golden(const char* name)
{
    QFile f(QStringLiteral(ZOX_GOLDEN_DIR "/") + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly)) return QByteArray("missing golden file ") + name;
    return f.readAll();
}

// The file's lines without their CR LF, for readable differences.
inline QList<QByteArray> crlfLines(const QByteArray& bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    for (auto& l : lines)
        if (l.endsWith('\r')) l.chop(1);
    return lines;
}

}  // namespace zox::test
