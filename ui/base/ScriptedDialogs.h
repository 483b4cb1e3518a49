#pragma once
// A dialog provider for tests. While an object lives it answers every modal question
// from its script and records what was asked:
//
//     ScriptedDialogs dlg;
//     dlg.answerMessage(mrYes).answerText("S59ABC");
//     ... run the command ...
//     QCOMPARE(dlg.asked(0).text, "Zveza S59ABC bo izbrisana !");
//     QCOMPARE(dlg.unanswered(), 0);
//
// Each kind of question takes its answers from its own queue, first in, first out. A
// question without a scripted answer is cancelled (mrCancel; mrNo for the standard
// Yes/No question, which has no Cancel; false; empty path) and counted as unanswered.

#include "ui/base/Dialogs.h"

#include <QFont>
#include <QString>

#include <deque>
#include <vector>

namespace zox {

class ScriptedDialogs final : public DialogProvider {
public:
    enum class Question { Message, Text, File, Font, StandardQuestion, StandardInput, Error };

    struct Asked {
        Question question;
        QString title;     // message: the kind's title bar text; others: caption or title
        QString text;      // message text, prompt, error text
        int kind = -1;     // message kind
        int buttons = 0;   // message buttons
        int helpCtx = 0;
        QString value;     // text handed to an input (askText, standardInput); a file dialog's folder
        QString filter;    // file dialog
        int caseMode = 0;  // askText
        bool mustExist = false, confirmOverwrite = false;
        bool answered = false;  // false: there was no scripted answer and it was cancelled
    };

    ScriptedDialogs();  // installs itself
    ~ScriptedDialogs() override;  // puts back the provider that was current before
    ScriptedDialogs(const ScriptedDialogs&) = delete;
    ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

    // The script. Each call queues one answer and returns *this for chaining.
    ScriptedDialogs& answerMessage(int result);
    ScriptedDialogs& answerText(const QString& text);        // AskText confirmed with `text`
    ScriptedDialogs& cancelText();                           // AskText cancelled
    ScriptedDialogs& answerFile(const QString& path);        // empty = cancelled
    ScriptedDialogs& answerFont(const QFont& font);
    ScriptedDialogs& cancelFont();
    ScriptedDialogs& answerStandard(int result);             // mrYes / mrNo
    ScriptedDialogs& answerStandardInput(const QString& text);
    ScriptedDialogs& cancelStandardInput();

    // The record, in the order asked.
    const std::vector<Asked>& asked() const { return asked_; }
    const Asked& asked(size_t i) const { return asked_.at(i); }
    const Asked& last() const { return asked_.back(); }
    int count() const { return static_cast<int>(asked_.size()); }
    int count(Question q) const;
    int unanswered() const;        // questions that found no scripted answer
    int unusedAnswers() const;     // scripted answers nobody asked for
    void clear();                  // forgets the record and the remaining script

    // DialogProvider
    int message(const QString& text, int kind, int buttons, int helpCtx) override;
    bool askText(const QString& caption, const QString& prompt, QString& value, int caseMode) override;
    QString fileName(QWidget* parent, const QString& title, const QString& dir, const QString& filter,
                     bool mustExist, bool confirmOverwrite) override;
    bool chooseFont(QWidget* parent, QFont& font) override;
    int standardQuestion(const QString& title, const QString& text) override;
    bool standardInput(const QString& title, const QString& prompt, QString& value) override;
    void showError(const QString& text) override;

private:
    struct Reply {  // an input's answer
        bool confirmed;
        QString text;
        QFont font;
    };
    Asked& record(Question q, const QString& title, const QString& text);

    DialogProvider* previous_;
    std::vector<Asked> asked_;
    std::deque<int> messages_;
    std::deque<Reply> texts_;
    std::deque<QString> files_;
    std::deque<Reply> fonts_;
    std::deque<int> standards_;
    std::deque<Reply> standardInputs_;
};

}  // namespace zox
