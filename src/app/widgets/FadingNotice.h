#pragma once

#include <QLabel>

class QPropertyAnimation;

// A short notice that shows at once and then fades out: "Copied" after a
// copy, or another text of the window's. A second notice starts it again.
class FadingNotice : public QLabel
{
    Q_OBJECT
public:
    // over: the list's viewport; the notice shows in its top right corner,
    // inside it, so that it covers neither the header nor a scroll bar. A
    // longer text grows it to the left.
    explicit FadingNotice(QWidget* over);

    void showText(const QString& text);

private:
    QPropertyAnimation* m_fade = nullptr;
};
