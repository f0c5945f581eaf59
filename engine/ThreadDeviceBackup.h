// The worker thread that fills one new backup set from one device: first the
// personal data through idevicebackup2, then the apps through ideviceinstaller.
// It reports percentages with signal_Progress and, last, exactly one result.
#ifndef CORVINA_THREADDEVICEBACKUP_H
#define CORVINA_THREADDEVICEBACKUP_H

#include "CBackupSetCheck.h"
#include "CDeviceOperater.h"
#include "CSetSeed.h"
#include "ThreadToolRun.h"
#include "SharedTypes.h"

#include <QMutex>
#include <QString>

class ThreadDeviceBackup : public ThreadToolRun
{
    Q_OBJECT

public:
    QString qstrDeviceUDID;      // device to back up
    QString qstrBackupDirectory; // the set folder, as the page built it
    bool bBackupPersonalData = false;
    bool bBackupApps = false;
    int iProgressPersonalData = 0; // last percentage of the personal-data step
    // Seed the set from the newest sound set of the device in the same root
    // and let the device send only what changed since (see CSetSeed); false
    // (or no such set) backs up in full.
    bool bCopyOnlyChanges = false;
    // What the device's backup will be, where the caller knows it: a base
    // encrypted otherwise is not used.
    enumDeviceEncryption eiDeviceEncryption = eiDeviceEncryption_Unknown;

    // The two steps; run() calls them in this order. The personal-data step
    // succeeds only when the tool did and the set it left passes the check.
    // Without the personal data, the apps step fails when it saved no app
    // archive (also when the device has no apps): such a set could never be
    // restored.
    bool BackupPersonalData();
    bool BackupApps(QString& strErrorMessage);

    // The check of the set's personal data in the latest run (a default
    // result when the run did not get that far or backed up apps only). Set
    // before the result signal is emitted: read it after that signal arrived.
    structSetCheck SetCheck() const;

    // The road the latest run's seeding took (Full when it did not seed), and
    // after a successful personal-data step the bytes the device sent against
    // the set's. Read like SetCheck().
    enumSeedRoad SeedRoad() const;
    structTransfer Transfer() const;

signals:
    void signal_SwitchStatus_PrepareProgressResult(enumFormDeviceBackupRestoreStatus enumFormDeviceBackupRestoreStatusThis,
                                                   int iReserve1);
    void signal_Progress(enumStepBackupRestore enumStepBackupRestoreThis, int iProgress);

protected:
    void run() override;
    // Halved when apps follow; kept as the personal-data share of the run.
    void ReportPersonalDataProgress(int iToolProgress) override;

private:
    // Checks what the tool left in the set; false (with the cause) when the set is not complete.
    bool CheckSet();

    // The seeding step before the tool; true when the set was seeded.
    bool SeedSet(const QString& qstrSetDirectory, SeededFiles& seededFiles);

    mutable QMutex m_QMutexSetCheck;
    structSetCheck m_structSetCheck;
    enumSeedRoad m_eiSeedRoad = eiSeedRoad_Full;
    structTransfer m_structTransfer;

    // Archives one app, up to three attempts while no non-empty archive is
    // left; true when the last attempt succeeded and left a non-empty archive.
    bool BackupOneApp(const QString& qstrAppsFolder, const QString& qstrAppID, QString& strErrorMessage);
    // Why an apps-only backup of iAppCount apps saved nothing: NoApps for a
    // device without apps, NoAppSaved when every app met a device that no
    // longer archives apps, else the cause the failed apps shared (None when
    // they differ).
    structFailureCause NothingSavedCause(qsizetype iAppCount) const;
};

#endif
