#include "app/widgets/LabelledComboBox.h"

#include "app/widgets/LabelledComboAccessible.h"

LabelledComboBox::LabelledComboBox(QWidget* parent)
    : QComboBox(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(&LabelledComboBox::accessible);
        return true;
    }();
    Q_UNUSED(installed);
}

QAccessibleInterface* LabelledComboBox::accessible(const QString& className, QObject* object)
{
    // Asked for every class of the object in turn: this one comes first.
    if (className == QLatin1String(staticMetaObject.className()) && object->isWidgetType())
        return new LabelledComboAccessible(static_cast<QComboBox*>(object));
    return nullptr;
}
