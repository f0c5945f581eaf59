// Backup sets: the folder that one backup of one device fills, its marker file
// BackupFlag.ini, its app list IpaList.txt, and the listing of the sets that a
// backup root holds. This is the one place that defines their names and bytes.
#ifndef CORVINA_CBACKUP_H
#define CORVINA_CBACKUP_H

#include "CDeviceOperater.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

class CBackup
{
public:
    // Names (not paths) of the sets directly inside the root, in ascending
    // character-code order: folders, neither hidden nor "." or "..", that hold
    // an entry named BackupFlag.ini (only looked up, never opened: it may be a
    // pipe). Empty for a blank, missing or unreadable root.
    static QStringList QStrGetAllBackupDirectory(QString qstrRootDirectory);

    // "yyyy-MM-dd__hh_mm_ss", "_@_@_" and the device name with the characters
    // that cannot stand in a file name replaced by "_", cut at a character
    // boundary where the whole would exceed iFolderNameMaxBytes of UTF-8.
    static QString SetFolderName(const QDateTime& dateTimeStarted, const QString& qstrDeviceName);

    // The folder (or file) inside a parent folder: a separator is put between
    // them unless the parent already ends in one.
    static QString JoinPath(const QString& qstrParent, const QString& qstrName);

    // BackupFlag.ini of the set of a device: three lines ended by "\r\n".
    static QString BackupFlagText(const QString& qstrDataFolderName);

    // Writes BackupFlag.ini into the set folder (Latin-1); false when it cannot.
    static bool WriteBackupFlag(const QString& qstrSetDirectory, const QString& qstrDataFolderName);

    // Reads DataFolderName and IPAFolderName of the set; a missing file or key
    // reads as empty text, and so does a marker that is no regular file or is
    // longer than iBackupFlagMaxBytes (it is not opened). A set can be
    // restored when both are non-empty.
    static void ReadBackupFlag(const QString& qstrSetDirectory, QString& qstrDataFolderName,
                               QString& qstrIPAFolderName);

    // IpaList.txt of an app list: each app's identifier, ".ipa" and "\r\n".
    static QString IpaListText(const QList<structAppInfo>& listAppInfo);

    // The entries of an IpaList.txt read in text mode: its lines, empty ones dropped.
    static QStringList IpaListEntries(const QString& qstrIpaListText);

    // Whether a backup of a device holding iDeviceDataBytes of data clearly
    // cannot fit into iFreeBytes; false when either is unknown (negative). A
    // backup holds the personal data, not the apps' programs or the system,
    // so it is taken to need at least half of the data in use.
    static bool ClearlyDoesNotFit(qint64 iFreeBytes, qint64 iDeviceDataBytes);

    static QString BackupFlagFileName();   // "BackupFlag.ini"
    static QString IPAFolderName();        // "IPA_Backup"
    static QString IpaListFileName();      // "IpaList.txt"
    static QString IpaSuffix();            // ".ipa"

    // Longest IpaList.txt read: far more than any device's apps need, so a
    // longer (or endless) one comes from a damaged or crafted set.
    static constexpr qint64 iIpaListMaxBytes = 4 * 1024 * 1024;

    // Longest name of a set folder, in UTF-8 bytes: what Linux file systems take.
    static constexpr qsizetype iFolderNameMaxBytes = 255;

    // Longest BackupFlag.ini read; the marker this program writes is under 100 bytes.
    static constexpr qint64 iBackupFlagMaxBytes = 64 * 1024;
};

#endif
