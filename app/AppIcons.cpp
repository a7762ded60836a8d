#include "AppIcons.h"

#include <QPainter>
#include <QSvgRenderer>

namespace {
QIcon resource(const char* name)
{
    return QIcon(QStringLiteral(":/zuno/") + QLatin1String(name));
}
} // namespace

QIcon AppIcons::program()
{
    return resource("zunosmiley.svg");
}

QIcon AppIcons::document(int index)
{
    switch (index) {
    case 1:
        return resource("smiley-list.svg");
    case 2:
        return resource("acronym-list.svg");
    default:
        return program();
    }
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
    const QIcon fallback(QStringLiteral(":/zuno/") + themeName + QStringLiteral(".svg"));
    if (themeName == QLatin1String("document-edit") && !QIcon::hasThemeIcon(themeName))
        return QIcon::fromTheme(QStringLiteral("document-properties"), fallback);
    return QIcon::fromTheme(themeName, fallback);
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
