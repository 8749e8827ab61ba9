#include "uGlyphs.h"

#include <QPainter>
#include <QPainterPath>

QPixmap Glyph(TGlyph kind, int side)
{
    QPixmap picture(side, side);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 16.0, side / 16.0);
    switch (kind) {
    case TGlyph::Edit: {
        p.setPen(QPen(QColor(90, 60, 20), 1));
        p.setBrush(QColor(240, 190, 60));
        QPainterPath pencil;
        pencil.moveTo(3, 13);
        pencil.lineTo(4, 10);
        pencil.lineTo(11, 3);
        pencil.lineTo(13, 5);
        pencil.lineTo(6, 12);
        pencil.closeSubpath();
        p.drawPath(pencil);
        break;
    }
    case TGlyph::Post:
        p.setPen(QPen(QColor(20, 140, 40), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(3, 8.5), QPointF(6.5, 12), QPointF(13, 4)}));
        break;
    case TGlyph::Cancel:
        p.setPen(QPen(QColor(200, 30, 30), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
        break;
    case TGlyph::Append:
        p.setPen(QPen(QColor(30, 90, 200), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 3), QPointF(8, 13));
        p.drawLine(QPointF(3, 8), QPointF(13, 8));
        break;
    case TGlyph::Delete:
        p.setPen(QPen(QColor(200, 30, 30), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3, 8), QPointF(13, 8));
        break;
    }
    return picture;
}
