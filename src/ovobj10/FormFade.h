#pragma once

#include <QPixmap>
#include <QSize>

// The blue gradient a faded form takes as its background: bandCount bands
// from black to full blue, from the bottom right towards the top left
// (diagonally, upwards or leftwards), as the fade of the original platform
// drew it band by band.
class FormFade
{
public:
    enum Direction { Diagonal, Vertical, Horizontal };

    static QPixmap background(QSize size, qreal ratio, int bandCount, Direction direction);
};
