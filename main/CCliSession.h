// One run of a corvina-cli command: lists or verifies sets at once; for a
// command that needs a device, waits briefly for the device monitor's view,
// picks the device, asks where it must, and runs the backup or restore as a
// COperation, reporting its progress and its result. Lives on the main
// thread; its event loop carries the monitor's lists and the operation's
// signals.
#ifndef CORVINA_CCLISESSION_H
#define CORVINA_CCLISESSION_H

#include "CCommandLine.h"
#include "CDeviceTable.h"
#include "CFailureCause.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class CConsoleReport;
class CDeviceMonitor;
class COperation;
class QSocketNotifier;
class QTimer;
struct structOperationResult;

class CCliSession : public QObject
{
    Q_OBJECT

public:
    CCliSession(const structCliRequest& request, CConsoleReport& report, QObject* parent = nullptr);
    // Ends a running operation (its tool is stopped) and the monitor.
    ~CCliSession() override;

    // Runs the command; signal_Done follows, queued, when it has ended.
    void Start();

    // Ctrl-C or SIGTERM: ends the command as Cancel would. A restore is only
    // stopped at the second request (it leaves the device half restored).
    void Interrupt();

    // The device wait: at least iSettleMsecs for the library to report the
    // devices present, then until no device is being read and no list came for
    // iQuietMsecs; never longer than iWaitMaxMsecs, or iReadingMaxMsecs while
    // a device is being read (a loaded machine or a slow device may take many
    // seconds, and that device is there: it must not be reported missing).
    // With no device reported yet, "none" is said only after iEmptySettleMsecs:
    // on a loaded machine the library's first report may come late.
    static constexpr int iSettleMsecs = 1500;
    static constexpr int iEmptySettleMsecs = 3000;
    static constexpr int iQuietMsecs = 300;
    static constexpr int iWaitMaxMsecs = 10000;
    static constexpr int iReadingMaxMsecs = 40000;

    // The backup root the window uses: Corvina.ini's /Config/BackupDirectory
    // in the settings file, else "PeloraBackup" in the home folder.
    static QString ConfiguredBackupRoot();

signals:
    void signal_Done(int iExitCode);

private:
    void Finish(int iExitCode);
    void FailWith(const structFailureCause& structCause);
    int ListSets();
    int VerifySet();
    void WaitForDevices();
    void OnDevices(const QList<structDeviceInfo>& listDevices);
    void CheckSettled();
    void RunWithDevices();
    bool ChooseDevice(structDeviceInfo& device);
    void StartBackup(const structDeviceInfo& device);
    void PrepareRestore(const structDeviceInfo& device);
    void AskBeforeRestore(const structDeviceInfo& device, const QString& qstrSetUDID);
    void OnAnswer();
    // An encrypted set: asks for its password (without echo on a terminal;
    // otherwise one line of standard input), then starts the restore.
    void AskPassword();
    void OnPassword();
    void EchoBack();
    void StartOperation(const structDeviceInfo& device, bool bRestore);
    void OnFinished(const structOperationResult& result);
    // The set folder of the command (a path, or a name in the backup root) and
    // its marker's device; empty, said on standard error, when it is no set.
    QString ResolvedSet();

    structCliRequest m_request;
    CConsoleReport& m_report;
    CDeviceMonitor* m_pMonitor = nullptr;
    QTimer* m_pSettleTimer = nullptr;
    QElapsedTimer m_sinceStart;
    QElapsedTimer m_sinceList;
    QList<structDeviceInfo> m_listDevices;
    bool m_bSettled = false;
    structDeviceInfo m_deviceTarget;     // the device the operation goes to
    QString m_qstrSet;                   // restore: the set folder; backup: the root
    QString m_qstrSetUDID;               // restore, verify: the device the set was made from
    qint64 m_iSetBytes = -1;             // restore: the set's personal data
    bool m_bSetEncrypted = false;        // restore: the set needs its password
    QString m_qstrPassword;              // restore: the password given, until the operation has it
    bool m_bEchoOff = false;             // the terminal's echo is off for the password
    QSocketNotifier* m_pAnswer = nullptr; // the restore question's answer on standard input
    COperation* m_pOperation = nullptr;
    bool m_bDeparted = false;            // the operation's device has left
    bool m_bStopAsked = false;           // a restore: the first interruption was answered with a warning
    bool m_bDone = false;
};

#endif
