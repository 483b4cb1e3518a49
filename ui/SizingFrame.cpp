#include "ui/SizingFrame.h"

#include <QMouseEvent>
#include <QPainter>

namespace zox {

TSizingFrame::TSizingFrame(QWidget* control) : QWidget(control->parentWidget()), m_control(control)
{
    setObjectName("SizingFrame");
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_DeleteOnClose);
    setGeometry(control->geometry().adjusted(-Margin, -Margin, Margin, Margin));
    raise();
    show();
    setFocus(Qt::MouseFocusReason);
}

QRect TSizingFrame::handleRect(int i) const
{
    const int w = width(), h = height();
    const int xs[3] = {0, (w - Handle) / 2, w - Handle};
    const int ys[3] = {0, (h - Handle) / 2, h - Handle};
    // top-left, top, top-right, right, bottom-right, bottom, bottom-left, left
    static const int cx[8] = {0, 1, 2, 2, 2, 1, 0, 0};
    static const int cy[8] = {0, 0, 0, 1, 2, 2, 2, 1};
    return QRect(xs[cx[i]], ys[cy[i]], Handle, Handle);
}

int TSizingFrame::handleAt(const QPoint& p) const
{
    for (int i = 0; i < 8; ++i)
        if (handleRect(i).contains(p)) return i;
    return -1;
}

void TSizingFrame::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(QPen(Qt::black, 1, Qt::DotLine));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    for (int i = 0; i < 8; ++i) p.fillRect(handleRect(i), Qt::black);
}

void TSizingFrame::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return;
    m_drag = handleAt(e->position().toPoint());
    m_pressPos = mapToParent(e->position().toPoint());
    m_pressGeometry = geometry();
}

void TSizingFrame::mouseMoveEvent(QMouseEvent* e)
{
    if (m_drag == -2) return;
    const QPoint d = mapToParent(e->position().toPoint()) - m_pressPos;
    QRect g = m_pressGeometry;
    const int minSide = 2 * Margin + 2 * Handle;
    switch (m_drag) {
    case -1: g.translate(d); break;
    case 0: g.setTopLeft(g.topLeft() + d); break;
    case 1: g.setTop(g.top() + d.y()); break;
    case 2: g.setTopRight(g.topRight() + d); break;
    case 3: g.setRight(g.right() + d.x()); break;
    case 4: g.setBottomRight(g.bottomRight() + d); break;
    case 5: g.setBottom(g.bottom() + d.y()); break;
    case 6: g.setBottomLeft(g.bottomLeft() + d); break;
    case 7: g.setLeft(g.left() + d.x()); break;
    }
    if (g.width() < minSide || g.height() < minSide) return;
    setGeometry(g);
    applyToControl();
}

void TSizingFrame::mouseReleaseEvent(QMouseEvent*) { m_drag = -2; }

void TSizingFrame::applyToControl()
{
    if (!m_control) return;
    m_control->setGeometry(geometry().adjusted(Margin, Margin, -Margin, -Margin));
    m_control->update();
    raise();
}

void TSizingFrame::focusOutEvent(QFocusEvent* e)
{
    QWidget::focusOutEvent(e);
    close();  // the control keeps its new place; nothing is stored
}

}  // namespace zox
