#pragma once

#include <QComboBox>

class QAccessibleInterface;

// A combo box that screen readers know by its label: its accessible name is
// the one it is given (setAccessibleName), its current text the value. Qt's
// own combo box answers its current text as the name on Linux, so that a
// reader says the language instead of what the box is for.
class LabelledComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit LabelledComboBox(QWidget* parent = nullptr);

    // The accessibility factory for this class (installed once).
    static QAccessibleInterface* accessible(const QString& className, QObject* object);
};
