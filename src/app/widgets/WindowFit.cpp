#include "app/widgets/WindowFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>

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

void WindowFit::makeRoom(QWidget* window, QTabWidget* tabs, int pageHeight)
{
    tabs->ensurePolished();
    const int frame = tabs->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, tabs);
    const int room = tabs->height() - tabs->tabBar()->sizeHint().height() - 2 * frame;
    const int shortfall = pageHeight - room;
    if (shortfall <= 0)
        return;
    tabs->resize(tabs->width(), tabs->height() + shortfall);
    window->setFixedSize(window->width(), window->height() + shortfall);
}
