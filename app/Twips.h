#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

// Window layouts are drawn up in twips, 1440 to the inch; on screen they
// become pixels at the screen's logical resolution, so the layout keeps its
// proportions on a high-DPI desktop.
class Twips
{
public:
    // The logical resolution of the primary screen (96 when there is none).
    static qreal screenDpi();

    explicit Twips(qreal dpi = screenDpi());

    int toPixels(int twips) const;
    QRect rect(int left, int top, int width, int height) const;
    QSize size(int width, int height) const;

private:
    qreal m_dpi;
};
