#include "TBevel.h"

#include <QPainter>

TBevel::TBevel(QWidget* parent, TBevelShape shape) : QWidget(parent), m_shape(shape) {}

void TBevel::SetShape(TBevelShape shape)
{
    m_shape = shape;
    update();
}

void TBevel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Dark));
    const QRect r = rect().adjusted(0, 0, -1, -1);
    switch (m_shape) {
    case TBevelShape::bsBox:
    case TBevelShape::bsFrame:
        painter.drawRect(r);
        break;
    case TBevelShape::bsTopLine:
        painter.drawLine(r.topLeft(), r.topRight());
        break;
    case TBevelShape::bsBottomLine:
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        break;
    case TBevelShape::bsLeftLine:
        painter.drawLine(r.topLeft(), r.bottomLeft());
        break;
    case TBevelShape::bsRightLine:
        painter.drawLine(r.topRight(), r.bottomRight());
        break;
    case TBevelShape::bsSpacer:
        break;
    }
}
