#include "cubesat_art.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace tavro::ui {
namespace {

// Maps the unit square onto the parallelogram origin, origin + u, origin + v.
QTransform FaceTransform(QPointF origin, QPointF u, QPointF v) {
    return QTransform(u.x(), u.y(), v.x(), v.y(), origin.x(), origin.y());
}

// One face: an aluminium frame around 2 x 2 solar cells (unit coordinates).
void PaintFace(QPainter& p, const QTransform& face, const QColor& frame, const QColor& cell, bool fine) {
    p.save();
    p.setTransform(face, true);
    p.setPen(Qt::NoPen);
    p.setBrush(frame);
    p.drawRect(QRectF(0, 0, 1, 1));
    p.setBrush(cell);
    const double m = 0.1, g = 0.04, w = (1 - 2 * m - g) / 2;
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) p.drawRect(QRectF(m + i * (w + g), m + j * (w + g), w, w));
    if (fine) {
        // The cells' contact lines.
        QPen grid(cell.lighter(160));
        grid.setCosmetic(true);
        grid.setWidthF(0.6);
        p.setPen(grid);
        for (int i = 0; i < 2; ++i)
            for (int k = 1; k < 4; ++k) {
                const double y = m + i * (w + g) + k * w / 4;
                p.drawLine(QPointF(m, y), QPointF(1 - m, y));
            }
    }
    p.restore();
}

// A 1U CubeSat in an oblique view, its front face size s at (x, y).
void PaintCubeSat(QPainter& p, double x, double y, double s, bool fine) {
    const QPointF depth(0.42 * s, -0.32 * s);
    const QPointF front(x, y);
    const QPointF right(s, 0), down(0, s);
    const QColor cell(28, 58, 140);
    // Antennas behind the body first.
    QPen whip(QColor(90, 90, 90));
    whip.setWidthF(fine ? 1.6 : std::max(1.0, s / 20));
    whip.setCapStyle(Qt::RoundCap);
    p.setPen(whip);
    const QPointF topBack = front + depth;
    p.drawLine(topBack + QPointF(0.1 * s, 0), topBack + QPointF(-0.5 * s, -0.45 * s));
    p.drawLine(front + depth + right + QPointF(-0.1 * s, 0), front + depth + right + QPointF(0.55 * s, -0.5 * s));
    p.drawLine(front + right + down * 0.9 + depth * 0.5, front + right + down * 0.9 + depth * 0.5 + QPointF(0.75 * s, 0.35 * s));
    p.drawLine(front + down * 0.9, front + down * 0.9 + QPointF(-0.6 * s, 0.4 * s));

    PaintFace(p, FaceTransform(front + down, right, -down), QColor(196, 200, 208), cell, fine);          // front
    PaintFace(p, FaceTransform(front, right, depth), QColor(222, 225, 230), cell.lighter(130), fine);  // top
    PaintFace(p, FaceTransform(front + right + down, depth, -down), QColor(160, 164, 172), cell.darker(130), fine);  // side
    QPen edge(QColor(60, 64, 72));
    edge.setWidthF(fine ? 1.2 : std::max(1.0, s / 24));
    edge.setJoinStyle(Qt::RoundJoin);
    p.setPen(edge);
    p.setBrush(Qt::NoBrush);
    QPainterPath outline;
    outline.moveTo(front + down);
    outline.lineTo(front);
    outline.lineTo(front + depth);
    outline.lineTo(front + depth + right);
    outline.lineTo(front + depth + right + down);
    outline.lineTo(front + right + down);
    outline.closeSubpath();
    outline.moveTo(front);
    outline.lineTo(front + right);
    outline.lineTo(front + right + down);
    outline.moveTo(front + right);
    outline.lineTo(front + right + depth);
    p.drawPath(outline);
}

}  // namespace

QImage CubeSatIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size * 0.5;
    PaintCubeSat(p, size * 0.12, size * 0.36, s, size >= 48);
    return image;
}

QIcon CubeSatIcon() {
    static const QIcon icon = [] {
        QIcon i;
        for (int size : kCubeSatIconSizes) i.addPixmap(QPixmap::fromImage(CubeSatIconImage(size)));
        return i;
    }();
    return icon;
}

QPixmap InfoPicture() {
    QPixmap pixmap(249, 222);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // The earth's limb below the orbit.
    QRadialGradient sea(QPointF(124, 470), 300);
    sea.setColorAt(0.80, QColor(40, 110, 200));
    sea.setColorAt(0.93, QColor(120, 180, 235));
    sea.setColorAt(1.0, Qt::white);
    p.setPen(Qt::NoPen);
    p.setBrush(sea);
    p.drawEllipse(QPointF(124, 470), 300, 300);
    // The orbit.
    QPen orbit(QColor(150, 150, 160), 1, Qt::DashLine);
    p.setPen(orbit);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(124, 250), 150, 130);
    PaintCubeSat(p, 80, 70, 72, true);
    return pixmap;
}

}  // namespace tavro::ui
