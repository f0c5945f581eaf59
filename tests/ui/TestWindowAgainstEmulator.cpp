// The whole window with the real driver libraries, the real Debian tools and
// the device emulator: what a person sees from plugging a phone in to the
// result of a backup and a restore, and what must happen when the device is
// unplugged, the set cannot be marked, or the window closes mid-way. The
// window's desktop keyring is a real one of the test's own.
#include "AppGlobals.h"
#include "CBackup.h"
#include "CPasswordKeyring.h"
#include "CProgramFolder.h"
#include "Corvina.h"
#include "EmulatorProcess.h"
#include "KeyringSession.h"
#include "ThreadDeviceBackup.h"
#include "dialogBackupPassword.h"
#include "widgetBackupRestoreStatus.h"
#include "widgetPrepareProgressResult.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>

using namespace Qt::StringLiterals;


namespace {

const QString kPhone = QStringLiteral("00008030c0ffee00000000000000000000000a01");
const QString kSlow = QStringLiteral("00008030c0ffee00000000000000000000000a02");
const QString kFull = QStringLiteral("00008030c0ffee00000000000000000000000a03");
const QString kEmpty = QStringLiteral("00008030c0ffee00000000000000000000000a04");
const int kResultTimeoutMs = 60000; // a hang guard only
const int kSecondsMs = 15000;       // "within seconds"

QJsonObject Device(const QString& qstrUDID, const char* name, int iApps, int iFiles, double dFileDelay,
                   const QJsonValue& jsonFail = {})
{
    QJsonArray jsonApps;
    for (int i = 0; i < iApps; ++i)
        jsonApps.append(QJsonObject{{QStringLiteral("id"), QStringLiteral("com.example.app%1").arg(i)}});
    QJsonObject jsonDevice{{QStringLiteral("udid"), qstrUDID}, {QStringLiteral("name"), QString::fromUtf8(name)},
                           {QStringLiteral("apps"), jsonApps}, {QStringLiteral("reboot_delay"), 0.5},
                           {QStringLiteral("backup"), QJsonObject{{QStringLiteral("files"), iFiles},
                                                                  {QStringLiteral("file_delay"), dFileDelay}}}};
    if (!jsonFail.isNull())
        jsonDevice.insert(QStringLiteral("fail"), jsonFail);
    return jsonDevice;
}

} // namespace

class TestWindowAgainstEmulator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void backupAndRestoreThroughTheWindow();
    void secondBackupTakesOnlyWhatChanged();
    void deviceErrorShowsTheFailure();
    void cancelEndsTheBackupAndRetryRunsAgain();
    void departureEndsInAResultOnTheOperationsPage();
    void setThatCannotBeMarkedIsAFailure();
    void closingAsksWhileAnOperationRuns();
    void encryptionOnAndOffWithTheKeyring();

private:
    template <typename T = QWidget>
    T* Child(const char* name) { return m_pWindow->findChild<T*>(QLatin1String(name)); }
    bool Shows(const char* name) { return Child(name)->isVisible(); }
    // Selects the device's tab.
    void Select(const QString& qstrUDID);
    // From the home page through the settings of the operation to its start.
    void Start(bool bRestore, const QString& qstrUDID, bool bApps);
    // Answers the next password dialog: `answer` gets it every 100 ms until
    // it returns true (it may wait for the keyring to fill the dialog), and the
    // dialog is then accepted.
    void AnswerPassword(const std::function<bool(QDialog*)>& answer);
    // What the window's keyring holds for the device; empty for nothing.
    QString Stored(const QString& qstrUDID);

    KeyringSession m_KeyringSession;
    EmulatorProcess m_EmulatorProcess;
    QTemporaryDir m_qTemporaryDir;
    QString m_qstrRoot;
    Corvina* m_pWindow = nullptr;
    widgetPrepareProgressResult* m_pPage = nullptr;
};

void TestWindowAgainstEmulator::initTestCase()
{
    const QStringList qstrlistMissing = EmulatorProcess::MissingTools();
    if (!qstrlistMissing.isEmpty())
        QSKIP(qPrintable(QStringLiteral("the libimobiledevice tools are not installed (%1 missing)")
                             .arg(qstrlistMissing.join(QStringLiteral(", ")))));
    RegisterSharedMetaTypes();
    QApplication::setQuitOnLastWindowClosed(false);
    QString strErrorMessage;
    QVERIFY2(m_KeyringSession.Start(strErrorMessage), qPrintable(strErrorMessage));
    // The phone backed up and restored here speaks without TLS, as older
    // devices do; the other emulator tests take the TLS road.
    QJsonObject jsonPhone = Device(kPhone, "Anna’s Phone: 1", 3, 6, 0.05);
    jsonPhone.insert(QStringLiteral("tls"), false);
    QVERIFY2(m_EmulatorProcess.Start({jsonPhone, Device(kSlow, "Slow Phone", 0, 60, 0.2),
                                      Device(kFull, "Full Disk", 0, 6, 0.05,
                                             QJsonObject{{QStringLiteral("kind"), QStringLiteral("device_error")},
                                                         {QStringLiteral("code"), 105}}),
                                      Device(kEmpty, "Empty Phone", 0, 1, 0)},
                                     strErrorMessage),
             qPrintable(strErrorMessage));
    // A program folder of the test's own: the driver libraries, its settings, no tools (PATH serves).
    QVERIFY(m_qTemporaryDir.isValid());
    g_qstrAppDirPath = m_qTemporaryDir.filePath(QStringLiteral("program"));
    // Device locks of its own: other tests may run the same devices at once.
    CProgramFolder::SetDeviceLockFolder(m_qTemporaryDir.filePath(QStringLiteral("locks")));
    m_qstrRoot = m_qTemporaryDir.filePath(QStringLiteral("backups"));
    QVERIFY(QDir().mkpath(g_qstrAppDirPath) && QDir().mkpath(m_qstrRoot));
    for (const char* library : {"libCoreFoundation.so", "libiTunesMobileDevice.so"})
        QVERIFY(QFile::link(QStringLiteral(CORVINA_PROGRAM_DIR "/") + QLatin1String(library),
                            g_qstrAppDirPath + QLatin1Char('/') + QLatin1String(library)));
    // The library keeps calling the window's handler: the window lives to the end.
    m_pWindow = new Corvina;
    m_pWindow->show();
    m_pPage = m_pWindow->findChild<widgetPrepareProgressResult*>();
    QTRY_VERIFY_WITH_TIMEOUT(Shows("widgetBackupRestore"), kSecondsMs);
    QTRY_COMPARE_WITH_TIMEOUT(Child<QTabWidget>("tabWidget")->count(), 4, kSecondsMs);
}

void TestWindowAgainstEmulator::init()
{
    if (!Shows("widgetBackupRestore"))
        emit m_pWindow->signal_SwitchStatus(eiFormBackupRestoreIndex_BackupRestoreStatus, eiFormDeviceConnectStatus_DeviceBackupRestore);
    m_pPage->SetBackupDirectory(m_qstrRoot);
    m_pPage->SetRestoreDirectory(m_qstrRoot);
    // The cases need backups that take their time, each as long as the first.
    Child<QCheckBox>("chkCopyOnlyChanges")->setChecked(false);
}

void TestWindowAgainstEmulator::cleanup()
{
    if (m_pPage->Operation() != nullptr)
        QVERIFY(m_pPage->Operation()->Wait(QDeadlineTimer(kResultTimeoutMs)));
    for (const QString& qstrUDID : {kPhone, kSlow, kFull, kEmpty})
        m_EmulatorProcess.Command(QStringLiteral("attach"), qstrUDID);
    QTRY_COMPARE_WITH_TIMEOUT(Child<QTabWidget>("tabWidget")->count(), 4, kSecondsMs);
    if (QTest::currentTestFailed())
        qWarning("emulator trace:\n%s", qPrintable(m_EmulatorProcess.LogText().right(4000)));
}

void TestWindowAgainstEmulator::cleanupTestCase()
{
    if (m_pWindow != nullptr)
        m_pWindow->hide();
    m_EmulatorProcess.Stop();
}

void TestWindowAgainstEmulator::Select(const QString& qstrUDID)
{
    auto* tabs = Child<QTabWidget>("tabWidget");
    for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->tabBar()->tabData(i).toString() == qstrUDID)
            tabs->setCurrentIndex(i);
    }
    QCOMPARE(tabs->tabBar()->tabData(tabs->currentIndex()).toString(), qstrUDID);
}

void TestWindowAgainstEmulator::Start(bool bRestore, const QString& qstrUDID, bool bApps)
{
    Child<QToolButton>(bRestore ? "toolButtonRestore" : "toolButtonBackup")->click();
    QVERIFY(Shows(bRestore ? "widgetRestore" : "widgetBackup"));
    Select(qstrUDID);
    Child<QCheckBox>(bRestore ? "chkRestoreGameApp" : "chkBackupGameApp")->setChecked(bApps);
    Child<QPushButton>(bRestore ? "btnRestore" : "btnBackup")->click();
}

void TestWindowAgainstEmulator::backupAndRestoreThroughTheWindow()
{
    Start(false, kPhone, true);
    QVERIFY(Shows("widgetProgress"));
    QCOMPARE(Child<QLabel>("labelProgressPrompt")->text(), QStringLiteral("Backing up..."));
    // iOS 16.4 asks for the passcode before the backup begins: a hint until the first percentage.
    QVERIFY(!Child<QLabel>("labelProgressPasscode")->text().isEmpty());
    QVERIFY(Shows("btnProgressCancel"));
    QTRY_VERIFY_WITH_TIMEOUT(Shows("widgetResultSuccessful"), kResultTimeoutMs);
    QVERIFY(Child<QLabel>("labelProgressPasscode")->text().isEmpty());
    // Archiving apps is refused by current devices: every app counts as failed, and the warning says why.
    const QStringList listWarning = Child<QLabel>("labelResultWarningPrompt")->text().split(QLatin1Char('\n'));
    QCOMPARE(listWarning.first(), QStringLiteral("Warning: 3 apps backup failed!"));
    QVERIFY(listWarning.last().contains(QLatin1String("App Store")));

    const QStringList listSets = QDir(m_qstrRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(listSets.size(), 1);
    // What the checked set holds, where it is and whose it is.
    const QStringList listDetail = Child<QLabel>("labelResultSuccessfulDetail")->text().split(QLatin1Char('\n'));
    QCOMPARE(listDetail.size(), 2);
    QCOMPARE(listDetail.first(), QStringLiteral("Saved: 6 files, %1 in all, not encrypted.").arg(QLocale().formattedDataSize(6 * 2048)));
    QCOMPARE(listDetail.last(), QStringLiteral("Saved in %1/%2, from \"Anna’s Phone: 1\".").arg(m_qstrRoot, listSets.first()));
    QVERIFY(Shows("btnResultSuccessfulOpenFolder"));
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d__\\d\\d_\\d\\d_\\d\\d_@_@_Anna’s Phone_ 1$"))
                 .match(listSets.first()).hasMatch(), qPrintable(listSets.first()));
    QFile marker(m_qstrRoot + QLatin1Char('/') + listSets.first() + QStringLiteral("/BackupFlag.ini"));
    QVERIFY(marker.open(QIODevice::ReadOnly));
    QCOMPARE(marker.readAll(), "[BackupFlag]\r\nIPAFolderName=IPA_Backup\r\nDataFolderName=" + kPhone.toLatin1() + "\r\n");

    // The only device: its reboot leaves none. The others leave while the
    // result is on show, so no home-page switch of theirs is still queued
    // when the restore starts.
    for (const QString& qstrUDID : {kSlow, kFull, kEmpty})
        QVERIFY(m_EmulatorProcess.Command(QStringLiteral("detach"), qstrUDID));
    QTRY_COMPARE_WITH_TIMEOUT(Child<QTabWidget>("tabWidget")->count(), 1, kSecondsMs);
    emit m_pWindow->signal_SwitchStatus(eiFormBackupRestoreIndex_BackupRestoreStatus, eiFormDeviceConnectStatus_DeviceBackupRestore);
    // The dialog offers the set; OK takes it.
    QTimer::singleShot(500, this, []() {
        auto* dialog = QApplication::activeModalWidget();
        if (dialog != nullptr && dialog->findChild<QPushButton*>(QStringLiteral("btnOK")) != nullptr)
            dialog->findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
    });
    Start(true, kPhone, true);
    QVERIFY(Shows("widgetProgress"));
    QCOMPARE(Child<QLabel>("labelProgressPrompt")->text(), QStringLiteral("Restoring..."));
    QVERIFY(!Shows("btnProgressCancel")); // a restore cannot be stopped half-way
    QTRY_VERIFY_WITH_TIMEOUT(Shows("widgetResultSuccessful"), kResultTimeoutMs);
    // The set lists its apps without archives, as every current device's
    // does: a complete restore, and the page says where the apps come from.
    const QString qstrNote = Child<QLabel>("labelResultWarningPrompt")->text();
    QVERIFY2(qstrNote.startsWith(QLatin1String("The personal data was restored.")) && !qstrNote.contains(QLatin1String("Warning")),
             qPrintable(qstrNote));
    QCOMPARE(m_EmulatorProcess.Counter(kPhone, "restores"), 1);
    // The device reboots at the end of a restore; the success stays on show.
    QTRY_COMPARE_WITH_TIMEOUT(m_EmulatorProcess.Counter(kPhone, "reboots"), 1, kSecondsMs);
    QVERIFY(Shows("widgetResultSuccessful"));
}

void TestWindowAgainstEmulator::secondBackupTakesOnlyWhatChanged()
{
    // A root of its own, so that the first backup is the second's base.
    m_pPage->SetBackupDirectory(m_qstrRoot + QStringLiteral("/snapshots"));
    for (const bool bCopyOnlyChanges : {false, true}) {
        if (!Shows("widgetBackupRestore"))
            emit m_pWindow->signal_SwitchStatus(eiFormBackupRestoreIndex_BackupRestoreStatus,
                                                eiFormDeviceConnectStatus_DeviceBackupRestore);
        Child<QCheckBox>("chkCopyOnlyChanges")->setChecked(bCopyOnlyChanges);
        QTest::qWait(1100); // set folders are named to the second
        Start(false, kPhone, false);
        QTRY_VERIFY_WITH_TIMEOUT(Shows("widgetResultSuccessful"), kResultTimeoutMs);
        const QStringList listDetail = Child<QLabel>("labelResultSuccessfulDetail")->text().split(QLatin1Char('\n'));
        QCOMPARE(listDetail.size(), bCopyOnlyChanges ? 3 : 2);
        if (bCopyOnlyChanges)
            QVERIFY2(listDetail.at(1).startsWith(QLatin1String("Transferred from the device: ")), qPrintable(listDetail.at(1)));
    }
}

void TestWindowAgainstEmulator::deviceErrorShowsTheFailure()
{
    Start(false, kFull, false);
    QTRY_VERIFY_WITH_TIMEOUT(Shows("widgetResultFailed"), kResultTimeoutMs);
    QVERIFY(Child<QLabel>("labelResultFailedCause")->text().contains(QLatin1String("not enough free space")));
}

void TestWindowAgainstEmulator::cancelEndsTheBackupAndRetryRunsAgain()
{
    Start(false, kSlow, false);
    QTRY_VERIFY_WITH_TIMEOUT(EmulatorProcess::ToolProcesses().size() == 1, kSecondsMs);
    // The confirmation is answered Yes.
    QTimer::singleShot(300, this, []() {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->button(QMessageBox::Yes)->click();
    });
    Child<QPushButton>("btnProgressCancel")->click();
    QTRY_VERIFY_WITH_TIMEOUT(Shows("widgetResultFailed"), kSecondsMs);
    QVERIFY(EmulatorProcess::ToolProcesses().isEmpty());
    QVERIFY(Child<QLabel>("labelResultFailedCause")->text().contains(QLatin1String("cancelled")));
    Child<QPushButton>("btnResultFailedRetry")->click();
    QVERIFY(Shows("widgetProgress"));
    QTRY_VERIFY_WITH_TIMEOUT(Shows("widgetResultSuccessful"), kResultTimeoutMs);
}

void TestWindowAgainstEmulator::departureEndsInAResultOnTheOperationsPage()
{
    auto* stack = Child<QStackedWidget>("stackedWidgetMain");
    QObject watcher;
    bool bWentHome = false;
    connect(stack, &QStackedWidget::currentChanged, &watcher,
            [&bWentHome](int iIndex) { bWentHome |= iIndex == eiFormBackupRestoreIndex_BackupRestoreStatus; });
    Start(false, kSlow, false);
    QTRY_VERIFY_WITH_TIMEOUT(Child<QLabel>("labelProgressValue")->text() != QLatin1String("0%"), kSecondsMs);
    // With the percentage come the bytes so far of the device's data in use.
    QVERIFY2(Child<QLabel>("labelProgressBytes")->text().contains(QLatin1String(" of ")),
             qPrintable(Child<QLabel>("labelProgressBytes")->text()));
    // A Retry that reaches the page while the run goes on starts nothing.
    m_pPage->slot_SwitchStatus_PrepareProgressResult(eiFormDeviceBackupRestoreStatus_Result, 0);
    Child<QPushButton>("btnResultFailedRetry")->click();
    QVERIFY(Shows("widgetResultFailed"));
    m_pPage->slot_SwitchStatus_PrepareProgressResult(eiFormDeviceBackupRestoreStatus_Progress, 0);

    // Every device drops out of the list for a moment, the backup's
    // connection holds, and its device is back within the grace: the
    // operation goes on under its own page, which offers no second start.
    for (const QString& qstrUDID : {kPhone, kFull, kEmpty, kSlow})
        QVERIFY(m_EmulatorProcess.Command(QStringLiteral("detach"), qstrUDID,
                                          QJsonObject{{QStringLiteral("keep_connections"), true}}));
    QTRY_COMPARE_WITH_TIMEOUT(Child<QTabWidget>("tabWidget")->count(), 0, kSecondsMs);
    QVERIFY(m_EmulatorProcess.Command(QStringLiteral("attach"), kSlow));
    QTRY_COMPARE_WITH_TIMEOUT(Child<QTabWidget>("tabWidget")->count(), 1, kSecondsMs);
    emit m_pWindow->signal_SwitchStatus(eiFormBackupRestoreIndex_BackupRestoreStatus, eiFormDeviceConnectStatus_DeviceBackupRestore);
    QVERIFY(Shows("widgetProgress") && !Shows("btnHome"));
    QTRY_VERIFY_WITH_TIMEOUT(Shows("widgetResultSuccessful"), kResultTimeoutMs);
    QVERIFY(!bWentHome);

    // Unplugged for good: the tool is ended and the page says what happened.
    Child<QPushButton>("btnHome")->click();
    Start(false, kSlow, false);
    QTRY_VERIFY_WITH_TIMEOUT(Child<QLabel>("labelProgressValue")->text() != QLatin1String("0%"), kSecondsMs);
    bWentHome = false;
    QVERIFY(m_EmulatorProcess.Command(QStringLiteral("detach"), kSlow));
    QTRY_VERIFY_WITH_TIMEOUT(Shows("widgetResultFailed"), kSecondsMs);
    const QString qstrCause = Child<QLabel>("labelResultFailedCause")->text();
    QVERIFY2(qstrCause.contains(QLatin1String("disconnected")), qPrintable(qstrCause));
    QTRY_VERIFY_WITH_TIMEOUT(EmulatorProcess::ToolProcesses().isEmpty(), kSecondsMs);
    QVERIFY(!bWentHome && Shows("widgetResultFailed"));
}

void TestWindowAgainstEmulator::setThatCannotBeMarkedIsAFailure()
{
    // The set folder cannot be made there, so neither can its marker; an
    // apps-only backup of a device without apps fails by itself as well.
    m_pPage->SetBackupDirectory(QStringLiteral("/proc/corvina-no-such-place"));
    Child<QCheckBox>("chkBackupPersonalData")->setChecked(false);
    Start(false, kEmpty, true);
    Child<QCheckBox>("chkBackupPersonalData")->setChecked(true);
    QTRY_VERIFY_WITH_TIMEOUT(!m_pPage->Operation()->IsRunning(), kResultTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(Shows("widgetResultFailed"), kSecondsMs);
}

void TestWindowAgainstEmulator::closingAsksWhileAnOperationRuns()
{
    // Answers the question the window asks when it is closed, and notes it
    // and what the window shows right after the answer.
    QString qstrAsked;
    QString qstrShownAfter;
    const auto answer = [this, &qstrAsked, &qstrShownAfter](QMessageBox::StandardButton button) {
        QTimer::singleShot(300, this, [this, &qstrAsked, &qstrShownAfter, button]() {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                qstrAsked = box->windowTitle();
                box->button(button)->click();
                // The event loop goes on: the next event finds the window still there.
                QTimer::singleShot(0, this, [this, &qstrShownAfter]() {
                    qstrShownAfter = m_pWindow->isVisible() ? Child<QLabel>("labelProgressPrompt")->text() : QString();
                });
            }
        });
    };
    Start(false, kSlow, false);
    QTRY_VERIFY_WITH_TIMEOUT(EmulatorProcess::ToolProcesses().size() == 1, kSecondsMs);
    answer(QMessageBox::No);
    m_pWindow->close();
    QTRY_COMPARE_WITH_TIMEOUT(qstrAsked, QStringLiteral("Cancel the backup?"), kSecondsMs);
    QVERIFY(m_pWindow->isVisible() && m_pPage->Operation()->IsRunning());
    QTRY_VERIFY_WITH_TIMEOUT(Shows("widgetResultSuccessful"), kResultTimeoutMs);

    // The set just made is restored onto its device; closing mid-way asks.
    Child<QPushButton>("btnHome")->click();
    QTimer::singleShot(500, this, []() {
        if (auto* dialog = QApplication::activeModalWidget())
            dialog->findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
    });
    Start(true, kSlow, false);
    QTRY_VERIFY_WITH_TIMEOUT(EmulatorProcess::ToolProcesses().size() == 1, kSecondsMs);
    answer(QMessageBox::No);
    m_pWindow->close();
    QTRY_COMPARE_WITH_TIMEOUT(qstrShownAfter, QStringLiteral("Restoring..."), kSecondsMs);
    QCOMPARE(qstrAsked, QStringLiteral("Stop the restore?"));
    QVERIFY(m_pWindow->isVisible() && m_pPage->Operation()->IsRunning());
    // Yes stops it; the window stays, says so and keeps its event loop
    // running until the tool has ended, then closes.
    qstrAsked.clear();
    answer(QMessageBox::Yes);
    m_pWindow->close();
    QTRY_COMPARE_WITH_TIMEOUT(qstrShownAfter, QStringLiteral("Stopping the restore..."), kSecondsMs);
    QTRY_VERIFY_WITH_TIMEOUT(!m_pWindow->isVisible(), kSecondsMs);
    QVERIFY(!m_pPage->Operation()->IsRunning());
    QVERIFY(EmulatorProcess::ToolProcesses().isEmpty());
    m_pWindow->show();
}

void TestWindowAgainstEmulator::AnswerPassword(const std::function<bool(QDialog*)>& answer)
{
    auto* timer = new QTimer(this);
    QDeadlineTimer deadline(kSecondsMs);
    connect(timer, &QTimer::timeout, this, [timer, answer, deadline]() {
        auto* dialog = qobject_cast<dialogBackupPassword*>(QApplication::activeModalWidget());
        if (deadline.hasExpired() || (dialog != nullptr && answer(dialog))) {
            timer->deleteLater();
            if (dialog != nullptr)
                dialog->accept();
        }
    });
    timer->start(100);
}

QString TestWindowAgainstEmulator::Stored(const QString& qstrUDID)
{
    auto* keyring = m_pPage->findChild<CPasswordKeyring*>();
    QSignalSpy spy(keyring, &CPasswordKeyring::signal_Read);
    keyring->Read(qstrUDID);
    if (!spy.wait(kSecondsMs))
        return QStringLiteral("(the keyring did not answer)");
    return spy.first().at(1).toString();
}

void TestWindowAgainstEmulator::encryptionOnAndOffWithTheKeyring()
{
    Child<QToolButton>("toolButtonBackup")->click();
    Select(kEmpty);
    auto* box = Child<QCheckBox>("chkBackupEncrypt");
    auto* answer = Child<QLabel>("labelEncryptionAnswer");
    QVERIFY(box->isEnabled() && !box->isChecked());
    const auto encrypts = [this]() { return m_EmulatorProcess.DeviceStatus(kEmpty).value(u"will_encrypt"_s).toBool(); };
    const QString qstrPassword = u"-a \"b\" c"_s;
    // The keyring fills a dialog a moment after it opens.
    const auto filled = [](QDialog* dialog) {
        return !dialog->findChild<QLineEdit*>(u"lineEditPassword"_s)->text().isEmpty();
    };

    // On: the keyring is offered, and used only when asked.
    bool bOffered = false;
    const auto turnOn = [&](bool bRemember) {
        AnswerPassword([&, bRemember](QDialog* dialog) {
            for (QLineEdit* edit : dialog->findChildren<QLineEdit*>())
                edit->setText(qstrPassword);
            auto* remember = dialog->findChild<QCheckBox*>(u"chkRememberPassword"_s);
            bOffered = remember->isVisible();
            remember->setChecked(bRemember);
            return true;
        });
        box->click();
    };
    turnOn(false);
    QTRY_COMPARE_WITH_TIMEOUT(answer->text(), u"Backups of this device are encrypted now."_s, kResultTimeoutMs);
    QVERIFY(bOffered && box->isChecked() && encrypts());
    QCOMPARE(Stored(kEmpty), QString());

    // An encrypted backup, restored with its password, which is remembered once it proved right.
    Start(false, kEmpty, false);
    QTRY_VERIFY_WITH_TIMEOUT(Shows("widgetResultSuccessful"), kResultTimeoutMs);
    emit m_pWindow->signal_SwitchStatus(eiFormBackupRestoreIndex_BackupRestoreStatus, eiFormDeviceConnectStatus_DeviceBackupRestore);
    QTimer::singleShot(500, this, []() {
        if (auto* ok = QApplication::activeModalWidget()->findChild<QPushButton*>(u"btnOK"_s))
            ok->click();
    });
    AnswerPassword([&](QDialog* dialog) {
        dialog->findChild<QLineEdit*>(u"lineEditPassword"_s)->setText(qstrPassword);
        dialog->findChild<QCheckBox*>(u"chkRememberPassword"_s)->setChecked(true);
        return true;
    });
    Start(true, kEmpty, false);
    QTRY_VERIFY_WITH_TIMEOUT(Shows("widgetResultSuccessful"), kResultTimeoutMs);
    QCOMPARE(m_EmulatorProcess.Counter(kEmpty, "restores"), 1);
    QCOMPARE(Stored(kEmpty), qstrPassword);
    QTRY_COMPARE_WITH_TIMEOUT(m_EmulatorProcess.Counter(kEmpty, "reboots"), 1, kSecondsMs);
    QTRY_COMPARE_WITH_TIMEOUT(Child<QTabWidget>("tabWidget")->count(), 4, kSecondsMs); // back from its reboot
    emit m_pWindow->signal_SwitchStatus(eiFormBackupRestoreIndex_BackupRestoreStatus, eiFormDeviceConnectStatus_DeviceBackupRestore);
    Child<QToolButton>("toolButtonBackup")->click();
    Select(kEmpty);

    // Off: a wrong password typed over the filled one is refused and forgets nothing.
    AnswerPassword([](QDialog* dialog) {
        dialog->findChild<QLineEdit*>(u"lineEditPassword"_s)->setText(u"not it"_s);
        return true;
    });
    box->click();
    QTRY_VERIFY2_WITH_TIMEOUT(answer->text().startsWith(u"The device refused the current password"_s),
                              qPrintable(answer->text()), kResultTimeoutMs);
    QVERIFY(box->isChecked() && encrypts());
    QCOMPARE(Stored(kEmpty), qstrPassword);
    // The filled one turns encryption off, and the keyring lets go of it.
    AnswerPassword(filled);
    box->click();
    QTRY_COMPARE_WITH_TIMEOUT(answer->text(), u"Backups of this device are no longer encrypted."_s, kResultTimeoutMs);
    QVERIFY(!box->isChecked() && !encrypts());
    QCOMPARE(Stored(kEmpty), QString());

    // On again, remembered: the keyring holds what the device took.
    turnOn(true);
    QTRY_COMPARE_WITH_TIMEOUT(answer->text(), u"Backups of this device are encrypted now."_s, kResultTimeoutMs);
    QCOMPARE(Stored(kEmpty), qstrPassword);
    // A locked keyring (its unlock prompt cannot show here) answers, with nothing.
    QString strErrorMessage;
    QVERIFY2(m_KeyringSession.Lock(strErrorMessage), qPrintable(strErrorMessage));
    QCOMPARE(Stored(kEmpty), QString());
}

QTEST_MAIN(TestWindowAgainstEmulator)
#include "TestWindowAgainstEmulator.moc"
