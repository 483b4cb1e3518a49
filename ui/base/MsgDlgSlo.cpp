#include "ui/base/MsgDlgSlo.h"

#include "ui/base/Dialogs.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QValidator>

#include <cmath>

namespace zox {

namespace {

// Message dialog constants, in dialog units.
constexpr int mcHorzMargin = 8;
constexpr int mcVertMargin = 6;
constexpr int mcHorzSpacing = 8;
constexpr int mcVertSpacing = 8;
constexpr int mcButtonWidth = 55;
constexpr int mcButtonHeight = 16;
constexpr int mcButtonSpacing = 8;
constexpr int IconSize = 32;

enum class Role { None, Default, Cancel };

struct ButtonDef {
    int bit;
    const char* caption;
    int result;  // 0: does not end the dialog (Help)
    Role role;
};

// Left to right, whatever the order of the bits.
const ButtonDef ButtonDefs[] = {
    {mbYes, "&Da", mrYes, Role::Default},
    {mbNo, "&Ne", mrNo, Role::Cancel},
    {mbOK, "&V redu", mrOk, Role::Default},
    {mbCancel, "&Prekliči", mrCancel, Role::Cancel},
    {mbAbort, "P&rekini", mrAbort, Role::None},
    {mbRetry, "P&onovi", mrRetry, Role::None},
    {mbIgnore, "Pre&zri", mrIgnore, Role::None},
    {mbAll, "V&se", mrAll, Role::None},
    {mbHelp, "&Help", mrNone, Role::None},
};

std::function<void(int)>& HelpHandler()
{
    static std::function<void(int)> handler;
    return handler;
}

// Windows' MulDiv: a * b / c rounded to the nearest integer.
int MulDiv(int a, int b, int c) { return static_cast<int>(std::lround(double(a) * b / c)); }

// Dialog units of a font: x = quarters of the average letter width, y = eighths of the height.
struct DialogUnits {
    int x;
    int y;
    explicit DialogUnits(const QFont& font)
    {
        QFontMetrics fm(font);
        x = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52;
        y = fm.height();
    }
    int h(int units) const { return MulDiv(units, x, 4); }
    int v(int units) const { return MulDiv(units, y, 8); }
};

QRect ScreenRect()
{
    if (QScreen* screen = QGuiApplication::primaryScreen())
        return screen->geometry();
    return QRect(0, 0, 1024, 768);
}

void CentreOnScreen(QWidget* w)
{
    const QRect s = ScreenRect();
    w->move(s.x() + (s.width() - w->width()) / 2, s.y() + (s.height() - w->height()) / 2);
}

QStyle::StandardPixmap KindIcon(int kind)
{
    switch (kind) {
    case mtWarning: return QStyle::SP_MessageBoxWarning;
    case mtError: return QStyle::SP_MessageBoxCritical;
    case mtInformation: return QStyle::SP_MessageBoxInformation;
    case mtConfirmation: return QStyle::SP_MessageBoxQuestion;
    default: return QStyle::SP_CustomBase;  // no icon
    }
}

// Turns typed (and pasted) letters into capitals or small letters, one character for
// one, so the cursor position and the length limit stay right.
class LetterCaseValidator : public QValidator {
public:
    LetterCaseValidator(int mode, QObject* parent) : QValidator(parent), mode_(mode) {}
    State validate(QString& input, int&) const override
    {
        for (QChar& c : input)
            c = mode_ == 1 ? c.toUpper() : c.toLower();
        return Acceptable;
    }

private:
    int mode_;
};

QString ApplyCase(QString text, int caseMode)
{
    if (caseMode == 1 || caseMode == 2) {
        int pos = 0;
        LetterCaseValidator(caseMode, nullptr).validate(text, pos);
    }
    return text;
}

}  // namespace

QFont DialogFont()
{
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    // Not installed on most desktops: let the font matcher pick the nearest sans serif.
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Normal);
    return font;
}

QString MessageDlgTitle(int kind)
{
    switch (kind) {
    case mtWarning: return QStringLiteral("Opozorilo");
    case mtError: return QStringLiteral("Napaka");
    case mtInformation: return QStringLiteral("Info");
    case mtConfirmation: return QStringLiteral("Potrditev");
    default: return QGuiApplication::applicationDisplayName();
    }
}

void SetHelpContextHandler(std::function<void(int)> handler) { HelpHandler() = std::move(handler); }

SloDialog::SloDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setFont(DialogFont());
    setModal(true);
}

QPushButton* SloDialog::addResultButton(const QString& caption, int result)
{
    auto* button = new QPushButton(caption, this);
    button->setAutoDefault(true);
    if (result != mrNone)
        connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
    return button;
}

// The close box and the system menu.
void SloDialog::reject() { done(mrCancel); }

void SloDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (cancelButton_ && cancelButton_->isVisible() && cancelButton_->isEnabled())
            cancelButton_->click();
        event->accept();  // without a cancel button Escape does nothing
        return;
    }
    QDialog::keyPressEvent(event);
}

std::unique_ptr<SloDialog> CreateMessageDialog(const QString& msg, int kind, int buttons, int helpCtx)
{
    auto dlg = std::make_unique<SloDialog>();
    dlg->setObjectName(QStringLiteral("MessageDlg"));
    dlg->setWindowTitle(MessageDlgTitle(kind));
    const QFont font = dlg->font();
    const DialogUnits du(font);
    const int horzMargin = du.h(mcHorzMargin);
    const int vertMargin = du.v(mcVertMargin);
    const int horzSpacing = du.h(mcHorzSpacing);
    const int vertSpacing = du.v(mcVertSpacing);
    const int buttonWidth = du.h(mcButtonWidth);
    const int buttonHeight = du.v(mcButtonHeight);
    const int buttonSpacing = du.h(mcButtonSpacing);

    auto* label = new QLabel(dlg.get());
    label->setObjectName(QStringLiteral("Message"));
    label->setTextFormat(Qt::PlainText);  // a file name is never markup
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setText(msg);

    const QRect textRect = QFontMetrics(font).boundingRect(
        QRect(0, 0, ScreenRect().width() / 2, 0), Qt::TextWordWrap | Qt::TextExpandTabs, msg);
    const int textWidth = textRect.width();
    const int labelHeight = std::max(textRect.height(), label->heightForWidth(textWidth));

    const bool hasIcon = kind >= mtWarning && kind <= mtConfirmation;
    int textLeft = horzMargin;
    int textHeight = labelHeight;
    int clientWidth = textWidth + 3 * horzMargin;
    if (hasIcon) {
        auto* image = new QLabel(dlg.get());
        image->setObjectName(QStringLiteral("Image"));
        image->setPixmap(dlg->style()->standardIcon(KindIcon(kind), nullptr, dlg.get()).pixmap(IconSize, IconSize));
        image->setGeometry(horzMargin, vertMargin, IconSize, IconSize);
        textLeft = horzMargin + IconSize + horzSpacing;
        textHeight = std::max(textHeight, IconSize);
        clientWidth = textWidth + 2 * horzMargin + horzSpacing + IconSize;
    }
    label->setGeometry(textLeft, vertMargin, textWidth, labelHeight);
    label->setFixedSize(textWidth, labelHeight);  // nothing may widen it past the wrap width
    const int clientHeight = textHeight + vertSpacing + buttonHeight + 2 * vertMargin;

    std::vector<const ButtonDef*> defs;
    for (const ButtonDef& def : ButtonDefs)
        if (buttons & def.bit)
            defs.push_back(&def);
    const int n = static_cast<int>(defs.size());
    const int rowWidth = n > 0 ? n * buttonWidth + (n - 1) * buttonSpacing : 0;
    if (rowWidth > clientWidth - 2 * horzMargin)
        clientWidth = rowWidth + 2 * horzMargin;

    int left = (clientWidth - rowWidth) / 2;
    const int top = vertMargin + textHeight + vertSpacing;
    QPushButton* first = nullptr;
    bool haveDefault = false;
    for (const ButtonDef* def : defs) {
        QPushButton* button = dlg->addResultButton(QString::fromUtf8(def->caption), def->result);
        button->setGeometry(left, top, buttonWidth, buttonHeight);
        left += buttonWidth + buttonSpacing;
        if (!first)
            first = button;
        if (def->role == Role::Default && !haveDefault) {
            button->setDefault(true);
            haveDefault = true;
        }
        // "&Prekliči" wins over "&Ne" when both are there: Escape means cancel.
        if (def->role == Role::Cancel && (!dlg->cancelButton() || def->bit == mbCancel))
            dlg->setCancelButton(button);
        if (def->bit == mbHelp)
            QObject::connect(button, &QPushButton::clicked, dlg.get(), [helpCtx] {
                if (helpCtx != 0 && HelpHandler())
                    HelpHandler()(helpCtx);
            });
    }

    dlg->setFixedSize(clientWidth, clientHeight);
    if (first)
        first->setFocus();
    CentreOnScreen(dlg.get());
    return dlg;
}

std::unique_ptr<SloDialog> CreateAskTextDialog(const QString& caption, const QString& prompt,
                                               const QString& value, int caseMode)
{
    auto dlg = std::make_unique<SloDialog>();
    dlg->setObjectName(QStringLiteral("AskTextDlg"));
    dlg->setWindowTitle(caption);
    const DialogUnits du(dlg->font());

    auto* label = new QLabel(dlg.get());
    label->setObjectName(QStringLiteral("Prompt"));
    label->setTextFormat(Qt::PlainText);
    label->setText(prompt);
    label->move(du.h(8), du.v(8));
    label->adjustSize();

    auto* edit = new QLineEdit(dlg.get());
    edit->setObjectName(QStringLiteral("Edit"));
    if (caseMode == 1 || caseMode == 2)
        edit->setValidator(new LetterCaseValidator(caseMode, edit));
    // A longer text handed in is kept whole rather than cut.
    edit->setMaxLength(std::max<int>(255, value.size()));
    edit->setText(ApplyCase(value, caseMode));
    edit->selectAll();
    edit->setGeometry(du.h(8), du.v(19), du.h(164), edit->sizeHint().height());

    QPushButton* ok = dlg->addResultButton(QStringLiteral("&V redu"), mrOk);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    ok->setGeometry(du.h(34), du.v(41), du.h(mcButtonWidth), du.v(mcButtonHeight));
    QPushButton* cancel = dlg->addResultButton(QStringLiteral("&Prekliči"), mrCancel);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    cancel->setGeometry(du.h(34 + mcButtonWidth + mcButtonSpacing), du.v(41), du.h(mcButtonWidth),
                        du.v(mcButtonHeight));
    dlg->setCancelButton(cancel);

    dlg->setFixedSize(du.h(180), du.v(63));
    edit->setFocus();
    CentreOnScreen(dlg.get());
    return dlg;
}

int MessageDlgSlo(const QString& msg, int kind, int buttons, int helpCtx)
{
    std::unique_ptr<SloDialog> dlg = CreateMessageDialog(msg, kind, buttons, helpCtx);
    return dlg->exec();
}

bool AskTextSlo(const QString& caption, const QString& prompt, QString& value, int caseMode)
{
    std::unique_ptr<SloDialog> dlg = CreateAskTextDialog(caption, prompt, value, caseMode);
    if (dlg->exec() != mrOk)
        return false;
    value = dlg->findChild<QLineEdit*>(QStringLiteral("Edit"))->text();
    return true;
}

}  // namespace zox
