// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/app_identity.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>

const char* AppVersion()
{
    return ZNK_VERSION;
}

const char* AppLicense()
{
    return ZNK_LICENSE;
}

const char* AppId()
{
    return ZNK_APP_ID;
}

QImage DrawAppIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, size, size);
    g.setColorAt(0, QColor(0x2b, 0x5f, 0x9e));
    g.setColorAt(1, QColor(0x10, 0x24, 0x40));
    p.setBrush(g);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0.5, 0.5, size - 1, size - 1), size / 5.0, size / 5.0);
    QFont f("DejaVu Sans");
    f.setBold(true);
    f.setPixelSize(size * 3 / 4);
    p.setFont(f);
    p.setPen(QColor(0xff, 0xc8, 0x3c));
    p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, "Z");
    return image;
}

QIcon AppIcon()
{
    static const QIcon icon = [] {
        QIcon result;
        for (int size : {16, 32, 48})
            result.addPixmap(QPixmap::fromImage(DrawAppIcon(size)));
        return result;
    }();
    return icon;
}
