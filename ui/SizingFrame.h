#pragma once
// A frame for moving and sizing a control at run time: 2 pixels larger than the
// control on every side, eight black 5-by-5 handles; gone when it loses the focus.
#include <QPointer>
#include <QWidget>

namespace zox {

class TSizingFrame : public QWidget {
public:
    static constexpr int Margin = 2;
    static constexpr int Handle = 5;

    explicit TSizingFrame(QWidget* control);
    QWidget* control() const { return m_control; }
    // Which handle (0..7, clockwise from top-left) lies under a point, -1 for none.
    int handleAt(const QPoint& p) const;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    QRect handleRect(int i) const;
    void applyToControl();

    QPointer<QWidget> m_control;
    int m_drag = -2;  // -2 none, -1 moving, 0..7 a handle
    QPoint m_pressPos;
    QRect m_pressGeometry;
};

}  // namespace zox
