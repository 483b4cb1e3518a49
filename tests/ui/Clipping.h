#pragma once
// Finds the texts of a window that do not fit: every label, button, field, drop-down
// list, group box title, tab and column title is measured with its own font against
// the room the style gives it in its present geometry.

#include "ui/uClock.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QTextDocument>
#include <QToolButton>

namespace zox::test {

namespace clipping {

inline QString Name(const QWidget* w)
{
    QString name = w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (!p->objectName().isEmpty()) return p->objectName() + "/" + name;
    return name;
}

inline QString Problem(const QWidget* w, const QString& text, int need, int room, const char* what = "wide")
{
    return QStringLiteral("%1 \"%2\": needs %3 px %4, has %5").arg(Name(w), text).arg(need).arg(QLatin1String(what)).arg(room);
}

inline QString PlainText(const QLabel* l)
{
    if (l->textFormat() == Qt::PlainText || (l->textFormat() == Qt::AutoText && !Qt::mightBeRichText(l->text())))
        return l->text();
    QTextDocument doc;
    doc.setHtml(l->text());
    return doc.toPlainText();
}

// The rectangle a label's text is drawn in, and the text's own size.
inline void CheckLabel(const QLabel* l, QStringList& out)
{
    if (l->text().isEmpty()) return;
    const QString text = PlainText(l);
    const QRect room = l->contentsRect().adjusted(l->margin(), l->margin(), -l->margin(), -l->margin());
    if (l->wordWrap()) {
        const int need = l->heightForWidth(l->width());
        if (need > l->height()) out << Problem(l, text, need, l->height(), "high");
        return;
    }
    // The label's own measure of its text: the size it asks for, less its frame and margins.
    const QSize frame = l->size() - l->contentsRect().size();
    const QSize textSize = l->sizeHint() - frame - QSize(2 * l->margin(), 2 * l->margin());
    if (textSize.width() > room.width()) out << Problem(l, text, textSize.width(), room.width());
    if (textSize.height() > room.height()) out << Problem(l, text, textSize.height(), room.height(), "high");
}

inline void CheckPushButton(const QPushButton* b, QStringList& out)
{
    if (b->text().isEmpty()) return;
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    opt.icon = b->icon();
    opt.iconSize = b->iconSize();
    if (b->isDefault()) opt.features |= QStyleOptionButton::DefaultButton;
    if (b->autoDefault()) opt.features |= QStyleOptionButton::AutoDefaultButton;
    const QRect room = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b);
    const QFontMetrics fm(b->font());
    int need = fm.size(Qt::TextShowMnemonic, b->text()).width();
    if (!b->icon().isNull()) need += b->iconSize().width() + 4;
    if (need > room.width()) out << Problem(b, b->text(), need, room.width());
    if (fm.height() > room.height()) out << Problem(b, b->text(), fm.height(), room.height(), "high");
}

inline void CheckToolButton(const QToolButton* b, QStringList& out)
{
    const bool showsText = !b->text().isEmpty() && (b->icon().isNull() || b->toolButtonStyle() != Qt::ToolButtonIconOnly);
    if (!showsText) return;
    // The label is drawn inside the button's frame.
    const int fw = b->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, b);
    const QFontMetrics fm(b->font());
    int need = fm.size(Qt::TextShowMnemonic, b->text()).width() + 2 * fw;
    if (!b->icon().isNull() && b->toolButtonStyle() == Qt::ToolButtonTextBesideIcon) need += b->iconSize().width() + 4;
    if (need > b->width()) out << Problem(b, b->text(), need, b->width());
}

inline void CheckCheckOrRadio(const QAbstractButton* b, QStringList& out)
{
    if (b->text().isEmpty()) return;
    const QSize need = b->sizeHint();
    if (need.width() > b->width()) out << Problem(b, b->text(), need.width(), b->width());
}

// Room for text in a line edit: its contents less the text margins, two pixels each
// side and the cursor.
inline int LineEditRoom(const QLineEdit* e)
{
    QStyleOptionFrame opt;
    opt.initFrom(e);
    opt.lineWidth = e->hasFrame() ? e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, e) : 0;
    opt.midLineWidth = 0;
    opt.state |= QStyle::State_Sunken;
    const QRect r = e->style()->subElementRect(QStyle::SE_LineEditContents, &opt, e).marginsRemoved(e->textMargins());
    return r.width() - 2 * 2 - 1;
}

inline void CheckLineEdit(const QLineEdit* e, const QString& text, QStringList& out)
{
    if (text.isEmpty()) return;
    const int need = QFontMetrics(e->font()).horizontalAdvance(text);
    const int room = LineEditRoom(e);
    if (need > room) out << Problem(e, text, need, room);
}

inline void CheckComboBox(const QComboBox* cb, QStringList& out)
{
    QStyleOptionComboBox opt;
    opt.initFrom(cb);
    opt.editable = cb->isEditable();
    opt.frame = cb->hasFrame();
    opt.subControls = QStyle::SC_All;
    const QRect field = cb->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, cb);
    const int room = field.width() - 2;
    const QFontMetrics fm(cb->font());
    for (int i = 0; i < cb->count(); ++i) {
        const int need = fm.horizontalAdvance(cb->itemText(i));
        if (need > room) out << Problem(cb, cb->itemText(i), need, room);
    }
}

inline void CheckSpinBox(const QSpinBox* sb, QStringList& out)
{
    // The widest value it can hold, in its own line edit.
    const auto* edit = sb->findChild<QLineEdit*>();
    if (!edit) return;
    for (int v : {sb->minimum(), sb->maximum()})
        CheckLineEdit(edit, sb->prefix() + QString::number(v) + sb->suffix(), out);
}

inline void CheckGroupBox(const QGroupBox* g, QStringList& out)
{
    if (g->title().isEmpty()) return;
    QStyleOptionGroupBox opt;
    opt.initFrom(g);
    opt.text = g->title();
    opt.lineWidth = 1;
    opt.midLineWidth = 0;
    opt.textAlignment = g->alignment();
    opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    if (g->isCheckable()) opt.subControls |= QStyle::SC_GroupBoxCheckBox;
    const QRect label = g->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, g);
    const int need = QFontMetrics(g->font()).size(Qt::TextShowMnemonic, g->title()).width();
    if (need > label.width() || label.right() > g->rect().right() || label.left() < 0)
        out << Problem(g, g->title(), qMax(need, label.right() + 1), qMin(label.width(), g->width()));
}

inline void CheckTabBar(const QTabBar* t, QStringList& out)
{
    const QFontMetrics fm(t->font());
    const int space = t->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, t);
    for (int i = 0; i < t->count(); ++i) {
        const int need = fm.size(Qt::TextShowMnemonic, t->tabText(i)).width() + space;
        const QRect r = t->tabRect(i);
        if (need > r.width()) out << Problem(t, t->tabText(i), need, r.width());
        if (r.right() > t->width() - 1) out << Problem(t, t->tabText(i), r.right() + 1, t->width(), "from the left");
    }
}

inline void CheckHeader(const QHeaderView* h, QStringList& out)
{
    if (h->orientation() != Qt::Horizontal || !h->model() || !h->isVisible()) return;
    const int margin = h->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, h);
    for (int i = 0; i < h->count(); ++i) {
        if (h->isSectionHidden(i)) continue;
        const QString title = h->model()->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString();
        const QVariant fontData = h->model()->headerData(i, Qt::Horizontal, Qt::FontRole);
        const QFont font = fontData.isValid() ? fontData.value<QFont>() : h->font();
        const int need = QFontMetrics(font).horizontalAdvance(title) + 2 * margin;
        if (need > h->sectionSize(i)) out << Problem(h, title, need, h->sectionSize(i));
        // Every column is seen whole without scrolling.
        const int right = h->sectionViewportPosition(i) + h->sectionSize(i);
        if (right > h->viewport()->width())
            out << Problem(h, title, right, h->viewport()->width(), "from the left");
    }
}

inline void CheckMenuBar(const QMenuBar* m, QStringList& out)
{
    for (QAction* a : m->actions()) {
        if (!a->isVisible() || a->isSeparator()) continue;
        const QRect r = m->actionGeometry(a);
        if (r.isEmpty() || r.right() > m->width() - 1) out << Problem(m, a->text(), r.right() + 1, m->width(), "from the left");
    }
}

inline void CheckClock(const THamUra* c, QStringList& out)
{
    if (c->mode() != THamUra::Mode::Digital) return;
    const QFontMetrics fm(c->font());
    const int need = fm.horizontalAdvance(QLatin1Char('8')) * int(c->text().size());
    if (need > c->width()) out << Problem(c, c->text(), need, c->width());
    if (fm.height() > c->height()) out << Problem(c, c->text(), fm.height(), c->height(), "high");
}

// The text a label draws, as a rectangle in its parent.
inline QRect LabelTextRect(const QLabel* l)
{
    const QRect room = l->contentsRect().adjusted(l->margin(), l->margin(), -l->margin(), -l->margin());
    const QSize size = l->sizeHint() - (l->size() - l->contentsRect().size()) - QSize(2 * l->margin(), 2 * l->margin());
    const QRect r = QStyle::alignedRect(l->layoutDirection(), l->alignment(), size.boundedTo(room.size()), room);
    return r.translated(l->pos());
}

}  // namespace clipping

// Every visible widget of `root` whose text needs more room than it has, and every two
// labels whose texts run together; one line each, empty when all fits.
inline QStringList ClippedTexts(QWidget* root)
{
    using namespace clipping;
    QStringList out;
    QList<QWidget*> all = root->findChildren<QWidget*>();
    all.prepend(root);
    QList<const QLabel*> labels;
    for (QWidget* w : all) {
        if (!w->isVisibleTo(root) && w != root) continue;
        if (auto* l = qobject_cast<QLabel*>(w)) {
            if (l->pixmap().isNull()) {
                CheckLabel(l, out);
                if (!l->text().isEmpty() && !l->wordWrap()) labels << l;
            }
        } else if (auto* b = qobject_cast<QPushButton*>(w)) {
            CheckPushButton(b, out);
        } else if (auto* t = qobject_cast<QToolButton*>(w)) {
            if (!qobject_cast<QTabBar*>(t->parentWidget())) CheckToolButton(t, out);
        } else if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
            CheckCheckOrRadio(static_cast<QAbstractButton*>(w), out);
        } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
            CheckLineEdit(e, e->displayText(), out);
        } else if (auto* cb = qobject_cast<QComboBox*>(w)) {
            CheckComboBox(cb, out);
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            CheckGroupBox(g, out);
        } else if (auto* tb = qobject_cast<QTabBar*>(w)) {
            CheckTabBar(tb, out);
        } else if (auto* h = qobject_cast<QHeaderView*>(w)) {
            CheckHeader(h, out);
        } else if (auto* m = qobject_cast<QMenuBar*>(w)) {
            CheckMenuBar(m, out);
        } else if (auto* c = qobject_cast<THamUra*>(w)) {
            CheckClock(c, out);
        }
        if (auto* sb = qobject_cast<QSpinBox*>(w)) CheckSpinBox(sb, out);
    }
    // Labels side by side need a gap between their texts.
    for (qsizetype i = 0; i < labels.size(); ++i)
        for (qsizetype j = i + 1; j < labels.size(); ++j) {
            const QLabel* a = labels[i];
            const QLabel* b = labels[j];
            if (a->parentWidget() != b->parentWidget()) continue;
            const QRect ra = LabelTextRect(a).adjusted(-2, 0, 2, 0);
            const QRect rb = LabelTextRect(b);
            if (ra.intersects(rb))
                out << QStringLiteral("%1 \"%2\" and %3 \"%4\" run together").arg(Name(a), PlainText(a), Name(b), PlainText(b));
        }
    return out;
}

}  // namespace zox::test
