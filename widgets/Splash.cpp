#include "widgets/Splash.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "core/Version.h"

namespace vantor::ui {

QPixmap splashPicture() {
    QPixmap pixmap(420, 330);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient band(0, 0, 0, 200);
    band.setColorAt(0, QColor(0x1f, 0x4e, 0x8c));
    band.setColorAt(1, QColor(0x3a, 0x8b, 0xd6));
    p.fillRect(QRect(0, 0, 420, 200), band);
    // A chip in a socket: the programmer's business in one picture.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 30, 36));
    p.drawRoundedRect(QRectF(300, 50, 90, 110), 6, 6);
    p.setBrush(QColor(200, 200, 205));
    for (int i = 0; i < 6; ++i) {
        p.drawRect(QRectF(290, 60 + i * 16, 10, 6));
        p.drawRect(QRectF(390, 60 + i * 16, 10, 6));
    }
    p.setPen(Qt::white);
    QFont title(QStringLiteral("Sans Serif"), 30, QFont::Bold);
    p.setFont(title);
    p.drawText(QRect(24, 50, 240, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vantor"));
    QFont subtitle(QStringLiteral("Sans Serif"), 11);
    p.setFont(subtitle);
    // The text column ends well before the chip's pins (x 290), so a wide font wraps instead.
    p.drawText(QRect(26, 110, 240, 60), Qt::AlignLeft | Qt::TextWordWrap,
               QStringLiteral("TR600 Series MCU Development Kit"));
    p.setPen(QColor(120, 120, 120));
    p.setFont(QFont(QStringLiteral("Sans Serif"), 8));
    p.drawText(QRect(24, 210, 380, 30), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Version %1.%2%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionPatch));
    return pixmap;
}

Splash::Splash() : QSplashScreen(splashPicture()) { setObjectName(QStringLiteral("splash")); }

void Splash::setText(const QString &text) {
    text_ = text;
    repaint();
}

void Splash::drawContents(QPainter *painter) {
    QFont font(QStringLiteral("MS Sans Serif"), 9);
    font.setStyleHint(QFont::SansSerif);
    painter->setFont(font);
    painter->setPen(QColor(0x00, 0x80, 0xFF));
    painter->drawText(QRect(QPoint(15, 260), QPoint(300, 320)), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      text_);
}

}  // namespace vantor::ui
