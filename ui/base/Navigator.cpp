#include "ui/base/Navigator.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>

namespace zox {

QWidget* MakeNavigator(QWidget* parent, const QStringList& tips, QList<QToolButton*>& buttons)
{
    auto* nav = new QWidget(parent);
    auto* layout = new QHBoxLayout(nav);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const QStyle::StandardPixmap icons[] = {QStyle::SP_MediaSkipBackward, QStyle::SP_MediaSeekBackward,
                                            QStyle::SP_MediaSeekForward, QStyle::SP_MediaSkipForward};
    for (int i = 0; i < 4; ++i) {
        auto* b = new QToolButton(nav);
        b->setToolTip(tips.value(i));
        b->setIcon(nav->style()->standardIcon(icons[i]));
        b->setFixedSize(24, 23);
        layout->addWidget(b);
        buttons << b;
    }
    return nav;
}

}  // namespace zox
