#include "CBackupSetCheck.h"

#include "CBackup.h"
#include "CSetSeed.h"
#include "FileSize.h"
#include "LogCallSite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <plist/plist.h>
#include <sqlite3.h>

#include <limits>
#include <memory>
#include <string>

namespace {

bool IsHex(const char* pText, qint64 iLength)
{
    for (qint64 i = 0; i < iLength; ++i) {
        const char c = pText[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

struct PlistFree
{
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistHolder = std::unique_ptr<void, PlistFree>;

struct SqliteClose
{
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct SqliteFinalize
{
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

// A property list file (XML or binary); null when missing, not a regular
// file, too long or not a property list. Regular files only: a FIFO would
// block the reader.
PlistHolder ReadPlist(const QString& qstrPath)
{
    const QFileInfo info(qstrPath);
    if (!info.isFile() || info.size() > CBackupSetCheck::iPlistMaxBytes)
        return nullptr;
    QFile file(qstrPath);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    const QByteArray data = file.read(CBackupSetCheck::iPlistMaxBytes);
    if (data.isEmpty())
        return nullptr;
    plist_t root = nullptr;
    plist_from_memory(data.constData(), static_cast<uint32_t>(data.size()), &root);
    return PlistHolder(root);
}

QString DictString(plist_t dict, const char* key)
{
    plist_t node = plist_get_node_type(dict) == PLIST_DICT ? plist_dict_get_item(dict, key) : nullptr;
    if (node == nullptr || plist_get_node_type(node) != PLIST_STRING)
        return QString();
    uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    return text != nullptr ? QString::fromUtf8(text, static_cast<qsizetype>(length)) : QString();
}

// Notes one failing file, keeping the first few names.
void NoteFailing(structSetCheck& result, const QString& qstrName)
{
    ++result.iFailingCount;
    if (result.qstrlistFirstFailing.size() < CBackupSetCheck::iFirstFailingMax)
        result.qstrlistFirstFailing.append(qstrName);
}

structSetCheck& Fail(structSetCheck& result, enumSetState eiState, const QString& qstrFile, const char* szProblem)
{
    result.eiState = eiState;
    result.qstrProblem = QString::fromLatin1(szProblem);
    NoteFailing(result, qstrFile);
    return result;
}

void ReadDeviceNames(const QString& qstrDataFolder, plist_t manifest, structSetCheck& result)
{
    const PlistHolder info = ReadPlist(CBackup::JoinPath(qstrDataFolder, QStringLiteral("Info.plist")));
    if (info) {
        result.qstrDeviceName = DictString(info.get(), "Device Name");
        result.qstrProductVersion = DictString(info.get(), "Product Version");
    }
    plist_t lockdown = manifest != nullptr && plist_get_node_type(manifest) == PLIST_DICT
                           ? plist_dict_get_item(manifest, "Lockdown")
                           : nullptr;
    if (result.qstrDeviceName.isEmpty())
        result.qstrDeviceName = DictString(lockdown, "DeviceName");
    if (result.qstrProductVersion.isEmpty())
        result.qstrProductVersion = DictString(lockdown, "ProductVersion");
}

// An encrypted set: its manifest is ciphertext, so each file folder's files
// must be regular and non-empty.
void CheckEncryptedFiles(const QString& qstrDataFolder, structSetCheck& result)
{
    const QDir dataFolder(qstrDataFolder);
    const QStringList listFolders = dataFolder.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString& qstrFolder : listFolders) {
        if (qstrFolder.size() != 2 || !IsHex(qstrFolder.toLatin1().constData(), 2))
            continue;
        const QFileInfoList listFiles = QDir(dataFolder.filePath(qstrFolder))
                                            .entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                                                           | QDir::System);
        for (const QFileInfo& info : listFiles) {
            ++result.iFileCount;
            if (info.isSymLink() || !info.isFile() || info.size() <= 0)
                NoteFailing(result, info.fileName());
            else
                result.iTotalBytes += info.size();
        }
    }
}

// The manifest's rows, one at a time: each file row's record, and with
// bFiles its file's size on disk.
void CheckManifestRows(sqlite3_stmt* statement, const QString& qstrDataFolder, bool bFiles, structSetCheck& result)
{
    // The data file's path is built in bytes: one encoding of the folder, then
    // the fileID's characters, which are plain hexadecimal digits.
#ifdef Q_OS_WIN
    std::string prefix = QDir::toNativeSeparators(qstrDataFolder).toStdString();
#else
    std::string prefix = QFile::encodeName(qstrDataFolder).toStdString();
#endif
    const char separator = QDir::separator().toLatin1();
    prefix += separator;
    std::string path;
    int iStep = SQLITE_ROW;
    while ((iStep = sqlite3_step(statement)) == SQLITE_ROW) {
        const auto* id = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        const int iIdLength = sqlite3_column_bytes(statement, 0);
        const bool bIdValid = sqlite3_column_type(statement, 0) == SQLITE_TEXT && CBackupSetCheck::IsFileID(id, iIdLength);
        if (sqlite3_column_int64(statement, 1) != 1) {
            if (!bIdValid)
                NoteFailing(result, QStringLiteral("(a folder row with a malformed fileID)"));
            continue;
        }
        ++result.iFileCount;
        if (!bIdValid) {
            NoteFailing(result, QStringLiteral("(a file row with a malformed fileID)"));
            continue;
        }
        qint64 iSize = 0;
        if (!CBackupSetCheck::RecordSize(static_cast<const char*>(sqlite3_column_blob(statement, 2)),
                                         sqlite3_column_bytes(statement, 2), iSize)) {
            NoteFailing(result, QString::fromLatin1(id, iIdLength));
            continue;
        }
        result.iTotalBytes += iSize;
        if (!bFiles)
            continue;
        path.assign(prefix).append(id, 2).append(1, separator).append(id, iIdLength);
        if (FileSize::OfRegularFile(path.c_str()) != iSize)
            NoteFailing(result, QString::fromLatin1(id, iIdLength));
    }
    if (iStep != SQLITE_DONE) {
        NoteFailing(result, QStringLiteral("Manifest.db"));
        result.qstrProblem = QStringLiteral("Manifest.db cannot be read to its end: ")
                             + QString::fromUtf8(sqlite3_errstr(iStep));
    }
}

// An unencrypted set's Manifest.db, opened read-only and without locks or
// journal files, so that checking never writes into the set.
void CheckManifest(const QString& qstrDataFolder, bool bFiles, structSetCheck& result)
{
    const QString qstrPath = CBackup::JoinPath(qstrDataFolder, QStringLiteral("Manifest.db"));
    if (!QFileInfo(qstrPath).isFile()) {
        Fail(result, eiSetState_Damaged, QStringLiteral("Manifest.db"), "Manifest.db is missing");
        return;
    }
    const QByteArray uri = "file:" + QUrl::toPercentEncoding(QDir::fromNativeSeparators(qstrPath), "/")
                           + "?immutable=1";
    sqlite3* rawDb = nullptr;
    const int iOpen = sqlite3_open_v2(uri.constData(), &rawDb,
                                      SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
    const std::unique_ptr<sqlite3, SqliteClose> db(rawDb);
    sqlite3_stmt* rawStatement = nullptr;
    if (iOpen != SQLITE_OK
        || sqlite3_prepare_v2(db.get(), "SELECT fileID, flags, file FROM Files", -1, &rawStatement, nullptr)
               != SQLITE_OK) {
        Fail(result, eiSetState_Damaged, QStringLiteral("Manifest.db"), "Manifest.db is not a manifest: ");
        result.qstrProblem += QString::fromUtf8(sqlite3_errmsg(db.get()));
        return;
    }
    const std::unique_ptr<sqlite3_stmt, SqliteFinalize> statement(rawStatement);
    CheckManifestRows(statement.get(), qstrDataFolder, bFiles, result);
    if (result.iFailingCount > 0 && result.qstrProblem.isEmpty())
        result.qstrProblem = QStringLiteral("files missing, shorter than recorded or with unreadable records");
    if (result.iFailingCount > 0)
        result.eiState = eiSetState_Damaged;
}

} // namespace

bool CBackupSetCheck::IsFileID(const char* pText, qint64 iLength)
{
    return pText != nullptr && iLength == 40 && IsHex(pText, iLength);
}

bool CBackupSetCheck::RecordSize(const char* pData, qint64 iLength, qint64& iSize)
{
    if (pData == nullptr || iLength <= 0 || iLength > std::numeric_limits<uint32_t>::max())
        return false;
    plist_t rawRoot = nullptr;
    plist_from_bin(pData, static_cast<uint32_t>(iLength), &rawRoot);
    const PlistHolder root(rawRoot);
    if (!root || plist_get_node_type(rawRoot) != PLIST_DICT)
        return false;
    plist_t top = plist_dict_get_item(rawRoot, "$top");
    plist_t objects = plist_dict_get_item(rawRoot, "$objects");
    plist_t rootUid = top != nullptr && plist_get_node_type(top) == PLIST_DICT ? plist_dict_get_item(top, "root")
                                                                                : nullptr;
    if (rootUid == nullptr || plist_get_node_type(rootUid) != PLIST_UID || objects == nullptr
        || plist_get_node_type(objects) != PLIST_ARRAY)
        return false;
    uint64_t iIndex = 0;
    plist_get_uid_val(rootUid, &iIndex);
    if (iIndex >= plist_array_get_size(objects))
        return false;
    plist_t record = plist_array_get_item(objects, static_cast<uint32_t>(iIndex));
    plist_t size = record != nullptr && plist_get_node_type(record) == PLIST_DICT
                       ? plist_dict_get_item(record, "Size")
                       : nullptr;
    if (size == nullptr || plist_get_node_type(size) != PLIST_UINT)
        return false;
    uint64_t iValue = 0;
    plist_get_uint_val(size, &iValue);
    // libplist holds a negative integer as its two's complement.
    if (iValue > static_cast<uint64_t>(std::numeric_limits<qint64>::max()))
        return false;
    iSize = static_cast<qint64>(iValue);
    return true;
}

structSetCheck CBackupSetCheck::Check(const QString& qstrDataFolder, bool bFiles)
{
    TEXTLOG("Enter : qstrDataFolder : %s, bFiles : %d", LOG8(qstrDataFolder), bFiles ? 1 : 0);
    structSetCheck result;
    const PlistHolder manifest = ReadPlist(CBackup::JoinPath(qstrDataFolder, QStringLiteral("Manifest.plist")));
    ReadDeviceNames(qstrDataFolder, manifest.get(), result);
    const PlistHolder status = ReadPlist(CBackup::JoinPath(qstrDataFolder, QStringLiteral("Status.plist")));
    // A seeded set keeps its base's finished Status.plist until the device
    // sends its own: until its backup succeeded, its marker tells.
    if (QFileInfo::exists(CBackup::JoinPath(qstrDataFolder, CSetSeed::UnfinishedMarkerName())))
        Fail(result, eiSetState_Unfinished, CSetSeed::UnfinishedMarkerName(), "its backup did not end");
    else if (!status)
        Fail(result, eiSetState_Unfinished, QStringLiteral("Status.plist"), "Status.plist is missing or unreadable");
    else if (DictString(status.get(), "SnapshotState") != QLatin1String("finished"))
        Fail(result, eiSetState_Unfinished, QStringLiteral("Status.plist"), "the snapshot did not finish");
    else if (!manifest || plist_get_node_type(manifest.get()) != PLIST_DICT)
        Fail(result, eiSetState_Damaged, QStringLiteral("Manifest.plist"), "Manifest.plist is missing or unreadable");
    else
        result.eiState = eiSetState_Complete;
    if (result.eiState != eiSetState_Complete) {
        TEXTLOG("Exit : %s", LOG8(result.qstrProblem));
        return result;
    }
    plist_t encrypted = plist_dict_get_item(manifest.get(), "IsEncrypted");
    uint8_t bEncrypted = 0;
    if (encrypted != nullptr && plist_get_node_type(encrypted) == PLIST_BOOLEAN)
        plist_get_bool_val(encrypted, &bEncrypted);
    result.bEncrypted = bEncrypted != 0;
    if (!result.bEncrypted) {
        CheckManifest(qstrDataFolder, bFiles, result);
    } else {
        const QFileInfo manifestDb(CBackup::JoinPath(qstrDataFolder, QStringLiteral("Manifest.db")));
        if (!manifestDb.isFile() || manifestDb.size() <= 0)
            Fail(result, eiSetState_Damaged, QStringLiteral("Manifest.db"), "Manifest.db is missing or empty");
        else
            CheckEncryptedFiles(qstrDataFolder, result);
        if (result.iFailingCount > 0) {
            result.eiState = eiSetState_Damaged;
            if (result.qstrProblem.isEmpty())
                result.qstrProblem = QStringLiteral("files missing, empty or not regular");
        }
    }
    TEXTLOG("Exit : state : %d, files : %lld, bytes : %lld, failing : %lld, %s", int(result.eiState),
            result.iFileCount, result.iTotalBytes, result.iFailingCount, LOG8(result.qstrProblem));
    return result;
}
