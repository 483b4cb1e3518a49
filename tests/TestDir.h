#pragma once
// A fresh temporary folder per test, removed afterwards.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace zox::test {

struct TempFolder {
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    QByteArray bytes(const QString& name) const
    {
        QFile f(path(name));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    void write(const QString& name, const QByteArray& data) const
    {
        QFile f(path(name));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(data);
    }
};

}  // namespace zox::test
