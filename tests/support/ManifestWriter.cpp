#include "ManifestWriter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <plist/plist.h>
#include <sqlite3.h>

#include <cstdlib>

namespace {

bool WriteText(const QString& qstrPath, const QByteArray& text)
{
    QFile file(qstrPath);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

QByteArray PlistXml(const char* key, const QByteArray& value)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>") + key
           + "</key>" + value + "</dict></plist>\n";
}

} // namespace

QByteArray ManifestWriter::Record(qint64 iSize)
{
    plist_t record = plist_new_dict();
    plist_dict_set_item(record, "$class", plist_new_uid(2));
    plist_dict_set_item(record, "Size", plist_new_uint(static_cast<uint64_t>(iSize)));
    plist_dict_set_item(record, "Mode", plist_new_uint(0100644));
    plist_dict_set_item(record, "LastModified", plist_new_uint(1700000000));
    plist_t className = plist_new_dict();
    plist_dict_set_item(className, "$classname", plist_new_string("MBFile"));
    plist_t objects = plist_new_array();
    plist_array_append_item(objects, plist_new_string("$null"));
    plist_array_append_item(objects, record);
    plist_array_append_item(objects, className);
    plist_t top = plist_new_dict();
    plist_dict_set_item(top, "root", plist_new_uid(1));
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "$archiver", plist_new_string("NSKeyedArchiver"));
    plist_dict_set_item(root, "$version", plist_new_uint(100000));
    plist_dict_set_item(root, "$top", top);
    plist_dict_set_item(root, "$objects", objects);
    char* data = nullptr;
    uint32_t iLength = 0;
    plist_to_bin(root, &data, &iLength);
    const QByteArray bytes(data, static_cast<qsizetype>(iLength));
    std::free(data);
    plist_free(root);
    return bytes;
}

QByteArray ManifestWriter::FileID(int iNumber)
{
    return QCryptographicHash::hash(QByteArray::number(iNumber), QCryptographicHash::Sha1).toHex();
}

bool ManifestWriter::WriteManifest(const QString& qstrPath, const QList<Row>& listRows, const QByteArray& table)
{
    QFile::remove(qstrPath);
    sqlite3* db = nullptr;
    const QByteArray create = "CREATE TABLE " + table
                              + " (fileID TEXT PRIMARY KEY, domain TEXT, relativePath TEXT, flags INTEGER, file BLOB);"
                                " BEGIN";
    bool bOk = sqlite3_open(QFile::encodeName(qstrPath).constData(), &db) == SQLITE_OK
               && sqlite3_exec(db, create.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* insert = nullptr;
    const QByteArray insertText = "INSERT INTO " + table + " VALUES (?, 'HomeDomain', 'Library/x', ?, ?)";
    bOk = bOk && sqlite3_prepare_v2(db, insertText.constData(), -1, &insert, nullptr) == SQLITE_OK;
    for (const Row& row : listRows) {
        if (!bOk)
            break;
        sqlite3_bind_text(insert, 1, row.fileID.constData(), static_cast<int>(row.fileID.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 2, row.flags);
        sqlite3_bind_blob(insert, 3, row.record.constData(), static_cast<int>(row.record.size()), SQLITE_TRANSIENT);
        bOk = sqlite3_step(insert) == SQLITE_DONE && sqlite3_reset(insert) == SQLITE_OK;
    }
    sqlite3_finalize(insert);
    bOk = bOk && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return bOk;
}

bool ManifestWriter::WriteStatus(const QString& qstrDataFolder, const QString& qstrSnapshotState)
{
    return WriteText(QDir(qstrDataFolder).filePath(QStringLiteral("Status.plist")),
                     PlistXml("SnapshotState", "<string>" + qstrSnapshotState.toUtf8() + "</string>"));
}

bool ManifestWriter::WriteManifestPlist(const QString& qstrDataFolder, bool bEncrypted)
{
    return WriteText(QDir(qstrDataFolder).filePath(QStringLiteral("Manifest.plist")),
                     PlistXml("IsEncrypted", bEncrypted ? "<true/>" : "<false/>"));
}

bool ManifestWriter::WriteFile(const QString& qstrDataFolder, const QByteArray& fileID, qint64 iSize)
{
    const QDir folder(qstrDataFolder);
    const QString qstrSub = QString::fromLatin1(fileID.left(2));
    return folder.mkpath(qstrSub)
           && WriteText(folder.filePath(qstrSub + QLatin1Char('/') + QString::fromLatin1(fileID)),
                        QByteArray(static_cast<qsizetype>(iSize), 'x'));
}

QByteArray ManifestWriter::FolderDigest(const QString& qstrFolder)
{
    const QDir folder(qstrFolder);
    QStringList qstrlistFiles;
    QDirIterator it(qstrFolder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        qstrlistFiles << folder.relativeFilePath(it.next());
    qstrlistFiles.sort();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString& qstrFile : qstrlistFiles) {
        QFile file(folder.filePath(qstrFile));
        hash.addData(qstrFile.toUtf8() + '\0');
        if (file.open(QIODevice::ReadOnly))
            hash.addData(file.readAll() + '\0');
    }
    return hash.result().toHex();
}
