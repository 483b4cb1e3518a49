#include "ui/base/ScriptedDialogs.h"

#include "ui/base/MsgDlgSlo.h"

namespace zox {

namespace {

// Moves the first scripted answer to `answer`; false when the script has none left.
template <typename T>
bool Take(std::deque<T>& queue, T& answer)
{
    if (queue.empty())
        return false;
    answer = std::move(queue.front());
    queue.pop_front();
    return true;
}

}  // namespace

ScriptedDialogs::ScriptedDialogs() : previous_(&Dialogs()) { SetDialogProvider(this); }

ScriptedDialogs::~ScriptedDialogs() { SetDialogProvider(previous_); }

ScriptedDialogs& ScriptedDialogs::answerMessage(int result) { messages_.push_back(result); return *this; }
ScriptedDialogs& ScriptedDialogs::answerText(const QString& text) { texts_.push_back({true, text, {}}); return *this; }
ScriptedDialogs& ScriptedDialogs::cancelText() { texts_.push_back({false, {}, {}}); return *this; }
ScriptedDialogs& ScriptedDialogs::answerFile(const QString& path) { files_.push_back(path); return *this; }
ScriptedDialogs& ScriptedDialogs::answerFont(const QFont& font) { fonts_.push_back({true, {}, font}); return *this; }
ScriptedDialogs& ScriptedDialogs::cancelFont() { fonts_.push_back({false, {}, {}}); return *this; }
ScriptedDialogs& ScriptedDialogs::answerStandard(int result) { standards_.push_back(result); return *this; }
ScriptedDialogs& ScriptedDialogs::answerStandardInput(const QString& text)
{
    standardInputs_.push_back({true, text, {}});
    return *this;
}
ScriptedDialogs& ScriptedDialogs::cancelStandardInput()
{
    standardInputs_.push_back({false, {}, {}});
    return *this;
}

int ScriptedDialogs::count(Question q) const
{
    int n = 0;
    for (const Asked& a : asked_)
        n += a.question == q;
    return n;
}

int ScriptedDialogs::unanswered() const
{
    int n = 0;
    for (const Asked& a : asked_)
        n += !a.answered;
    return n;
}

int ScriptedDialogs::unusedAnswers() const
{
    return static_cast<int>(messages_.size() + texts_.size() + files_.size() + fonts_.size() + standards_.size() +
                            standardInputs_.size());
}

void ScriptedDialogs::clear()
{
    asked_.clear();
    messages_.clear();
    texts_.clear();
    files_.clear();
    fonts_.clear();
    standards_.clear();
    standardInputs_.clear();
}

ScriptedDialogs::Asked& ScriptedDialogs::record(Question q, const QString& title, const QString& text)
{
    Asked a;
    a.question = q;
    a.title = title;
    a.text = text;
    asked_.push_back(std::move(a));
    return asked_.back();
}

int ScriptedDialogs::message(const QString& text, int kind, int buttons, int helpCtx)
{
    Asked& a = record(Question::Message, MessageDlgTitle(kind), text);
    a.kind = kind;
    a.buttons = buttons;
    a.helpCtx = helpCtx;
    int answer = mrCancel;
    a.answered = Take(messages_, answer);
    return answer;
}

bool ScriptedDialogs::askText(const QString& caption, const QString& prompt, QString& value, int caseMode)
{
    Asked& a = record(Question::Text, caption, prompt);
    a.value = value;
    a.caseMode = caseMode;
    Reply answer{false, {}, {}};
    a.answered = Take(texts_, answer);
    if (answer.confirmed)
        value = answer.text;
    return answer.confirmed;
}

QString ScriptedDialogs::fileName(QWidget*, const QString& title, const QString& dir, const QString& filter,
                                  bool mustExist, bool confirmOverwrite)
{
    Asked& a = record(Question::File, title, QString());
    a.value = dir;
    a.filter = filter;
    a.mustExist = mustExist;
    a.confirmOverwrite = confirmOverwrite;
    QString answer;
    a.answered = Take(files_, answer);
    return answer;
}

bool ScriptedDialogs::chooseFont(QWidget*, QFont& font)
{
    Asked& a = record(Question::Font, QString(), QString());
    a.value = font.toString();
    Reply answer{false, {}, {}};
    a.answered = Take(fonts_, answer);
    if (answer.confirmed)
        font = answer.font;
    return answer.confirmed;
}

int ScriptedDialogs::standardQuestion(const QString& title, const QString& text)
{
    Asked& a = record(Question::StandardQuestion, title, text);
    int answer = mrNo;  // the standard box has no Cancel: unanswered means No
    a.answered = Take(standards_, answer);
    return answer;
}

bool ScriptedDialogs::standardInput(const QString& title, const QString& prompt, QString& value)
{
    Asked& a = record(Question::StandardInput, title, prompt);
    a.value = value;
    Reply answer{false, {}, {}};
    a.answered = Take(standardInputs_, answer);
    if (answer.confirmed)
        value = answer.text;
    return answer.confirmed;
}

void ScriptedDialogs::showError(const QString& text)
{
    // Nothing to answer: the record is the whole point.
    record(Question::Error, QString(), text).answered = true;
}

}  // namespace zox
