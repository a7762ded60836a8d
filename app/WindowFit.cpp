#include "WindowFit.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

qreal WindowFit::factor(const QSize& designed, const QSize& available)
{
    if (designed.isEmpty() || available.isEmpty())
        return 1.0;
    const qreal across = qreal(available.width() - FrameRoom.width()) / designed.width();
    const qreal down = qreal(available.height() - FrameRoom.height()) / designed.height();
    return std::clamp(std::min(across, down), 0.5, 1.0);
}

Twips WindowFit::fitting(int widthTwips, int heightTwips)
{
    Twips::setFit(1.0);
    const QSize designed = Twips().size(widthTwips, heightTwips);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        Twips::setFit(factor(designed, screen->availableGeometry().size()));
    return Twips();
}
