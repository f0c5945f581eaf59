#include "CSetSeed.h"

#include "CBackup.h"
#include "CBackupSetCheck.h"
#include "CStaticPubFunc.h"
#include "LogCallSite.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <plist/plist.h>

#include <cstdlib>
#include <memory>

namespace {

// A path as the system takes it.
QByteArray NativePath(const QString& qstrPath)
{
#ifdef Q_OS_WIN
    return QDir::toNativeSeparators(qstrPath).toUtf8();
#else
    return QFile::encodeName(qstrPath);
#endif
}

// The folders the tool keeps the device's files in: two hexadecimal digits.
bool IsFileFolder(const QString& qstrName)
{
    static const QString qstrHex = QStringLiteral("0123456789abcdefABCDEF");
    return qstrName.size() == 2 && qstrHex.contains(qstrName.at(0)) && qstrHex.contains(qstrName.at(1));
}

qint64 ModifiedMsecs(const QFileInfo& info)
{
    return info.lastModified().toMSecsSinceEpoch();
}

struct PlistFree
{
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};

} // namespace

QString CSetSeed::UnfinishedMarkerName()
{
    return QStringLiteral("Corvina.unfinished");
}

QString CSetSeed::ErrorText(const FileLinkPlatform::Result& platformResult) const
{
    return QString::fromLocal8Bit(m_platform.ErrorText(platformResult.iError).c_str());
}

QString CSetSeed::FindBase(const QString& qstrRoot, const QString& qstrExcluded, const QString& qstrDeviceUDID,
                           enumDeviceEncryption eiEncryption)
{
    const QStringList listSets = CBackup::QStrGetAllBackupDirectory(qstrRoot);
    for (qsizetype i = listSets.size() - 1; i >= 0; --i) {
        const QString& qstrName = listSets.at(i);
        if (qstrName == qstrExcluded)
            continue;
        const QString qstrSet = CBackup::JoinPath(qstrRoot, qstrName);
        QString qstrDataFolderName;
        QString qstrIPAFolderName;
        CBackup::ReadBackupFlag(qstrSet, qstrDataFolderName, qstrIPAFolderName);
        if (qstrDataFolderName != qstrDeviceUDID) {
            TEXTLOG("not a base: %s: not a set of this device", LOG8(qstrName));
            continue;
        }
        const structSetCheck check = CBackupSetCheck::Check(CBackup::JoinPath(qstrSet, qstrDeviceUDID));
        if (check.eiState != eiSetState_Complete) {
            TEXTLOG("not a base: %s: %s", LOG8(qstrName), LOG8(check.qstrProblem));
            continue;
        }
        if (eiEncryption != eiDeviceEncryption_Unknown && check.bEncrypted != (eiEncryption == eiDeviceEncryption_On)) {
            TEXTLOG("not a base: %s: encrypted %d, the device's backup %d", LOG8(qstrName), check.bEncrypted ? 1 : 0,
                    eiEncryption == eiDeviceEncryption_On ? 1 : 0);
            continue;
        }
        return qstrName;
    }
    return QString();
}

bool CSetSeed::ListBase(const QString& qstrBaseData, QList<structEntry>& listEntries, QString& qstrWhy)
{
    // Folders to list, with whether their files are shared.
    QList<QPair<QString, bool>> listFolders{{QString(), false}};
    const QString qstrMarker = UnfinishedMarkerName();
    while (!listFolders.isEmpty()) {
        const auto [qstrFolder, bShared] = listFolders.takeFirst();
        const QDir dir(qstrFolder.isEmpty() ? qstrBaseData : CBackup::JoinPath(qstrBaseData, qstrFolder));
        if (!dir.isReadable()) {
            qstrWhy = QStringLiteral("the base's folder cannot be read: ") + dir.path();
            return false;
        }
        const QFileInfoList listInfos =
            dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
        for (const QFileInfo& info : listInfos) {
            const QString qstrRelative = qstrFolder.isEmpty() ? info.fileName() : qstrFolder + u'/' + info.fileName();
            if (info.isSymLink() || !(info.isDir() || info.isFile())) {
                qstrWhy = QStringLiteral("the base holds something that is neither a folder nor a file: ") + qstrRelative;
                return false;
            }
            if (qstrFolder.isEmpty() && info.fileName() == qstrMarker)
                continue;
            structEntry entry;
            entry.qstrRelative = qstrRelative;
            entry.bFolder = info.isDir();
            entry.iSize = entry.bFolder ? 0 : info.size();
            entry.bShared = !entry.bFolder && bShared;
            listEntries.append(entry);
            if (entry.bFolder)
                listFolders.append({qstrRelative, bShared || (qstrFolder.isEmpty() && IsFileFolder(info.fileName()))});
        }
    }
    return true;
}

bool CSetSeed::HasRoom(const QString& qstrRoot, qint64 iBytes) const
{
    const std::int64_t iFree = m_platform.FreeBytes(NativePath(qstrRoot).constData());
    TEXTLOG("free : %lld, needed : %lld", static_cast<long long>(iFree), iBytes + iBytes / 10);
    // A disk that does not tell is tried; a copy that does not fit fails and is undone.
    return iFree < 0 || iFree >= iBytes + iBytes / 10;
}

bool CSetSeed::Fill(const QString& qstrRoot, const QString& qstrBaseData, const QString& qstrData,
                    const QList<structEntry>& listEntries, const CToolEndRequest* pEnd, structSeedResult& result)
{
    qint64 iSharedLeft = 0;
    qint64 iPrivate = 0;
    for (const structEntry& entry : listEntries)
        (entry.bShared ? iSharedLeft : iPrivate) += entry.iSize;
    if (!HasRoom(qstrRoot, iPrivate)) {
        result.qstrWhy = QStringLiteral("no room on the disk for the set's own files");
        return false;
    }
    if (!QDir().mkpath(qstrData)
        || !CStaticPubFunc::WriteStringToFile(CBackup::JoinPath(qstrData, UnfinishedMarkerName()), QString())) {
        result.qstrWhy = QStringLiteral("the set's data folder cannot be made");
        return false;
    }
    result.eiRoad = eiSeedRoad_Linked;
    for (const structEntry& entry : listEntries) {
        if (pEnd != nullptr && pEnd->IsRequested()) {
            result.qstrWhy = QStringLiteral("ended on request");
            return false;
        }
        const QString qstrTo = CBackup::JoinPath(qstrData, entry.qstrRelative);
        if (entry.bFolder) {
            if (!QDir().mkdir(qstrTo)) {
                result.qstrWhy = QStringLiteral("a folder cannot be made: ") + entry.qstrRelative;
                return false;
            }
            continue;
        }
        const QByteArray from = NativePath(CBackup::JoinPath(qstrBaseData, entry.qstrRelative));
        const QByteArray to = NativePath(qstrTo);
        if (entry.bShared && result.eiRoad == eiSeedRoad_Linked) {
            const FileLinkPlatform::Result linked = m_platform.Link(from.constData(), to.constData());
            if (linked.eiOutcome == FileLinkPlatform::Outcome::Unsupported) {
                TEXTLOG("no hard links here (%s): copying", LOG8(ErrorText(linked)));
                if (!HasRoom(qstrRoot, iSharedLeft)) {
                    result.qstrWhy = QStringLiteral("the disk has no hard links (") + ErrorText(linked)
                                     + QStringLiteral(") and no room for a copy");
                    return false;
                }
                result.eiRoad = eiSeedRoad_Copied;
            } else if (linked.eiOutcome == FileLinkPlatform::Outcome::Failed) {
                result.qstrWhy = QStringLiteral("a file cannot be linked: ") + entry.qstrRelative + QStringLiteral(": ")
                                 + ErrorText(linked);
                return false;
            }
        }
        if (!entry.bShared || result.eiRoad == eiSeedRoad_Copied) {
            const FileLinkPlatform::Result copied = m_platform.Copy(from.constData(), to.constData());
            if (copied.eiOutcome != FileLinkPlatform::Outcome::Done) {
                result.qstrWhy = QStringLiteral("a file cannot be copied: ") + entry.qstrRelative + QStringLiteral(": ")
                                 + ErrorText(copied);
                return false;
            }
        }
        if (entry.bShared)
            iSharedLeft -= entry.iSize;
        const QFileInfo info(qstrTo);
        result.seededFiles.insert(entry.qstrRelative, {info.size(), ModifiedMsecs(info)});
        result.iBytes += entry.iSize;
    }
    result.qstrWhy = result.eiRoad == eiSeedRoad_Linked
                         ? QStringLiteral("unchanged files shared with the base by hard links")
                         : QStringLiteral("the disk has no hard links: the base copied");
    return true;
}

structSeedResult CSetSeed::Seed(const QString& qstrSetDirectory, const QString& qstrDeviceUDID,
                                enumDeviceEncryption eiEncryption, const CToolEndRequest* pEnd)
{
    TEXTLOG("Enter : qstrSetDirectory : %s", LOG8(qstrSetDirectory));
    structSeedResult result;
    const QFileInfo setInfo(qstrSetDirectory);
    const QString qstrRoot = setInfo.absolutePath();
    const QString qstrData = CBackup::JoinPath(qstrSetDirectory, qstrDeviceUDID);
    QList<structEntry> listEntries;
    if (!CStaticPubFunc::IsPlainFileName(qstrDeviceUDID)) {
        result.qstrWhy = QStringLiteral("the device's identifier is no plain folder name");
    } else if (QFileInfo(qstrData).isSymLink()
               || (QFileInfo::exists(qstrData) && !QDir(qstrData).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot
                                                                          | QDir::Hidden | QDir::System))) {
        result.qstrWhy = QStringLiteral("the set already holds data of an earlier attempt");
    } else if ((result.qstrBaseSet = FindBase(qstrRoot, setInfo.fileName(), qstrDeviceUDID, eiEncryption)).isEmpty()) {
        result.qstrWhy = QStringLiteral("no sound set of this device in the root");
    } else {
        const QString qstrBaseData = CBackup::JoinPath(CBackup::JoinPath(qstrRoot, result.qstrBaseSet), qstrDeviceUDID);
        const bool bExisted = QFileInfo::exists(qstrData);
        if (!ListBase(qstrBaseData, listEntries, result.qstrWhy)
            || !Fill(qstrRoot, qstrBaseData, qstrData, listEntries, pEnd, result)) {
            // Only the new set's own folder goes: removing links never changes the base.
            if (result.eiRoad != eiSeedRoad_Full && !QDir(qstrData).removeRecursively())
                TEXTLOG("what was seeded cannot be removed entirely");
            if (bExisted)
                QDir().mkpath(qstrData);
            result.eiRoad = eiSeedRoad_Full;
            result.seededFiles.clear();
            result.iBytes = 0;
        }
    }
    if (result.eiRoad == eiSeedRoad_Full)
        result.qstrBaseSet.clear();
    TEXTLOG("Exit : road : %d, base : %s, files : %lld, bytes : %lld, why : %s", int(result.eiRoad),
            LOG8(result.qstrBaseSet), static_cast<long long>(result.seededFiles.size()), result.iBytes,
            LOG8(result.qstrWhy));
    return result;
}

bool CSetSeed::MarkSucceeded(const QString& qstrDataFolder)
{
    const QString qstrMarker = CBackup::JoinPath(qstrDataFolder, UnfinishedMarkerName());
    return !QFileInfo::exists(qstrMarker) || QFile::remove(qstrMarker);
}

void CSetSeed::MarkFailed(const QString& qstrDataFolder)
{
    const QString qstrStatus = CBackup::JoinPath(qstrDataFolder, QStringLiteral("Status.plist"));
    QFile file(qstrStatus);
    if (!QFileInfo(qstrStatus).isFile() || !file.open(QIODevice::ReadOnly))
        return;
    const QByteArray data = file.read(CBackupSetCheck::iPlistMaxBytes);
    file.close();
    plist_t rawRoot = nullptr;
    plist_from_memory(data.constData(), static_cast<uint32_t>(data.size()), &rawRoot);
    const std::unique_ptr<void, PlistFree> root(rawRoot);
    plist_t state = rawRoot != nullptr && plist_get_node_type(rawRoot) == PLIST_DICT
                        ? plist_dict_get_item(rawRoot, "SnapshotState")
                        : nullptr;
    const char* text = state != nullptr && plist_get_node_type(state) == PLIST_STRING
                           ? plist_get_string_ptr(state, nullptr)
                           : nullptr;
    if (text == nullptr || qstrcmp(text, "finished") != 0)
        return;
    plist_dict_set_item(rawRoot, "SnapshotState", plist_new_string("new"));
    char* xml = nullptr;
    uint32_t iLength = 0;
    plist_to_xml(rawRoot, &xml, &iLength);
    const QByteArray written(xml, static_cast<qsizetype>(iLength));
    std::free(xml);
    // The file is the set's own copy; it is replaced, never written in place.
    if (!QFile::remove(qstrStatus) || !file.open(QIODevice::WriteOnly) || file.write(written) != written.size())
        TEXTLOG("Status.plist cannot be marked unfinished");
}

structTransfer CSetSeed::CountTransfer(const QString& qstrDataFolder, const SeededFiles& seededFiles)
{
    structTransfer transfer;
    transfer.iTransferredBytes = 0;
    transfer.iSetBytes = 0;
    const QDir dataFolder(qstrDataFolder);
    QDirIterator it(qstrDataFolder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        if (info.isSymLink())
            continue;
        const qint64 iSize = info.size();
        transfer.iSetBytes += iSize;
        const auto seeded = seededFiles.constFind(dataFolder.relativeFilePath(info.filePath()));
        if (seeded == seededFiles.cend() || seeded->first != iSize || seeded->second != ModifiedMsecs(info))
            transfer.iTransferredBytes += iSize;
    }
    return transfer;
}
