// The worker thread that restores one backup set onto one device: first the
// apps listed in the set's IpaList.txt through ideviceinstaller, then the
// personal data through idevicebackup2, which reboots the device at the end.
// It reports percentages with signal_Progress and, last, exactly one result.
#ifndef CORVINA_THREADDEVICERESTORE_H
#define CORVINA_THREADDEVICERESTORE_H

#include "ThreadToolRun.h"
#include "SharedTypes.h"

#include <QString>
#include <QStringList>

#include <atomic>

class ThreadDeviceRestore : public ThreadToolRun
{
    Q_OBJECT

public:
    QString qstrDeviceUDID;      // device that receives the restore
    QString qstrDataFolderName;  // DataFolderName of the set: the device it was taken from
    QString qstrBackupDirectory; // the set folder
    bool bRestorePersonalData = false;
    bool bRestoreApps = false;
    int iProgressApps = 0;       // last percentage of the apps step
    QString qstrIPAFolderName;   // IPAFolderName of the set: its apps sub-folder
    QString qstrPassword;        // an encrypted set's password: the tool reads it from its standard
                                 // input (interactive mode); cleared when the step has handed it on

    // The two steps; run() calls them in this order.
    bool RestoreApps(QString& strErrorMessage);
    bool RestorePersonalData();

    // Whether the latest run's set lists apps but holds none of their
    // archives, as every set of a device that does not let apps be archived
    // (iOS 7 and later) does: no app is installed and none counts as failed;
    // restoring only apps from such a set fails with cause NoAppArchives.
    // Set before the result signal: read it after that signal arrived.
    bool SetHoldsNoArchives() const { return m_bSetHoldsNoArchives; }

signals:
    void signal_SwitchStatus_PrepareProgressResult(enumFormDeviceBackupRestoreStatus enumFormDeviceBackupRestoreStatusThis,
                                                   int iReserve1);
    void signal_Progress(enumStepBackupRestore enumStepBackupRestoreThis, int iProgress);

protected:
    void run() override;
    // Added to the apps step's last percentage, halved, when apps came first.
    void ReportPersonalDataProgress(int iToolProgress) override;
    // A crash of the tool on a set whose backup never finished (Info.plist
    // written, no Manifest.plist, as a failed or cancelled backup leaves it)
    // is the set's fault.
    structFailureCause PersonalDataFailureCause(const structFailureCause& structToolCause) const override;

private:
    // Whether no listed entry has a non-empty archive in the apps folder.
    static bool NoListedArchive(const QString& qstrAppsFolder, const QStringList& listEntries);

    std::atomic<bool> m_bSetHoldsNoArchives{false};

    // Installs one listed archive; false when the entry is not a plain file
    // name, the archive is missing or empty, or the install failed.
    bool RestoreOneApp(const QString& qstrAppsFolder, const QString& qstrEntry, QString& strErrorMessage);
};

#endif
