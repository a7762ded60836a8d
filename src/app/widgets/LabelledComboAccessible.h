#pragma once

#include <QAccessibleWidget>

class QComboBox;

// What screen readers learn of a LabelledComboBox: a combo box named by its
// accessible name, valued by its current text, with the list it opens as
// its child and the action that opens it.
class LabelledComboAccessible : public QAccessibleWidget
{
public:
    explicit LabelledComboAccessible(QComboBox* box);

    QString text(QAccessible::Text t) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    QComboBox* box() const;
};
