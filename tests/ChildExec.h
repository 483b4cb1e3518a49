#pragma once
// The command line and environment of a program instance that a test runs in
// a child process: offscreen, with its temporary folders in a folder of the
// test's own, so a child that is killed or crashes leaves nothing behind.
// Built before fork, so the child needs only async-signal-safe calls to exec.

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

extern char** environ;

namespace zox::test {

class ChildExec {
public:
    // dropped: further variables of the test's environment the child must not see.
    ChildExec(const QString& program, const QStringList& args, const QString& tempFolder,
              const std::vector<std::string>& dropped = {})
    {
        m_args.push_back(program.toStdString());
        for (const QString& a : args) m_args.push_back(a.toStdString());
        std::vector<std::string> drop{"TMPDIR=", "QT_QPA_PLATFORM="};
        for (const std::string& d : dropped) drop.push_back(d + "=");
        for (char** e = environ; *e; ++e) {
            const std::string s = *e;
            bool keep = true;
            for (const std::string& d : drop) keep = keep && s.rfind(d, 0) != 0;
            if (keep) m_env.push_back(s);
        }
        m_env.push_back("TMPDIR=" + tempFolder.toStdString());
        m_env.push_back("QT_QPA_PLATFORM=offscreen");
        for (auto& s : m_args) m_argv.push_back(s.data());
        m_argv.push_back(nullptr);
        for (auto& s : m_env) m_envp.push_back(s.data());
        m_envp.push_back(nullptr);
    }
    ChildExec(const ChildExec&) = delete;
    ChildExec& operator=(const ChildExec&) = delete;

    char* const* Argv() const { return m_argv.data(); }
    char* const* Envp() const { return m_envp.data(); }

private:
    std::vector<std::string> m_args, m_env;
    std::vector<char*> m_argv, m_envp;
};

}  // namespace zox::test
