#pragma once

#include "base/AtomicFileWriter.h"
#include "base/StoreFile.h"

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// The changes a merging store (FavouriteStore, KeywordStore) made that its
// file does not have yet, oldest first, and the one rule of writing the
// next: it goes to the file as it is on disk, after them, under the file's
// lock (StoreFile::update). Once written, none is left; when not, it joins
// them, to go to the file with the next change written, unless the file
// cannot take it for its size (TooLarge): that one holds for this run only.
template <class Change> class UnwrittenChanges
{
public:
    struct File
    {
        QString path;
        qint64 maxSize = 0;
        const char* what = nullptr; // names the file in a warning
        AtomicFileWriter::CreationMode mode;
    };

    // Writes change after the unwritten ones; applyOne(object, each)
    // applies one change to the object the file holds. written receives the
    // object as written, and nothing when the change was not.
    template <class ApplyOne>
    AtomicFileWriter::Result write(const File& file, const Change& change, const ApplyOne& applyOne,
                                   std::optional<QJsonObject>* written)
    {
        const auto applyAll = [this, &change, &applyOne](QJsonObject& object) {
            for (const Change& each : std::as_const(m_changes))
                applyOne(object, each);
            applyOne(object, change);
        };
        AtomicFileWriter::Result result =
            StoreFile::update(file.path, file.maxSize, file.what, file.mode, applyAll, written);
        if (result && *written) {
            m_changes.clear();
            return result;
        }
        written->reset();
        if (result)
            result.failure = AtomicFileWriter::Failure::Other;
        if (result.failure != AtomicFileWriter::Failure::TooLarge)
            m_changes.append(change);
        return result;
    }

    bool isEmpty() const { return m_changes.isEmpty(); }
    // Oldest first, for a store to apply again over what it read.
    auto begin() const { return m_changes.cbegin(); }
    auto end() const { return m_changes.cend(); }

private:
    QList<Change> m_changes;
};
