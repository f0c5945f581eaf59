// One backup or restore as the window and the command line run it: what it is
// (the request), its worker thread, the set folder and its marker, the
// per-device lock, Retry, Cancel, the end on the device's departure or on
// close, progress, and one finished signal that carries the whole result.
//
// Threads: an operation lives on the thread that made it (the GUI thread, or
// the command line's main thread), which must run an event loop; every member
// is called there. The worker thread reaches it only through queued signals,
// and its own signals are emitted there.
//
// Failures: every failure, also one that keeps the operation from starting
// (the device busy with another window's or command's operation), ends in
// signal_Finished with its cause; nothing is thrown and nothing is shown.
//
// Lifetime: the operation owns its thread. Destroying it while the thread runs
// ends the tool and waits for the thread (bounded); a thread that still does
// not end is handed over to free itself when it does, never destroyed running.
#ifndef CORVINA_COPERATION_H
#define CORVINA_COPERATION_H

#include "CBackupSetCheck.h"
#include "CDeviceLock.h"
#include "CFailureCause.h"
#include "CSetSeed.h"
#include "SharedTypes.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class ThreadDeviceBackup;
class ThreadDeviceRestore;
class ThreadToolRun;

struct structOperationRequest
{
    bool bRestore = false;            // false: backup
    QString qstrDeviceUDID;           // the device, fixed when the operation is asked for
    QString qstrDeviceName;           // its name then (set folder name, messages)
    QString qstrDeviceVersion;        // its iOS version (whether a backup asks for the passcode)
    QString qstrBackupRoot;           // backup: the root folder; the set folder is named in Start()
    QString qstrSet;                  // restore: the set folder (full path); the caller has made sure
                                      // its BackupFlag.ini names the device it came from
    bool bPersonalData = true;
    bool bApps = false;
    bool bFull = true;                // backup: full; false: seeded from the device's last sound set in
                                      // the root, the device sends what changed (full without such a set)
    int iWillEncrypt = -1;            // backup: the device encrypts its backups: 1 yes, 0 no, -1 unknown;
                                      // a set encrypted otherwise is never the base of a seeded one
    QString qstrLockFolder;           // where per-device lock files live (the caller passes it; e.g.
                                      // $XDG_RUNTIME_DIR/corvina); empty: no lock is taken
    qint64 iExpectedBytes = -1;       // what the personal data is expected to move (a backup: the
                                      // device's data in use); -1 unknown: progress tells no bytes
    QString qstrPassword;             // restore of an encrypted set: its backup password, kept in memory
                                      // only and handed to the tool through its standard input; empty:
                                      // none (an encrypted set then fails with cause PasswordRequired)
};

struct structOperationProgress
{
    enumStepBackupRestore eiStep = eiStepBackupRestore_PersonalData;
    int iPercent = 0;                 // of the whole operation, 0..100
    qint64 iBytesDone = -1;           // bytes so far; -1 unknown
    qint64 iBytesExpected = -1;       // expected total; -1 unknown
    qint64 iMsecsLeft = -1;           // estimated time left; -1 not yet known
};

struct structOperationResult
{
    bool bSucceeded = false;
    structFailureCause structCause;       // None on success
    int iAppFailedCount = 0;
    structFailureCause structAppsCause;   // what the failed apps share (None if nothing/differs)
    bool bSetHoldsNoArchives = false;     // restore: the set lists apps but holds no archives
    structSetCheck structSetCheckThis;    // backup with personal data: the set's check
    QString qstrSet;                      // the set folder filled or restored from
    bool bMarkerWritten = true;           // backup: BackupFlag.ini could be written
    enumSeedRoad eiSeedRoad = eiSeedRoad_Full; // backup: how the set was seeded (Full: not at all)
    structTransfer structTransferThis;    // backup: bytes the device sent against the set's
};
Q_DECLARE_METATYPE(structOperationProgress)
Q_DECLARE_METATYPE(structOperationResult)

class COperation : public QObject
{
    Q_OBJECT
public:
    explicit COperation(const structOperationRequest& request, QObject* parent = nullptr);
    // Ends a running tool and waits for the thread (bounded); never destroys a running thread.
    ~COperation() override;

    // Registers the progress and result types (and the shared enumerations)
    // for queued signals; once, at start-up, before any operation starts.
    static void RegisterMetaTypes();

    // How long the tool of an operation whose device departed may still run
    // before it is ended: a restore's own reboot takes the device away just
    // before its tool ends by itself.
    static constexpr int iDepartedGraceMsecs = 3000;

    // How long the destructor waits for a thread whose tool it ended.
    static constexpr int iEndWaitMsecs = 10000;

    const structOperationRequest& Request() const;
    // Backup: the set folder named by Start(); restore: the request's set.
    QString SetFolder() const;

    // Takes the device lock, (backup) names and creates the set folder and writes the marker, starts the
    // thread. False when it could not start; signal_Finished still comes (queued) with the cause
    // (eiFailureCause_DeviceBusy when another window/command runs an operation on that device).
    // False, and no signal, when this operation was started before.
    bool Start();
    // Runs the same operation again (same set folder for a backup, whose marker is written again when
    // it could not be) after it finished, also after a start that found the device busy; false while
    // running or before Start(). A busy device makes it false too, with signal_Finished (queued)
    // carrying DeviceBusy.
    bool Retry();
    // The password the next Retry() hands to the tool (after a WrongPassword failure).
    void SetPassword(const QString& qstrPassword);
    // Whether the backup tool can pass the password on to the device unchanged: it reads an
    // entry up to a line break, keeps at most 255 characters and drops every byte that is not
    // printable ASCII. Callers refuse other passwords with a message of their own.
    static bool PasswordPassable(const QString& qstrPassword);
    // Whether a backup of a device on this iOS version asks for the passcode
    // on the device when it starts (iOS 16.1 and later do, every time).
    static bool AsksPasscodeForBackup(const QString& qstrDeviceVersion);
    // The folder of a new set in the root: named by the second it started and
    // the device's name, or by the next second that no folder has taken yet.
    static QString FreeSetFolder(const QString& qstrRoot, const QDateTime& started, const QString& qstrDeviceName);
    static constexpr int iSetNameTries = 3600;
    // The user's Cancel: the run fails with cause Cancelled. Nothing when no tool runs.
    void Cancel();
    // The device left: the tool is ended after iDepartedGraceMsecs unless the device came back
    // (DeviceReturned()) by then; the run then fails with cause Disconnected.
    void DeviceDeparted();
    void DeviceReturned();
    // Closing: ends the tool now; signal_Stopped when the thread has ended (at once, queued, if none runs).
    // signal_Finished still comes for the run that was ended.
    void Stop();

    // Whether the worker thread runs (from Start()/Retry() until it has ended,
    // which is a moment after its result).
    bool IsRunning() const;
    // Waits for the worker thread to end; true when none runs (any more).
    bool Wait(QDeadlineTimer deadline);

signals:
    void signal_Progress(const structOperationProgress& progress);
    // Exactly one per Start()/Retry(), last; carries everything the page or the command line shows.
    void signal_Finished(const structOperationResult& result);
    void signal_Stopped();

private slots:
    void slot_ThreadProgress(enumStepBackupRestore eiStep, int iPercent);
    void slot_ThreadResult(enumFormDeviceBackupRestoreStatus eiStatus, int iSucceeded);

private:
    // What Start() does, and Retry() after a start that found the device busy.
    bool Begin();
    // Takes the lock; false (and the DeviceBusy result queued) when busy.
    bool Lock();
    void CreateThread();
    void RunThread();
    void WriteMarker();
    void FinishWithoutRun(const structFailureCause& structCause);
    structOperationResult Result(bool bThreadSucceeded) const;
    // The personal data's own percentage in a whole-operation percentage.
    int PersonalDataPercent(enumStepBackupRestore eiStep, int iPercent) const;
    void EndDepartedDevice();

    structOperationRequest m_request;
    QString m_qstrSet;
    ThreadDeviceBackup* m_pBackup = nullptr;
    ThreadDeviceRestore* m_pRestore = nullptr;
    ThreadToolRun* m_pThread = nullptr;     // the one of the two above
    CDeviceLock m_CDeviceLock;
    bool m_bMarkerWritten = true;
    bool m_bStarted = false;
    bool m_bResultPending = false;          // a run started and its result has not come yet
    QTimer m_timerDeparted;
    // Time left: measured from the first percentage of a run.
    QElapsedTimer m_timerProgress;
    int m_iFirstPercent = -1;
    int m_iAppsPercent = 0;                 // the apps step's last percentage (a restore's comes first)
};

#endif
