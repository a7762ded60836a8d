#include "app/widgets/FadingNotice.h"

#include <QGraphicsOpacityEffect>
#include <QPropertyAnimation>

#include <algorithm>

FadingNotice::FadingNotice(QWidget* over)
    : QLabel(over)
{
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    setFrameShape(QFrame::StyledPanel);
    auto* effect = new QGraphicsOpacityEffect(this);
    setGraphicsEffect(effect);
    hide();
}

void FadingNotice::showText(const QString& text)
{
    setText(text);
    constexpr int Margin = 4;
    const QWidget* over = parentWidget();
    const QSize hint = sizeHint();
    const int width = std::min(hint.width() + 16, over->width() - 2 * Margin);
    setGeometry(over->width() - Margin - width, Margin, width, hint.height() + 8);
    auto* effect = static_cast<QGraphicsOpacityEffect*>(graphicsEffect());
    // Made at the first notice: most starts never show one.
    if (!m_fade) {
        m_fade = new QPropertyAnimation(effect, "opacity", this);
        m_fade->setDuration(1500);
        m_fade->setKeyValueAt(0, 1.0);
        m_fade->setKeyValueAt(0.5, 1.0);
        m_fade->setKeyValueAt(1, 0.0);
        connect(m_fade, &QPropertyAnimation::finished, this, &QWidget::hide);
    }
    m_fade->stop();
    effect->setOpacity(1.0);
    show();
    raise();
    m_fade->start();
}
