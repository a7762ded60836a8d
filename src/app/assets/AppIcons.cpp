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

// The pixmap in both modes a list row uses: a selected row keeps the
// picture's colours rather than the style's tint, which looks disabled.
void addUntinted(QIcon& icon, const QPixmap& pixmap)
{
    icon.addPixmap(pixmap, QIcon::Normal);
    icon.addPixmap(pixmap, QIcon::Selected);
}

QIcon small(const char* name)
{
    const QIcon drawnIcon = drawn(QLatin1String(name), {16, 32});
    QIcon icon;
    for (const int size : {16, 32})
        if (const QPixmap pixmap = drawnIcon.pixmap(size); !pixmap.isNull())
            addUntinted(icon, pixmap);
    return icon;
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

QIcon AppIcons::withMarkPlace(const QIcon& face, bool favourite)
{
    QIcon result;
    for (const int size : {16, 32}) {
        const QPixmap facePixmap = face.pixmap(size);
        if (facePixmap.isNull())
            continue;
        QPixmap pixmap(2 * size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.drawPixmap(0, 0, facePixmap);
        if (favourite) {
            const qreal unit = size / 16.0;
            // A regular five-pointed star in the right half, clear of the
            // face by two pixels and centred on the height.
            QPolygonF star;
            for (int point = 0; point < 10; ++point) {
                const qreal radius = (point % 2 ? 2.7 : 7.0) * unit;
                const qreal angle = -M_PI / 2 + point * M_PI / 5;
                star << QPointF(24.5 * unit + radius * std::cos(angle),
                                8.7 * unit + radius * std::sin(angle));
            }
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(
                QPen(QColor(0x5c, 0x38, 0x00), unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.setBrush(QColor(0xff, 0xbf, 0x00));
            painter.drawPolygon(star);
        }
        painter.end();
        addUntinted(result, pixmap);
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
