#pragma once

#include <QString>
#include <QStringList>

class QObject;

// The client's side of registration: finds a registered name in the class
// registry stores, loads the class's library, asks it for the class object
// and creates the instance. Libraries stay loaded until
// unloadUnusedLibraries() finds that they can go.
namespace ComponentLoader {

// The stores read, first to last; the first that knows a key answers it:
// the user's own store, then the store of this installation (the data
// folder beside the program's folder, "../share/ZunoSmileys/registry.sqlite"
// from a program in "bin"), then "ZunoSmileys/registry.sqlite" in each
// folder of XDG_DATA_DIRS.
QStringList storeLocations();

struct Registration
{
    QString classId;
    QString libraryPath;
};

// The class identifier and library of a registered name. False with a
// message when it is not registered, or registered without a library.
bool find(const QString& progId, Registration* registration, QString* error);

// A new object of the class registered under progId, owned by the caller;
// nullptr with a message saying why when it cannot be made.
QObject* create(const QString& progId, QString* error);

// Unloads each library that this process loaded and that answers that none
// of its objects is alive; answers how many went.
int unloadUnusedLibraries();

} // namespace ComponentLoader
