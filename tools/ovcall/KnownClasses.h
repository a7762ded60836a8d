#pragma once

#include <QList>

struct QMetaObject;

// The creatable classes of the libraries that ovcall links.
QList<const QMetaObject*> knownClasses();
