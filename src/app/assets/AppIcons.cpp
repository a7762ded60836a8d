#include "app/assets/AppIcons.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QResource>
#include <QSvgRenderer>

#include <cmath>

namespace {
QString resourcePath(const char* name)
{
    return QStringLiteral(":/zuno/") + QLatin1String(name);
}

QIcon resource(const char* name)
{
    return QIcon(resourcePath(name));
}

// A picture drawn when the program was built, one image per size (see
// app/CMakeLists.txt), taken from the resources as it is.
QIcon drawn(const QString& name, std::initializer_list<int> sizes)
{
    QIcon icon;
    for (const int size : sizes) {
        const QResource pixels(QStringLiteral(":/zuno/%1-%2.argb").arg(name).arg(size));
        // Taken as they are when they stay for the whole run and are aligned
        // as an image's pixels must be; otherwise from a copy.
        const bool lasting = pixels.compressionAlgorithm() == QResource::NoCompression &&
                             quintptr(pixels.data()) % alignof(quint32) == 0;
        QByteArray bytes =
            lasting ? QByteArray::fromRawData(reinterpret_cast<const char*>(pixels.data()),
                                              pixels.size())
                    : pixels.uncompressedData();
        if (!lasting)
            bytes.detach(); // bytes of its own, aligned
        if (bytes.size() != qsizetype(size) * size * 4)
            continue;
        const QImage image(reinterpret_cast<const uchar*>(bytes.constData()), size, size, size * 4,
                           QImage::Format_ARGB32_Premultiplied);
        // A copy does not outlive its bytes.
        icon.addPixmap(QPixmap::fromImage(lasting ? image : image.copy()));
    }
    return icon;
}

QIcon small(const char* name)
{
    return drawn(QLatin1String(name), {16, 32});
}

// The asset of icon index 0 (the program), 1 (smiley lists), 2 (acronym lists).
const char* iconAsset(int index)
{
    switch (index) {
    case 1:
        return "smiley-list.svg";
    case 2:
        return "acronym-list.svg";
    default:
        return "zunosmiley.svg";
    }
}
} // namespace

QIcon AppIcons::program()
{
    return drawn(QLatin1String("zunosmiley"), {16, 24, 32, 48, 64, 128});
}

QIcon AppIcons::document(int index)
{
    return resource(iconAsset(index));
}

QByteArray AppIcons::svgData(int index)
{
    QFile file(resourcePath(iconAsset(index)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QHash<QString, QIcon> AppIcons::listIcons()
{
    return {
        {QStringLiteral("Smiley"), small("smiley")},
        {QStringLiteral("Acronym"), small("acronym")},
        {QStringLiteral("Smiley2"), small("smiley-user")},
        {QStringLiteral("Acronym2"), small("acronym-user")},
    };
}

QIcon AppIcons::starred(const QIcon& icon)
{
    QIcon result;
    for (const int size : {16, 32}) {
        QPixmap pixmap = icon.pixmap(size);
        if (pixmap.isNull())
            continue;
        const qreal side = size / 16.0;
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        // A five-pointed star in the top right corner, 9 of 16 pixels wide.
        QPolygonF star;
        for (int point = 0; point < 10; ++point) {
            const qreal radius = (point % 2 ? 1.8 : 4.5) * side;
            const qreal angle = -M_PI / 2 + point * M_PI / 5;
            star << QPointF(11.5 * side + radius * std::cos(angle),
                            4.5 * side + radius * std::sin(angle));
        }
        painter.setPen(QPen(QColor(0x8a, 0x5a, 0x00), side));
        painter.setBrush(QColor(0xff, 0xc8, 0x1e));
        painter.drawPolygon(star);
        painter.end();
        result.addPixmap(pixmap);
    }
    return result;
}

QIcon AppIcons::button(const QString& themeName)
{
    // Looked up once per process: both pages ask for the same four.
    static QHash<QString, QIcon> found;
    if (const auto it = found.constFind(themeName); it != found.cend())
        return *it;
    const QIcon fallback = drawn(themeName, {16, 32});
    // Without a desktop theme (none, or only the fallback theme, which holds
    // no action icons) every look-up would end at the bundled picture.
    const QString theme = QIcon::themeName();
    QIcon icon = fallback;
    if (!theme.isEmpty() && theme != QLatin1String("hicolor")) {
        if (themeName == QLatin1String("document-edit") && !QIcon::hasThemeIcon(themeName))
            icon = QIcon::fromTheme(QStringLiteral("document-properties"), fallback);
        else
            icon = QIcon::fromTheme(themeName, fallback);
    }
    found.insert(themeName, icon);
    return icon;
}

QPixmap AppIcons::logo(qreal devicePixelRatio)
{
    const QSize size(136, 36);
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/zuno/logo.svg"));
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}
