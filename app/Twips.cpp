#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace {
constexpr qreal TwipsPerInch = 1440.0;
}

qreal Twips::screenDpi()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

Twips::Twips(qreal dpi)
    : m_dpi(dpi > 0 ? dpi : 96.0)
{}

int Twips::toPixels(int twips) const
{
    return static_cast<int>(std::lround(twips * m_dpi / TwipsPerInch));
}

QRect Twips::rect(int left, int top, int width, int height) const
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

QSize Twips::size(int width, int height) const
{
    return QSize(toPixels(width), toPixels(height));
}
