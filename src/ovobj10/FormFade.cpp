#include "ovobj10/FormFade.h"

#include <QPainter>

#include <cmath>

QPixmap FormFade::background(QSize size, qreal ratio, int bandCount, Direction direction)
{
    const int height = size.height();
    const int width = size.width();
    const int n = bandCount;
    // Rounded to the nearest integer, halves to the even neighbour.
    const int colourStep = int(std::nearbyint(256.0 / n));
    const int hStep = int(std::nearbyint(double(height) / n));
    const int wStep = int(std::nearbyint(double(width) / n));

    QPixmap background(QSize(qMax(width, 1), qMax(height, 1)) * ratio);
    background.setDevicePixelRatio(ratio);
    QPainter painter(&background);
    int left = 0;
    int top = 0;
    int right = width;
    int bottom = height;
    const auto fill = [&painter, &left, &top, &right, &bottom](int blue) {
        if (right > left && bottom > top)
            painter.fillRect(QRect(left, top, right - left, bottom - top), QColor(0, 0, blue));
    };
    int blue = 0;
    for (int band = 0; band < n; ++band) {
        const int level = qMin(blue, 255);
        if (direction == Diagonal) {
            left = 0;
            top = bottom - hStep;
            fill(level);
            top = 0;
            left = right - wStep;
            fill(level);
            bottom -= hStep;
            right -= wStep;
        } else if (direction == Vertical) {
            top = bottom - hStep;
            fill(level);
            bottom -= hStep;
        } else {
            left = right - wStep;
            fill(level);
            right -= wStep;
        }
        blue += colourStep;
    }
    left = 0;
    top = 0;
    fill(255);
    painter.end();
    return background;
}
