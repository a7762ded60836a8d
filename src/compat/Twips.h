#pragma once

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QSize>

#include <cmath>

// Window layouts are drawn up in twips, 1440 to the inch; on screen they
// become pixels at the screen's logical resolution, so the layout keeps its
// proportions on a high-DPI desktop. Header-only, so the compat layer itself
// needs no GUI library: only the windows that use it do.
class Twips
{
public:
    // The logical resolution of the primary screen (96 when there is none),
    // times the fit.
    static qreal screenDpi()
    {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return (screen ? screen->logicalDotsPerInch() : 96.0) * fit();
    }
    // A program whose layout is too large for the screen draws every layout
    // smaller by this factor, 1 by default; only a factor below 1 is taken.
    static void setFit(qreal factor) { fitValue() = factor > 0 && factor < 1 ? factor : 1.0; }
    static qreal fit() { return fitValue(); }

    explicit Twips(qreal dpi = screenDpi())
        : m_dpi(dpi > 0 ? dpi : 96.0)
    {}

    int toPixels(int twips) const { return static_cast<int>(std::lround(twips * m_dpi / 1440.0)); }
    QRect rect(int left, int top, int width, int height) const
    {
        return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
    }
    QRect rect(const QRect& twips) const
    {
        return rect(twips.x(), twips.y(), twips.width(), twips.height());
    }
    QSize size(int width, int height) const { return QSize(toPixels(width), toPixels(height)); }

private:
    static qreal& fitValue()
    {
        static qreal factor = 1.0;
        return factor;
    }

    qreal m_dpi;
};
