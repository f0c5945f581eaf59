// Whether the personal data of a backup set is on disk the way a restore
// needs it: Status.plist says the snapshot finished, Manifest.plist reads, and
// every file Manifest.db lists is in the data folder with the size the device
// recorded for it. Only the manifest and the files' sizes are read, never the
// files' contents. Reentrant: any thread may check, several at once.
#ifndef CORVINA_CBACKUPSETCHECK_H
#define CORVINA_CBACKUPSETCHECK_H

#include <QString>
#include <QStringList>

enum enumSetState {
    eiSetState_Complete,   // a restore can use it
    eiSetState_Unfinished, // the backup did not finish (no Status.plist, its snapshot not finished, or
                           // the set was seeded and its backup has not succeeded)
    eiSetState_Damaged,    // finished, but its manifest or files are not what the device sent
};

struct structSetCheck
{
    enumSetState eiState = eiSetState_Damaged;
    bool bEncrypted = false;
    // Files the set holds: the manifest's file rows, or for an encrypted set
    // the files found in its file folders.
    qint64 iFileCount = 0;
    // Their bytes as recorded (unencrypted) or found (encrypted).
    qint64 iTotalBytes = 0;
    // Files (and set files such as Status.plist) that are missing, unreadable,
    // not regular or not of their recorded size; the first of them by name.
    qint64 iFailingCount = 0;
    QStringList qstrlistFirstFailing;
    // Why the set is not complete, in English for the log; empty when it is.
    QString qstrProblem;
    // From Info.plist, else Manifest.plist; empty when neither tells.
    QString qstrDeviceName;
    QString qstrProductVersion;
};

class CBackupSetCheck
{
public:
    // Checks the data folder of a set (the set folder and the device's folder
    // name the tool wrote into). bFiles false is the cheap part, for listing
    // sets: the property lists and the manifest's rows without looking at any
    // data file (an encrypted set's files are listed either way: its manifest
    // cannot tell their sizes). Never follows a manifest's name out of the data folder, and
    // holds one manifest row at a time, whatever the manifest's length.
    static structSetCheck Check(const QString& qstrDataFolder, bool bFiles = true);

    // The Size of a Files row's `file` blob: a binary property list in keyed-
    // archiver form whose root object holds a non-negative integer Size.
    // False for anything else.
    static bool RecordSize(const char* pData, qint64 iLength, qint64& iSize);

    // A Files row's fileID names a file of the set: 40 hexadecimal digits.
    static bool IsFileID(const char* pText, qint64 iLength);

    static constexpr int iFirstFailingMax = 10;
    // Longest property list read: far above what a device writes.
    static constexpr qint64 iPlistMaxBytes = 64 * 1024 * 1024;
};

#endif
