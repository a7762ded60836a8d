#pragma once

#include <QFrame>

class QLabel;
class QTimer;
class QToolButton;

// A notice over the bottom of a list that says what was just done and offers
// to undo it, for a few seconds: long enough to read and reach the button,
// short enough not to stay in the way. It keeps inside the list's viewport,
// off the header and the scroll bars, and screen readers hear it when it
// shows.
class UndoNotice : public QFrame
{
    Q_OBJECT
public:
    static constexpr int ShownMilliseconds = 6000;

    // over: the viewport the notice sits in.
    explicit UndoNotice(QWidget* over);

    void showText(const QString& text, const QString& undoText);
    // A part of the text (an entry) cut in the middle to fit beside the rest.
    QString shortened(const QString& part) const;
    QLabel* label() const { return m_label; }

Q_SIGNALS:
    void undoClicked();

private:
    void place();

    QLabel* m_label = nullptr;
    QToolButton* m_undo = nullptr;
    QTimer* m_hide = nullptr;
};
