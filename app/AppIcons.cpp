#include "AppIcons.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

namespace {
QString resourcePath(const char* name)
{
    return QStringLiteral(":/zuno/") + QLatin1String(name);
}

QIcon resource(const char* name)
{
    return QIcon(resourcePath(name));
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
    return resource(iconAsset(0));
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
        {QStringLiteral("Smiley"), resource("smiley.svg")},
        {QStringLiteral("Acronym"), resource("acronym.svg")},
        {QStringLiteral("Smiley2"), resource("smiley-user.svg")},
        {QStringLiteral("Acronym2"), resource("acronym-user.svg")},
    };
}

QIcon AppIcons::button(const QString& themeName)
{
    // Looked up once per process: both pages ask for the same four.
    static QHash<QString, QIcon> found;
    if (const auto it = found.constFind(themeName); it != found.cend())
        return *it;
    const QIcon fallback(QStringLiteral(":/zuno/") + themeName + QStringLiteral(".svg"));
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
