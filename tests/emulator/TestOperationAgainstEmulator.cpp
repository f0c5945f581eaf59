// The operation object's result for each way an operation ends, through the
// real worker thread and the real Debian tools against the device emulator:
// a backup and its restore, a device error, Cancel, a departed device, and a
// device whose lock another process holds (this program run again to hold it,
// then killed: a dead holder never leaves the device locked).
#include "CBackup.h"
#include "CDeviceLock.h"
#include "COperation.h"
#include "EmulatorProcess.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

const QString kPlain = u"00008030c0ffee00000000000000000000000b01"_s;
const QString kSlow = u"00008030c0ffee00000000000000000000000b02"_s;
const QString kFull = u"00008030c0ffee00000000000000000000000b03"_s;
const int kFiles = 10;
const int kFileSize = 2048; // the emulator's default
const int kResultTimeoutMs = 60000; // a hang guard only

QJsonObject Device(const QString& qstrUDID, const QString& qstrName, int iFiles, double dFileDelay)
{
    return {{u"udid"_s, qstrUDID}, {u"name"_s, qstrName},
            {u"backup"_s, QJsonObject{{u"files"_s, iFiles}, {u"file_delay"_s, dFileDelay}}}};
}

// Holds the lock of a device until killed; "held" on standard output once it does.
int HoldLock(const char* folder, const char* udid)
{
    CDeviceLock lock;
    if (lock.TryLock(QString::fromLocal8Bit(folder), QString::fromLocal8Bit(udid)) != CDeviceLock::eiLockResult_Taken)
        return 1;
    std::puts("held");
    std::fflush(stdout);
    std::getchar(); // standard input stays open until the holder is killed
    return 0;
}

} // namespace

class TestOperationAgainstEmulator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { m_EmulatorProcess.Stop(); }
    void backupAndItsRestoreSucceed();
    void endings_data();
    void endings();
    void deviceBusyInAnotherProcess();

private:
    structOperationRequest Request(const QString& qstrUDID) const;
    // Runs until the one result; false when it did not come.
    static bool WaitForResult(COperation& operation, QSignalSpy& spyFinished, structOperationResult& result);

    EmulatorProcess m_EmulatorProcess;
    QTemporaryDir m_qTemporaryDir;
};

void TestOperationAgainstEmulator::initTestCase()
{
    const QStringList qstrlistMissing = EmulatorProcess::MissingTools();
    if (!qstrlistMissing.isEmpty())
        QSKIP(qPrintable(u"the libimobiledevice tools are not installed (%1 missing)"_s.arg(qstrlistMissing.join(u", "_s))));
    COperation::RegisterMetaTypes();
    QVERIFY(m_qTemporaryDir.isValid());
    QJsonObject jsonFull = Device(kFull, u"Full Disk"_s, 6, 0.05);
    jsonFull.insert(u"fail"_s, QJsonObject{{u"kind"_s, u"device_error"_s}, {u"code"_s, 105}});
    QString strErrorMessage;
    QVERIFY2(m_EmulatorProcess.Start({Device(kPlain, u"Plain Phone"_s, kFiles, 0.2), Device(kSlow, u"Slow Phone"_s, 60, 0.2),
                                      jsonFull},
                                     strErrorMessage),
             qPrintable(strErrorMessage));
}

structOperationRequest TestOperationAgainstEmulator::Request(const QString& qstrUDID) const
{
    structOperationRequest request;
    request.qstrDeviceUDID = qstrUDID;
    request.qstrDeviceName = u"Phone: "_s + qstrUDID.right(3);
    request.qstrBackupRoot = m_qTemporaryDir.filePath(u"backups"_s);
    request.qstrLockFolder = m_qTemporaryDir.filePath(u"locks"_s);
    return request;
}

bool TestOperationAgainstEmulator::WaitForResult(COperation& operation, QSignalSpy& spyFinished,
                                                 structOperationResult& result)
{
    if (!spyFinished.wait(kResultTimeoutMs) || !operation.Wait(QDeadlineTimer(kResultTimeoutMs)))
        return false;
    QTest::qWait(50); // nothing else may follow the one result
    if (spyFinished.size() != 1)
        return false;
    result = spyFinished.takeFirst().at(0).value<structOperationResult>();
    return true;
}

void TestOperationAgainstEmulator::backupAndItsRestoreSucceed()
{
    structOperationRequest request = Request(kPlain);
    request.iExpectedBytes = qint64(kFiles) * kFileSize;
    COperation backup(request);
    QSignalSpy spyProgress(&backup, &COperation::signal_Progress);
    QSignalSpy spyFinished(&backup, &COperation::signal_Finished);
    QVERIFY(backup.Start());
    QVERIFY(!backup.Start() && !backup.Retry());
    structOperationResult result;
    QVERIFY(WaitForResult(backup, spyFinished, result));
    QVERIFY(result.bSucceeded && result.bMarkerWritten);
    QCOMPARE(int(result.structCause.eiCause), int(eiFailureCause_None));
    QCOMPARE(result.qstrSet, backup.SetFolder());
    QCOMPARE(QFileInfo(result.qstrSet).path(), request.qstrBackupRoot);
    QVERIFY(QFileInfo(result.qstrSet).fileName().endsWith(u"_@_@_Phone_ b01"_s));
    QCOMPARE(CBackup::QStrGetAllBackupDirectory(request.qstrBackupRoot), QStringList{QFileInfo(result.qstrSet).fileName()});
    QCOMPARE(int(result.structSetCheckThis.eiState), int(eiSetState_Complete));
    QCOMPARE(result.structSetCheckThis.iFileCount, qint64(kFiles));
    // Progress rises to the whole, in percent and in bytes of the expected
    // total; the time left is known before the end.
    QVERIFY(spyProgress.size() > 1);
    bool bTimeLeftKnown = false;
    int iPercent = 0;
    for (const QList<QVariant>& arguments : spyProgress) {
        const auto progress = arguments.at(0).value<structOperationProgress>();
        QVERIFY(progress.iPercent >= iPercent);
        iPercent = progress.iPercent;
        QCOMPARE(progress.iBytesExpected, request.iExpectedBytes);
        QCOMPARE(progress.iBytesDone, request.iExpectedBytes * progress.iPercent / 100);
        bTimeLeftKnown |= progress.iPercent < 100 && progress.iMsecsLeft > 0;
    }
    QCOMPARE(iPercent, 100);
    QVERIFY(bTimeLeftKnown);

    // Seeded from that set, a backup takes only what changed: its device's
    // data in use tells no bytes. The device is free again after each.
    const QString qstrFirstSet = result.qstrSet;
    request.bFull = false;
    // A device that now encrypts its backups never builds on a set that is not encrypted.
    request.iWillEncrypt = 1;
    {
        COperation full(request);
        QSignalSpy spyFull(&full, &COperation::signal_Finished);
        QVERIFY(full.Start());
        QVERIFY(WaitForResult(full, spyFull, result));
        QVERIFY(result.bSucceeded);
        QCOMPARE(int(result.eiSeedRoad), int(eiSeedRoad_Full));
    }
    request.iWillEncrypt = 0;
    QTest::qWait(1100); // set folders are named to the second
    COperation seeded(request);
    QSignalSpy spySeededProgress(&seeded, &COperation::signal_Progress);
    QSignalSpy spySeeded(&seeded, &COperation::signal_Finished);
    QVERIFY(seeded.Start());
    QVERIFY(WaitForResult(seeded, spySeeded, result));
    QVERIFY(result.bSucceeded && result.eiSeedRoad != eiSeedRoad_Full && !spySeededProgress.isEmpty());
    for (const QList<QVariant>& arguments : spySeededProgress)
        QCOMPARE(arguments.at(0).value<structOperationProgress>().iBytesDone, qint64(-1));

    // The first set is restored onto the device.
    structOperationRequest restoreRequest = Request(kPlain);
    restoreRequest.bRestore = true;
    restoreRequest.qstrSet = qstrFirstSet;
    COperation restore(restoreRequest);
    QSignalSpy spyRestored(&restore, &COperation::signal_Finished);
    QVERIFY(restore.Start());
    QVERIFY(WaitForResult(restore, spyRestored, result));
    QVERIFY(result.bSucceeded && !result.bSetHoldsNoArchives);
    QCOMPARE(result.qstrSet, restoreRequest.qstrSet);
    QCOMPARE(m_EmulatorProcess.Counter(kPlain, "restores"), 1);
}

void TestOperationAgainstEmulator::endings_data()
{
    QTest::addColumn<QString>("qstrUDID");
    QTest::addColumn<QString>("qstrEnding"); // "", "cancel" or "depart"
    QTest::addColumn<int>("iCause");
    QTest::newRow("device error") << kFull << QString() << int(eiFailureCause_DiskFull);
    QTest::newRow("cancelled") << kSlow << u"cancel"_s << int(eiFailureCause_Cancelled);
    QTest::newRow("departed") << kSlow << u"depart"_s << int(eiFailureCause_Disconnected);
}

void TestOperationAgainstEmulator::endings()
{
    QFETCH(QString, qstrUDID);
    QFETCH(QString, qstrEnding);
    QFETCH(int, iCause);
    COperation operation(Request(qstrUDID));
    QSignalSpy spyProgress(&operation, &COperation::signal_Progress);
    QSignalSpy spyFinished(&operation, &COperation::signal_Finished);
    QVERIFY(operation.Start());
    if (!qstrEnding.isEmpty()) {
        QVERIFY(spyProgress.wait(kResultTimeoutMs));
        if (qstrEnding == u"cancel"_s) {
            operation.Cancel();
        } else {
            // The device leaves the list while its connection holds: only the
            // operation, after its grace, ends the tool.
            QVERIFY(m_EmulatorProcess.Command(u"detach"_s, qstrUDID, {{u"keep_connections"_s, true}}));
            operation.DeviceDeparted();
        }
    }
    structOperationResult result;
    QVERIFY(WaitForResult(operation, spyFinished, result));
    m_EmulatorProcess.Command(u"attach"_s, qstrUDID);
    QVERIFY(!result.bSucceeded);
    QCOMPARE(FailureCauseName(result.structCause.eiCause), FailureCauseName(enumFailureCause(iCause)));
    QVERIFY(QFileInfo(CBackup::JoinPath(result.qstrSet, CBackup::BackupFlagFileName())).isFile());
    QVERIFY(EmulatorProcess::ToolProcesses().isEmpty());
}

void TestOperationAgainstEmulator::deviceBusyInAnotherProcess()
{
    const structOperationRequest request = Request(kPlain);
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(),
                 {u"--hold-lock"_s, request.qstrLockFolder, request.qstrDeviceUDID});
    QVERIFY(holder.waitForReadyRead(kResultTimeoutMs) && holder.readAll().startsWith("held"));

    // Nothing starts and no set is made while the other process holds the device.
    const QStringList listBefore = QDir(request.qstrBackupRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    COperation operation(request);
    QSignalSpy spyFinished(&operation, &COperation::signal_Finished);
    QVERIFY(!operation.Start());
    structOperationResult result;
    QVERIFY(WaitForResult(operation, spyFinished, result));
    QCOMPARE(FailureCauseName(result.structCause.eiCause), "DeviceBusy");
    QCOMPARE(QDir(request.qstrBackupRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot), listBefore);

    // Killed, the holder leaves its lock file behind, and the device free: Retry runs.
    holder.kill();
    QVERIFY(holder.waitForFinished(kResultTimeoutMs));
    QVERIFY(QFileInfo::exists(CDeviceLock::LockFilePath(request.qstrLockFolder, request.qstrDeviceUDID)));
    QVERIFY(operation.Retry());
    QVERIFY(WaitForResult(operation, spyFinished, result));
    QVERIFY(result.bSucceeded);
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--hold-lock") == 0)
        return HoldLock(argv[2], argv[3]);
    TestOperationAgainstEmulator test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "TestOperationAgainstEmulator.moc"
