#include "CBackup.h"

#include "CStaticPubFunc.h"
#include "LogCallSite.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>

QString CBackup::BackupFlagFileName()
{
    return QStringLiteral("BackupFlag.ini");
}

QString CBackup::IPAFolderName()
{
    return QStringLiteral("IPA_Backup");
}

QString CBackup::IpaListFileName()
{
    return QStringLiteral("IpaList.txt");
}

QString CBackup::IpaSuffix()
{
    return QStringLiteral(".ipa");
}

QString CBackup::JoinPath(const QString& qstrParent, const QString& qstrName)
{
    if (qstrParent.endsWith(QDir::separator()))
        return qstrParent + qstrName;
    return qstrParent + QDir::separator() + qstrName;
}

QStringList CBackup::QStrGetAllBackupDirectory(QString qstrRootDirectory)
{
    TEXTLOG("Enter : qstrRootDirectory : %s", LOG8(qstrRootDirectory));
    QStringList listSets;
    qstrRootDirectory = qstrRootDirectory.trimmed();
    if (qstrRootDirectory.isEmpty()) {
        TEXTLOG("Exit : empty root");
        return listSets;
    }
    if (!qstrRootDirectory.endsWith(QDir::separator()))
        qstrRootDirectory += QDir::separator();

    // Hidden folders are left out because QDir::Hidden is not asked for.
    QStringList listNames = QDir(qstrRootDirectory).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted);
    std::sort(listNames.begin(), listNames.end());
    for (const QString& qstrName : listNames) {
        TEXTLOG("qstrName : %s", LOG8(qstrName));
        const QString qstrFlagPath = qstrRootDirectory + qstrName + QDir::separator() + BackupFlagFileName();
        TEXTLOG("qstrFlagPath : %s", LOG8(qstrFlagPath));
        if (QFileInfo::exists(qstrFlagPath))
            listSets.append(qstrName);
    }
    TEXTLOG("listSets.size() : %d", static_cast<int>(listSets.size()));
    TEXTLOG("Exit");
    return listSets;
}

QString CBackup::SetFolderName(const QDateTime& dateTimeStarted, const QString& qstrDeviceName)
{
    const QString qstrPrefix = dateTimeStarted.toString(QStringLiteral("yyyy-MM-dd__hh_mm_ss")) + QStringLiteral("_@_@_");
    const QString qstrName = CStaticPubFunc::ReplaceIllegalFileNameChars(qstrDeviceName);
    // File systems take at most iFolderNameMaxBytes bytes of UTF-8 per name
    // (Windows: as many UTF-16 units, never more than the UTF-8 bytes): a long
    // device name is cut, one whole character at a time.
    qsizetype iBytes = qstrPrefix.toUtf8().size();
    qsizetype iEnd = 0;
    while (iEnd < qstrName.size()) {
        const bool bPair = qstrName.at(iEnd).isHighSurrogate() && iEnd + 1 < qstrName.size()
                           && qstrName.at(iEnd + 1).isLowSurrogate();
        const qsizetype iUnits = bPair ? 2 : 1;
        const qsizetype iCharBytes = qstrName.mid(iEnd, iUnits).toUtf8().size();
        if (iBytes + iCharBytes > iFolderNameMaxBytes)
            break;
        iBytes += iCharBytes;
        iEnd += iUnits;
    }
    return qstrPrefix + qstrName.left(iEnd);
}

bool CBackup::ClearlyDoesNotFit(qint64 iFreeBytes, qint64 iDeviceDataBytes)
{
    return iFreeBytes >= 0 && iDeviceDataBytes >= 0 && iFreeBytes < iDeviceDataBytes / 2;
}

QString CBackup::BackupFlagText(const QString& qstrDataFolderName)
{
    return QStringLiteral("[BackupFlag]\r\nIPAFolderName=") + IPAFolderName() + QStringLiteral("\r\nDataFolderName=")
           + qstrDataFolderName + QStringLiteral("\r\n");
}

bool CBackup::WriteBackupFlag(const QString& qstrSetDirectory, const QString& qstrDataFolderName)
{
    return CStaticPubFunc::WriteStringToFile(JoinPath(qstrSetDirectory, BackupFlagFileName()),
                                             BackupFlagText(qstrDataFolderName));
}

void CBackup::ReadBackupFlag(const QString& qstrSetDirectory, QString& qstrDataFolderName, QString& qstrIPAFolderName)
{
    TEXTLOG("Enter : qstrSetDirectory : %s", LOG8(qstrSetDirectory));
    qstrDataFolderName.clear();
    qstrIPAFolderName.clear();
    const QString qstrFlagPath = JoinPath(qstrSetDirectory, BackupFlagFileName());
    // A marker that is no regular file (a pipe blocks the read for ever, a
    // device never ends) or longer than any marker comes from a damaged or
    // crafted set: it is not read, so the set reads as no backup set.
    const QFileInfo flagFileInfo(qstrFlagPath);
    if (flagFileInfo.exists() && (!flagFileInfo.isFile() || flagFileInfo.size() > iBackupFlagMaxBytes)) {
        TEXTLOG("Exit : the marker is no file or too long : %lld", static_cast<long long>(flagFileInfo.size()));
        return;
    }
    const QSettings QSettingsThis(qstrFlagPath, QSettings::IniFormat);
    qstrDataFolderName = QSettingsThis.value(QStringLiteral("/BackupFlag/DataFolderName")).toString();
    qstrIPAFolderName = QSettingsThis.value(QStringLiteral("/BackupFlag/IPAFolderName")).toString();
    TEXTLOG("Exit : qstrDataFolderName : %s, qstrIPAFolderName : %s", LOG8(qstrDataFolderName),
            LOG8(qstrIPAFolderName));
}

QString CBackup::IpaListText(const QList<structAppInfo>& listAppInfo)
{
    QString qstrText;
    for (const structAppInfo& structAppInfoThis : listAppInfo)
        qstrText += structAppInfoThis.qstrAppID + IpaSuffix() + QStringLiteral("\r\n");
    return qstrText;
}

QStringList CBackup::IpaListEntries(const QString& qstrIpaListText)
{
    return qstrIpaListText.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
