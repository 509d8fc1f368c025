#include "window/Glyphs.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <cmath>

namespace wwweksports {
namespace {

// The colours of one image: the disabled image is the same drawing in flat greys.
struct Ink {
    QColor outline;
    QColor paper;
    QColor fold;
    QColor lines;
    QColor arrowLight;
    QColor arrowDark;
    QColor arrowOutline;
    QColor wood;
    QColor woodDark;
    QColor doorway;
};

const Ink kNormal = {QColor(0x4a, 0x55, 0x68), QColor(0xff, 0xff, 0xff), QColor(0xdc, 0xe2, 0xea),
                     QColor(0x8e, 0x9a, 0xab), QColor(0x3f, 0x7f, 0xe0), QColor(0x0f, 0x52, 0xba),
                     QColor(0x0a, 0x35, 0x7a), QColor(0xc8, 0x8a, 0x4c), QColor(0x6b, 0x44, 0x22),
                     QColor(0x2c, 0x33, 0x3d)};
const Ink kDisabled = {QColor(0x9d, 0xa3, 0xab), QColor(0xf2, 0xf3, 0xf5), QColor(0xe0, 0xe2, 0xe6),
                       QColor(0xc3, 0xc7, 0xcd), QColor(0xc6, 0xca, 0xd0), QColor(0xb3, 0xb8, 0xbf),
                       QColor(0x96, 0x9c, 0xa4), QColor(0xd4, 0xd6, 0xda), QColor(0x9d, 0xa3, 0xab),
                       QColor(0xb7, 0xbb, 0xc2)};

// Pixel-aligned 1-pixel strokes run along .5 coordinates: every image is drawn on a 16-unit
// grid and scaled.
QPixmap Canvas(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void Prepare(QPainter& painter, int size) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
}

void DrawArrow(QPainter& painter, const QPolygonF& arrow, const Ink& ink) {
    const QRectF box = arrow.boundingRect();
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0, ink.arrowLight);
    fill.setColorAt(1, ink.arrowDark);
    painter.setPen(QPen(ink.arrowOutline, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(fill);
    painter.drawPolygon(arrow);
}

QPixmap SendImage(const Ink& ink) {
    QPixmap pixmap = Canvas(16);
    QPainter painter(&pixmap);
    Prepare(painter, 16);

    QPainterPath sheet;
    sheet.moveTo(1.5, 0.5);
    sheet.lineTo(8.5, 0.5);
    sheet.lineTo(11.5, 3.5);
    sheet.lineTo(11.5, 14.5);
    sheet.lineTo(1.5, 14.5);
    sheet.closeSubpath();
    painter.setPen(QPen(ink.outline, 1));
    painter.setBrush(ink.paper);
    painter.drawPath(sheet);
    painter.setBrush(ink.fold);
    painter.drawPolygon(QPolygonF({{8.5, 0.5}, {8.5, 3.5}, {11.5, 3.5}}));

    painter.setPen(QPen(ink.lines, 1));
    for (const double y : {5.5, 7.5}) painter.drawLine(QPointF(3.5, y), QPointF(9.5, y));
    for (const double y : {9.5, 11.5}) painter.drawLine(QPointF(3.5, y), QPointF(5.5, y));

    DrawArrow(painter,
              QPolygonF({{6.5, 9.5},
                         {10.5, 9.5},
                         {10.5, 6.5},
                         {15.5, 11.0},
                         {10.5, 15.5},
                         {10.5, 12.5},
                         {6.5, 12.5}}),
              ink);
    return pixmap;
}

QPixmap CloseImage(const Ink& ink) {
    QPixmap pixmap = Canvas(16);
    QPainter painter(&pixmap);
    Prepare(painter, 16);

    // The frame with the dark doorway, and the leaf swung inwards on its left hinge.
    painter.setPen(QPen(ink.woodDark, 1));
    painter.setBrush(ink.doorway);
    painter.drawRect(QRectF(6.5, 0.5, 8, 15));
    painter.setBrush(ink.wood);
    painter.drawPolygon(QPolygonF({{6.5, 0.5}, {11.5, 2.5}, {11.5, 14.0}, {6.5, 15.5}}));
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink.woodDark);
    painter.drawEllipse(QPointF(10.0, 8.5), 0.9, 0.9);

    DrawArrow(painter,
              QPolygonF({{9.0, 7.0},
                         {4.5, 7.0},
                         {4.5, 4.5},
                         {0.5, 8.5},
                         {4.5, 12.5},
                         {4.5, 10.0},
                         {9.0, 10.0}}),
              ink);
    return pixmap;
}

}  // namespace

// Drawn in device pixels, so the 1-pixel lines stay sharp at every size.
QPixmap WindowImage(int size) {
    QPixmap pixmap = Canvas(size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const double unit = size / 16.0;
    const auto edge = [unit](double at) { return std::round(at * unit) + 0.5; };

    // A worksheet: green title band and grid.
    const QRectF sheet(QPointF(edge(1), edge(0.5)), QPointF(edge(11) - 1, edge(15) - 1));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRect(sheet);
    painter.setBrush(QColor(0x3f, 0x9a, 0x4f));
    painter.drawRect(QRectF(sheet.topLeft(), QPointF(sheet.right(), edge(3.5))));
    painter.setPen(QPen(QColor(0x8f, 0xc4, 0x98), 1));
    for (const double y : {6.5, 9.0, 11.5}) {
        painter.drawLine(QPointF(sheet.left(), edge(y)), QPointF(sheet.right(), edge(y)));
    }
    painter.drawLine(QPointF(edge(4.5), edge(3.5)), QPointF(edge(4.5), sheet.bottom()));
    painter.setPen(QPen(QColor(0x2f, 0x6b, 0x3a), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(sheet);

    QPolygonF arrow(
        {{6.0, 8.5}, {9.5, 8.5}, {9.5, 6.0}, {14.5, 10.5}, {9.5, 15.0}, {9.5, 12.5}, {6.0, 12.5}});
    for (QPointF& point : arrow) point = QPointF(edge(point.x()) - 0.5, edge(point.y()) - 0.5);
    DrawArrow(painter, arrow, kNormal);
    return pixmap;
}

namespace {

QIcon Glyph(QPixmap (*draw)(const Ink&)) {
    QIcon icon;
    icon.addPixmap(draw(kNormal), QIcon::Normal);
    icon.addPixmap(draw(kDisabled), QIcon::Disabled);
    return icon;
}

}  // namespace

QIcon SendGlyph() { return Glyph(SendImage); }

QIcon CloseGlyph() { return Glyph(CloseImage); }

QIcon WindowIcon() {
    QIcon icon;
    icon.addPixmap(WindowImage(16));
    icon.addPixmap(WindowImage(32));
    return icon;
}

}  // namespace wwweksports
