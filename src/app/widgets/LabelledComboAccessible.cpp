#include "app/widgets/LabelledComboAccessible.h"

#include <QAbstractItemView>
#include <QComboBox>

LabelledComboAccessible::LabelledComboAccessible(QComboBox* box)
    : QAccessibleWidget(box, QAccessible::ComboBox)
{}

QComboBox* LabelledComboAccessible::box() const
{
    return static_cast<QComboBox*>(widget());
}

QString LabelledComboAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return box()->currentText();
    if (t == QAccessible::Name && box()->accessibleName().isEmpty())
        return box()->currentText();
    return QAccessibleWidget::text(t);
}

int LabelledComboAccessible::childCount() const
{
    return box()->view() ? 1 : 0;
}

QAccessibleInterface* LabelledComboAccessible::child(int index) const
{
    return index == 0 && box()->view() ? QAccessible::queryAccessibleInterface(box()->view())
                                       : nullptr;
}

int LabelledComboAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    return child && box()->view() && child->object() == box()->view() ? 0 : -1;
}

QStringList LabelledComboAccessible::actionNames() const
{
    return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
}

void LabelledComboAccessible::doAction(const QString& actionName)
{
    if (actionName == showMenuAction() || actionName == pressAction())
        box()->showPopup();
    else
        QAccessibleWidget::doAction(actionName);
}
