#include "ui/base/Dialogs.h"

#include "ui/base/MsgDlgSlo.h"

#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QStyle>
#include <QTreeView>
#include <QFontDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

#include <exception>

namespace zox {

namespace {

class RealDialogs final : public DialogProvider {
public:
    int message(const QString& text, int kind, int buttons, int helpCtx) override
    {
        return MessageDlgSlo(text, kind, buttons, helpCtx);
    }

    bool askText(const QString& caption, const QString& prompt, QString& value, int caseMode) override
    {
        return AskTextSlo(caption, prompt, value, caseMode);
    }

    QString fileName(QWidget* parent, const QString& title, const QString& dir, const QString& filter,
                     bool mustExist, bool confirmOverwrite) override
    {
        const std::unique_ptr<QFileDialog> dlg = CreateFileDialog(parent, title, dir, filter, mustExist, confirmOverwrite);
        if (dlg->exec() != QDialog::Accepted)
            return {};
        const QStringList files = dlg->selectedFiles();
        return files.isEmpty() ? QString() : files.first();
    }

    bool chooseFont(QWidget* parent, QFont& font) override
    {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, font, parent);
        if (ok)
            font = chosen;
        return ok;
    }

    int standardQuestion(const QString& title, const QString& text) override
    {
        QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Yes | QMessageBox::No,
                        QApplication::activeWindow());
        box.setObjectName(QStringLiteral("StandardQuestion"));
        return box.exec() == QMessageBox::Yes ? mrYes : mrNo;
    }

    bool standardInput(const QString& title, const QString& prompt, QString& value) override
    {
        QInputDialog dlg(QApplication::activeWindow());
        dlg.setObjectName(QStringLiteral("StandardInput"));
        dlg.setWindowTitle(title);
        dlg.setLabelText(prompt);
        dlg.setInputMode(QInputDialog::TextInput);
        dlg.setTextValue(value);
        if (auto* edit = dlg.findChild<QLineEdit*>())
            edit->selectAll();
        if (dlg.exec() != QDialog::Accepted)
            return false;
        value = dlg.textValue();
        return true;
    }

    void showError(const QString& text) override
    {
        QMessageBox::critical(QApplication::activeWindow(), QGuiApplication::applicationDisplayName(), text);
    }
};

// Gives the file list's columns the room of their titles when the dialog shows (the
// dialog puts back the widths of its last use first), and keeps every column in view:
// the file name column gives up what it can, the window grows by the rest.
class ColumnFitter final : public QObject {
public:
    ColumnFitter(QTreeView* view, QWidget* dialog) : QObject(dialog), view_(view) { dialog->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched == parent()) fit(static_cast<QWidget*>(watched));
        return false;
    }

private:
    void fit(QWidget* dialog)
    {
        QHeaderView* header = view_->header();
        const QFontMetrics fm(header->font());
        const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        for (int i = 0; i < header->count(); ++i) {
            const QString text = header->model()->headerData(i, Qt::Horizontal).toString();
            const int need = fm.horizontalAdvance(text) + 4 * margin + 16;  // and the sort arrow
            if (header->sectionSize(i) < need) header->resizeSection(i, need);
        }
        int excess = header->length() - view_->viewport()->width();
        if (excess <= 0) return;
        const int nameMinimum = 160;
        const int fromName = qBound(0, header->sectionSize(0) - nameMinimum, excess);
        header->resizeSection(0, header->sectionSize(0) - fromName);
        excess -= fromName;
        if (excess > 0) dialog->resize(dialog->width() + excess, dialog->height());
    }

    QTreeView* view_;
};

RealDialogs& Real()
{
    static RealDialogs real;
    return real;
}

DialogProvider* current = nullptr;

}  // namespace

std::unique_ptr<QFileDialog> CreateFileDialog(QWidget* parent, const QString& title, const QString& dir,
                                              const QString& filter, bool mustExist, bool confirmOverwrite)
{
    auto dlg = std::make_unique<QFileDialog>(parent, title, dir, QtNameFilter(filter));
    dlg->setObjectName(QStringLiteral("FileDlg"));
#ifndef Q_OS_WIN
    // Qt's own dialog matches the patterns without regard to case, so "*.DAT" also
    // finds "log.dat"; the desktop's native one would not.
    dlg->setOption(QFileDialog::DontUseNativeDialog);
#endif
    dlg->setFileMode(mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dlg->setAcceptMode(confirmOverwrite ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg->setOption(QFileDialog::DontConfirmOverwrite, !confirmOverwrite);
    // The list's column titles are sized for English; the Slovene ones are longer.
    if (auto* view = dlg->findChild<QTreeView*>(QStringLiteral("treeView"))) new ColumnFitter(view, dlg.get());
    return dlg;
}

DialogProvider& Dialogs() { return current ? *current : Real(); }

void SetDialogProvider(DialogProvider* p) { current = p; }

int ShowMessageDlg(const QString& msg, int kind, int buttons, int helpCtx)
{
    return Dialogs().message(msg, kind, buttons, helpCtx);
}

bool AskText(const QString& caption, const QString& prompt, QString& value, int caseMode)
{
    return Dialogs().askText(caption, prompt, value, caseMode);
}

void ShowError(const QString& text) { Dialogs().showError(text); }

bool Guarded(const std::function<void()>& command)
{
    try {
        command();
        return true;
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowError(QStringLiteral("Neznana napaka"));
    }
    return false;
}

namespace {
QStringList& PendingReports()
{
    static QStringList pending;
    return pending;
}
}  // namespace

void ReportLater(const QString& text)
{
    // The same failure, repeated while its message waits (a grid reading row
    // after row), is told once.
    if (PendingReports().contains(text)) return;
    PendingReports() << text;
    QMetaObject::invokeMethod(
        qApp,
        [text] {
            ShowError(text);
            PendingReports().removeAll(text);
        },
        Qt::QueuedConnection);
}

QString ErrorText(const std::exception_ptr& e)
{
    try {
        std::rethrow_exception(e);
    } catch (const std::exception& x) {
        return QString::fromUtf8(x.what());
    } catch (...) {
        return QStringLiteral("Neznana napaka");
    }
}

QString QtNameFilter(const QString& filter)
{
    if (filter.trimmed().isEmpty())
        return {};
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        QString patterns = i + 1 < parts.size() ? parts[i + 1].trimmed() : QString();
        if (patterns.isEmpty())
            patterns = QStringLiteral("*");
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        const QString inParens = QLatin1Char('(') + patterns + QLatin1Char(')');
        if (description.isEmpty())
            entries << inParens;
        else if (description.endsWith(inParens, Qt::CaseInsensitive))
            entries << description;  // "Zox datoteke (*.DAT)" already names its pattern
        else
            entries << description + QLatin1Char(' ') + inParens;
    }
    return entries.join(QStringLiteral(";;"));
}

}  // namespace zox
