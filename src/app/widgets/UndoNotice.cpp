#include "app/widgets/UndoNotice.h"

#include <QAccessible>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QToolButton>

UndoNotice::UndoNotice(QWidget* over)
    : QFrame(over)
{
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setAccessibleName(QStringLiteral("notice"));
    m_label = new QLabel(this);
    m_label->setTextFormat(Qt::PlainText);
    m_undo = new QToolButton(this);
    m_undo->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 2, 2);
    layout->addWidget(m_label, 1);
    layout->addWidget(m_undo);
    m_hide = new QTimer(this);
    m_hide->setSingleShot(true);
    m_hide->setInterval(ShownMilliseconds);
    connect(m_hide, &QTimer::timeout, this, &QWidget::hide);
    connect(m_undo, &QToolButton::clicked, this, [this] {
        hide();
        Q_EMIT undoClicked();
    });
    hide();
}

void UndoNotice::showText(const QString& text, const QString& undoText)
{
    m_label->setText(text);
    m_undo->setText(undoText);
    place();
    show();
    raise();
    m_hide->start();
    QAccessibleEvent shown(m_label, QAccessible::Alert);
    QAccessible::updateAccessibility(&shown);
}

QString UndoNotice::shortened(const QString& part) const
{
    return m_label->fontMetrics().elidedText(part, Qt::ElideMiddle, parentWidget()->width() / 3);
}

void UndoNotice::place()
{
    const QWidget* over = parentWidget();
    const int height = sizeHint().height();
    setGeometry(4, over->height() - height - 4, over->width() - 8, height);
}
