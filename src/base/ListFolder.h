#pragma once

#include <QString>
#include <QStringList>

// Where the user list files live: beside the program when its folder is
// writable, as the program has always kept them, otherwise (and always for an
// installed program) in the per-user data folder. The choice is made once per start, so that the
// files are read from and written to the same place.
class ListFolder
{
public:
    // The program's folder when a file can be created in it and it is not an
    // installation's, else dataFolder.
    static QString choose(const QString& programFolder, const QString& dataFolder);

    // The per-user data folder of the program.
    static QString userDataFolder();

    // Of fileNames, those that the program folder holds as a regular file
    // and the data folder does not (nor as a link): what copyProgramLists
    // would copy.
    static QStringList programListsToCopy(const QString& programFolder, const QString& dataFolder,
                                          const QStringList& fileNames);
    // The first start with the data folder when the program's folder holds
    // list files: each of programListsToCopy() is copied there; nothing is
    // ever overwritten and the originals stay as they are. Answers the names
    // copied.
    static QStringList copyProgramLists(const QString& programFolder, const QString& dataFolder,
                                        const QStringList& fileNames);

    // Whether a new file can be created in the folder (true for root only
    // when the file system really accepts it).
    static bool isWritable(const QString& folder);
};
