// Seeding: a new backup set starts as a copy of the newest sound set of the
// same device in the root, so that the device sends only what changed since.
// The files idevicebackup2 replaces by removing them first (those in the
// two-hex-digit file folders) are shared with the older set (a hard link);
// every other file (Info.plist, Status.plist, Manifest.plist, Manifest.db and
// anything else the tool may open for writing in place, as it does with the
// target of a device's copy request) is a private copy. So no outcome of the
// new backup, nor removing either set, ever changes the other. Where the disk
// cannot link, everything is copied when there is room; else nothing is
// seeded and the backup is a full one. A seeded set holds a marker until its
// backup succeeded, so that an attempt that ends any other way (the program
// included) never passes the set check as complete.
// Reentrant; Seed may run on any thread and blocks it while it copies.
#ifndef CORVINA_CSETSEED_H
#define CORVINA_CSETSEED_H

#include "CToolEndRequest.h"
#include "FileLinkPlatform.h"

#include <QHash>
#include <QPair>
#include <QString>

enum enumSeedRoad {
    eiSeedRoad_Full,   // nothing seeded: the backup is a full one
    eiSeedRoad_Linked, // shared with the base by hard links, metadata copied
    eiSeedRoad_Copied, // every file copied (the disk has no hard links)
};

// What the device will produce, where the caller knows it.
enum enumDeviceEncryption {
    eiDeviceEncryption_Unknown,
    eiDeviceEncryption_Off,
    eiDeviceEncryption_On,
};

// The files a seed put into the data folder: their path inside it, with
// their size and modification time (milliseconds since the epoch).
using SeededFiles = QHash<QString, QPair<qint64, qint64>>;

struct structSeedResult
{
    enumSeedRoad eiRoad = eiSeedRoad_Full;
    QString qstrBaseSet; // folder name of the set seeded from; empty on the full road
    QString qstrWhy;     // why this road, in English for the log
    SeededFiles seededFiles;
    qint64 iBytes = 0; // bytes of the seeded files
};

// Bytes the device sent in a backup against the bytes its data folder holds.
struct structTransfer
{
    qint64 iTransferredBytes = -1; // -1: not counted
    qint64 iSetBytes = -1;
};

class CSetSeed
{
public:
    explicit CSetSeed(FileLinkPlatform& platform) : m_platform(platform) {}

    // Seeds the data folder (named by the UDID) of the new set qstrSetDirectory,
    // whose parent is the root, from the newest set of the device there that
    // passes the set check (with its files) and, when eiEncryption is known, is
    // encrypted as the device will encrypt. Seeds nothing (the full road) when
    // there is no such set, the data folder already holds something (a retry),
    // the base holds anything but folders and regular files or cannot be read,
    // a file cannot be linked or copied for another reason than a disk without
    // links, there is no room, or pEnd is requested meanwhile; what was seeded
    // is then removed again. The base is only ever read.
    structSeedResult Seed(const QString& qstrSetDirectory, const QString& qstrDeviceUDID,
                          enumDeviceEncryption eiEncryption, const CToolEndRequest* pEnd = nullptr);

    // The newest sound base (its folder name) of the device in the root,
    // leaving out qstrExcluded; empty when there is none. Each set passed over
    // is logged with why.
    static QString FindBase(const QString& qstrRoot, const QString& qstrExcluded, const QString& qstrDeviceUDID,
                            enumDeviceEncryption eiEncryption);

    // After the backup into a seeded data folder succeeded: the marker goes;
    // false when it cannot. Harmless on a folder that was never seeded.
    static bool MarkSucceeded(const QString& qstrDataFolder);
    // After it did not: a Status.plist that still says finished (the seeded
    // copy) is made to say otherwise, so that not even the tool takes the set
    // for a finished one.
    static void MarkFailed(const QString& qstrDataFolder);

    // The bytes the tool wrote into the data folder (files not seeded, or no
    // longer as seeded) against all the folder's bytes.
    static structTransfer CountTransfer(const QString& qstrDataFolder, const SeededFiles& seededFiles);

    // The marker's name, inside the data folder.
    static QString UnfinishedMarkerName(); // "Corvina.unfinished"

private:
    struct structEntry
    {
        QString qstrRelative;
        qint64 iSize = 0;
        bool bFolder = false;
        bool bShared = false; // replaced by the tool, never written in place
    };
    // Every folder and file of the base's data folder, folders first in each;
    // false (with why) when something else is found or a folder cannot be read.
    static bool ListBase(const QString& qstrBaseData, QList<structEntry>& listEntries, QString& qstrWhy);
    // Whether the disk of the root has room for iBytes and a tenth more.
    bool HasRoom(const QString& qstrRoot, qint64 iBytes) const;
    // Fills the data folder; false (with why) when the full road must be taken.
    bool Fill(const QString& qstrRoot, const QString& qstrBaseData, const QString& qstrData,
              const QList<structEntry>& listEntries, const CToolEndRequest* pEnd, structSeedResult& result);
    QString ErrorText(const FileLinkPlatform::Result& platformResult) const;

    FileLinkPlatform& m_platform;
};

#endif
