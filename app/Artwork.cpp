#include "app/Artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kTealDark(0x0f, 0x5e, 0x66);
const QColor kTealLight(0x1b, 0x8a, 0x8f);
const QColor kCardShade(0xd8, 0xec, 0xec);

// A badge card: white rounded card with a photo square, two text lines and a chip stripe.
void PaintBadge(QPainter &p, const QRectF &card, bool detailed) {
    const qreal r = card.width() * 0.12;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawRoundedRect(card.translated(card.width() * 0.04, card.width() * 0.05), r, r);
    p.setBrush(Qt::white);
    p.drawRoundedRect(card, r, r);

    // Lanyard slot.
    const QRectF slot(card.center().x() - card.width() * 0.16, card.top() + card.height() * 0.07,
                      card.width() * 0.32, card.height() * 0.06);
    p.setBrush(kTealDark);
    p.drawRoundedRect(slot, slot.height() / 2, slot.height() / 2);

    // Photo: a head and shoulders in teal.
    const QRectF photo(card.left() + card.width() * 0.18, card.top() + card.height() * 0.2,
                       card.width() * 0.64, card.height() * 0.38);
    p.setBrush(kCardShade);
    p.drawRoundedRect(photo, r * 0.5, r * 0.5);
    p.setBrush(kTealLight);
    const qreal head = photo.width() * 0.34;
    p.drawEllipse(
        QRectF(photo.center().x() - head / 2, photo.top() + photo.height() * 0.14, head, head));
    QPainterPath shoulders;
    shoulders.addRoundedRect(QRectF(photo.left() + photo.width() * 0.2,
                                    photo.top() + photo.height() * 0.62, photo.width() * 0.6,
                                    photo.height() * 0.38),
                             head * 0.4, head * 0.4);
    p.save();
    p.setClipRect(photo);
    p.drawPath(shoulders);
    p.restore();

    // Name lines.
    p.setBrush(kTealDark);
    const qreal lineH = std::max<qreal>(1.0, card.height() * 0.05);
    p.drawRect(QRectF(card.left() + card.width() * 0.18, card.top() + card.height() * 0.66,
                      card.width() * 0.64, lineH));
    if (detailed)
        p.drawRect(QRectF(card.left() + card.width() * 0.18, card.top() + card.height() * 0.75,
                          card.width() * 0.44, lineH));

    // Contact chip.
    p.setBrush(QColor(0xe0, 0xb0, 0x3c));
    const qreal chip = card.width() * 0.2;
    p.drawRoundedRect(QRectF(card.right() - card.width() * 0.18 - chip,
                             card.bottom() - card.height() * 0.08 - chip * 0.75, chip, chip * 0.75),
                      chip * 0.15, chip * 0.15);
}

} // namespace

QImage ProgramIconImage(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;

    // Rounded teal tile.
    QLinearGradient g(0, 0, s, s);
    g.setColorAt(0, kTealLight);
    g.setColorAt(1, kTealDark);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    const qreal margin = s / 32.0;
    p.drawRoundedRect(QRectF(margin, margin, s - 2 * margin, s - 2 * margin), s * 0.2, s * 0.2);

    // Badge card, upright, slightly off centre.
    const QRectF card(s * 0.26, s * 0.12, s * 0.48, s * 0.74);
    PaintBadge(p, card, size >= 32);

    // A small down arrow for the import, on the larger sizes.
    if (size >= 32) {
        p.setBrush(Qt::white);
        QPainterPath arrow;
        const qreal x = s * 0.86, y = s * 0.58, w = s * 0.1;
        arrow.moveTo(x - w * 0.35, y);
        arrow.lineTo(x + w * 0.35, y);
        arrow.lineTo(x + w * 0.35, y + w * 1.2);
        arrow.lineTo(x + w * 0.9, y + w * 1.2);
        arrow.lineTo(x, y + w * 2.3);
        arrow.lineTo(x - w * 0.9, y + w * 1.2);
        arrow.lineTo(x - w * 0.35, y + w * 1.2);
        arrow.closeSubpath();
        p.drawPath(arrow);
    }
    return img;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : {48, 32, 16})
        icon.addPixmap(QPixmap::fromImage(ProgramIconImage(size)));
    return icon;
}

QImage SidePicture() {
    const int w = 164, h = 314;
    QImage img(w, h, QImage::Format_RGB888);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient g(0, 0, w * 0.4, h);
    g.setColorAt(0, kTealLight);
    g.setColorAt(1, kTealDark);
    p.fillRect(img.rect(), g);

    // Faint diagonal bands for depth.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 14));
    for (int i = -2; i < 6; ++i) {
        QPainterPath band;
        const qreal y = i * 70.0;
        band.moveTo(0, y + 60);
        band.lineTo(w, y);
        band.lineTo(w, y + 26);
        band.lineTo(0, y + 86);
        band.closeSubpath();
        p.drawPath(band);
    }

    // Two badge cards, one behind the other, and a flow of dots towards the log.
    p.save();
    p.translate(72, 120);
    p.rotate(-10);
    p.setOpacity(0.55);
    PaintBadge(p, QRectF(-30, -52, 64, 98), true);
    p.restore();
    p.save();
    p.translate(86, 138);
    p.rotate(6);
    PaintBadge(p, QRectF(-36, -56, 72, 110), true);
    p.restore();

    p.setBrush(QColor(255, 255, 255, 200));
    for (int i = 0; i < 5; ++i)
        p.drawEllipse(QPointF(42 + i * 20, 226), 2.5 + i * 0.4, 2.5 + i * 0.4);

    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(15);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 246, w, 20), Qt::AlignHCenter, QStringLiteral("Vantrel"));
    f.setBold(false);
    f.setPixelSize(11);
    p.setFont(f);
    p.setPen(QColor(255, 255, 255, 200));
    p.drawText(QRectF(0, 266, w, 16), Qt::AlignHCenter, QStringLiteral("Import"));
    return img;
}
