#pragma once
// What the fuzzers share: a scratch folder for the files they read, and a
// check that stops the run with a message (libFuzzer then keeps the input).

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace zox::fuzz {

// A folder of this process, removed at exit; under $TMPDIR (run.sh sets it).
inline QString ScratchPath(const QString& name)
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/zox-fuzz-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "fuzz: cannot make a scratch folder in %s\n", qPrintable(QDir::tempPath()));
        std::abort();
    }
    return dir.filePath(name);
}

inline void WriteScratch(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "fuzz: cannot write %s\n", qPrintable(path));
        std::abort();
    }
}

[[noreturn]] inline void Fail(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "fuzz check failed at %s:%d: %s\n", file, line, what);
    std::abort();
}

}  // namespace zox::fuzz

// A property of the code under test; a failure is a finding like a crash.
#define FUZZ_CHECK(cond) ((cond) ? void(0) : ::zox::fuzz::Fail(#cond, __FILE__, __LINE__))
