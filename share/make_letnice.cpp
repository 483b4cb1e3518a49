// Builds the year-number table file from its plain-text source:
// one call sign and year number a line, blank lines and lines starting with '#' ignored.
#include "log/uData.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: zox-make-letnice SOURCE.txt TARGET.dat\n");
        return 2;
    }
    const QString src = QString::fromLocal8Bit(argv[1]);
    const QString dst = QString::fromLocal8Bit(argv[2]);
    QFile in(src);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(in.errorString()));
        return 1;
    }
    const QString tmp = dst + ".new";
    QFile::remove(tmp);
    try {
        zox::TDataFrm::CreateLetniceTable(tmp);
        zox::Table t;
        t.setTableName(tmp);
        t.open();
        QTextStream ts(&in);
        int lineNo = 0;
        while (!ts.atEnd()) {
            const QString line = ts.readLine().trimmed();
            ++lineNo;
            if (line.isEmpty() || line.startsWith('#')) continue;
            const QStringList parts = line.split(QRegularExpression(QStringLiteral("\\s+")));
            if (parts.size() != 2) {
                std::fprintf(stderr, "%s:%d: expected a call sign and a year number\n", argv[1], lineNo);
                return 1;
            }
            t.insert();
            t.setField("Znak", parts[0].toUpper());
            t.setField("Letnica", parts[1]);
            t.post();
        }
        t.close();
    } catch (const zox::storage::EngineError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        QFile::remove(tmp);
        return 1;
    }
    QFile::remove(dst);
    if (!QFile::rename(tmp, dst)) {
        std::fprintf(stderr, "%s: cannot replace\n", argv[2]);
        return 1;
    }
    return 0;
}
