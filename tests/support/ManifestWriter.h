// Writes the parts of a backup set that a device sends, for the tests and
// benchmarks of the set check: a Manifest.db with its Files table and each
// row's record in keyed-archiver form, and the set's property lists.
#ifndef CORVINA_MANIFESTWRITER_H
#define CORVINA_MANIFESTWRITER_H

#include <QByteArray>
#include <QList>
#include <QString>

class ManifestWriter
{
public:
    struct Row
    {
        QByteArray fileID;
        int flags = 1; // 1 a file, 2 a folder
        QByteArray record;
    };

    // An MBFile record of this size as NSKeyedArchiver writes it (binary).
    static QByteArray Record(qint64 iSize);
    // The fileID of a number: 40 lowercase hexadecimal digits.
    static QByteArray FileID(int iNumber);
    // A new Manifest.db at qstrPath with these rows in a table of that name;
    // false when it cannot be written.
    static bool WriteManifest(const QString& qstrPath, const QList<Row>& listRows,
                              const QByteArray& table = "Files");
    // Status.plist (SnapshotState) and Manifest.plist (IsEncrypted) as XML.
    static bool WriteStatus(const QString& qstrDataFolder, const QString& qstrSnapshotState);
    static bool WriteManifestPlist(const QString& qstrDataFolder, bool bEncrypted);
    // A file of iSize bytes at the place of its fileID in the data folder.
    static bool WriteFile(const QString& qstrDataFolder, const QByteArray& fileID, qint64 iSize);
    // Every path and byte under a folder as one digest: tells whether a set changed.
    static QByteArray FolderDigest(const QString& qstrFolder);
};

#endif
