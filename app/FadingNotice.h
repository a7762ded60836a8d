#pragma once

#include <QLabel>
#include <QRect>

class QPropertyAnimation;

// A short notice that shows at once and then fades out: "Copied" after a
// copy, or another text of the window's. A second notice starts it again.
class FadingNotice : public QLabel
{
    Q_OBJECT
public:
    // place: where it shows at its narrowest; a longer text grows it to the
    // left, its right edge staying where it is.
    FadingNotice(const QRect& place, QWidget* parent);

    void showText(const QString& text);

private:
    QRect m_place;
    QPropertyAnimation* m_fade = nullptr;
};
