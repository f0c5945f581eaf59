// The pages on their own, offscreen: the sections each status shows, the
// progress and warning texts, the start buttons, the device selector, the
// backup selection dialog, the backup directory and the Chinese texts.
#include "AppGlobals.h"
#include "CBackup.h"
#include "CCauseText.h"
#include "CDeviceTable.h"
#include "CFontSubstitutes.h"
#include "CProgramFolder.h"
#include "CTranslation.h"
#include "Corvina.h"
#include "ThreadDeviceBackup.h"
#include "ThreadDeviceRestore.h"
#include "ManifestWriter.h"
#include "dialogBackupPassword.h"
#include "dialogBackupSelect.h"
#include "widgetBackupRestoreStatus.h"
#include "widgetPrepareProgressResult.h"

#include <QCheckBox>
#include <QDir>
#include <QGlyphRun>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocalServer>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QRawFont>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextLayout>
#include <QTimer>
#include <QTranslator>

namespace {

template <typename T = QWidget>
T* Child(QWidget* parent, const char* name)
{
    return parent->findChild<T*>(QLatin1String(name));
}

QString Shown(QWidget* page)
{
    QStringList listShown;
    for (const char* name : {"widgetBackup", "widgetRestore", "widgetProgress", "widgetResultSuccessful", "widgetResultFailed"}) {
        if (!Child(page, name)->isHidden())
            listShown << QLatin1String(name);
    }
    return listShown.join(QLatin1Char(' '));
}

void MakeSet(const QString& qstrRoot, const QString& qstrName, bool bMarker = true)
{
    QDir(qstrRoot).mkpath(qstrName);
    if (bMarker) {
        QFile marker(qstrRoot + QLatin1Char('/') + qstrName + QStringLiteral("/BackupFlag.ini"));
        QVERIFY(marker.open(QIODevice::WriteOnly));
    }
}

// A set of the device with one file of 5 bytes, its snapshot in that state;
// bDamaged leaves a Manifest.db that is no database.
void MakeCheckedSet(const QString& qstrSet, const QString& qstrUDID, const QString& qstrSnapshot = QStringLiteral("finished"),
                    bool bEncrypted = false, bool bDamaged = false)
{
    const QString qstrData = qstrSet + QLatin1Char('/') + qstrUDID;
    QVERIFY(QDir().mkpath(qstrData) && CBackup::WriteBackupFlag(qstrSet, qstrUDID));
    QVERIFY(ManifestWriter::WriteStatus(qstrData, qstrSnapshot) && ManifestWriter::WriteManifestPlist(qstrData, bEncrypted));
    QVERIFY(ManifestWriter::WriteManifest(qstrData + QStringLiteral("/Manifest.db"), {{ManifestWriter::FileID(1), 1, ManifestWriter::Record(5)}}));
    QVERIFY(ManifestWriter::WriteFile(qstrData, ManifestWriter::FileID(1), 5));
    if (bDamaged)
        QVERIFY(QFile::resize(qstrData + QStringLiteral("/Manifest.db"), 100));
}

} // namespace

class TestPages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void statusShowsSections_data();
    void statusShowsSections();
    void progressAndStartButtons();
    void toolTextInACauseIsPlainAndCut();
    void selectorKeepsTheChosenDevice();
    void dialogShowsStatesAndPreselectsTheDevicesSet();
    void restoreDecisions_data();
    void restoreDecisions();
    void backupThatCannotFitAsksFirst();
    void backupDirectoryDefaultAndStored();
    void homePageAndChineseTexts();
    void formFamiliesFindTheLinuxFonts_data();
    void formFamiliesFindTheLinuxFonts();

private:
    QTemporaryDir m_qTemporaryDir;
};

void TestPages::initTestCase()
{
    QVERIFY(m_qTemporaryDir.isValid());
    // The settings file goes into the program folder; the default directory into the home folder.
    g_qstrAppDirPath = m_qTemporaryDir.filePath(QStringLiteral("program"));
    // Device locks of its own: other tests may run the same devices at once.
    CProgramFolder::SetDeviceLockFolder(m_qTemporaryDir.filePath(QStringLiteral("locks")));
    QVERIFY(QDir().mkpath(g_qstrAppDirPath));
    qputenv("HOME", m_qTemporaryDir.filePath(QStringLiteral("home")).toLocal8Bit());
    // A desktop without a keyring service (whatever the machine running the tests has).
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    g_iLanguage = QLocale::English;
    CFontSubstitutes::Install(); // as at start-up, before any font is looked up
}

void TestPages::statusShowsSections_data()
{
    // The warning about failed apps comes from the thread whose result it is
    // (the window test shows it); these direct calls have none.
    QTest::addColumn<bool>("bRestore");
    QTest::addColumn<int>("iStatus");
    QTest::addColumn<int>("iReserve1");
    QTest::addColumn<QString>("qstrShown");
    QTest::addColumn<bool>("bSelectorEnabled");

    QTest::newRow("backup settings") << false << 0 << 0 << "widgetBackup" << true;
    QTest::newRow("restore settings") << true << 0 << 0 << "widgetRestore" << true;
    QTest::newRow("progress") << false << 1 << 0 << "widgetProgress" << false;
    QTest::newRow("success") << false << 2 << 1 << "widgetResultSuccessful" << false;
    QTest::newRow("restore failure") << true << 2 << 0 << "widgetResultFailed" << false;
    QTest::newRow("unknown status changes nothing") << false << 7 << 0 << "widgetProgress" << false;
}

void TestPages::statusShowsSections()
{
    QFETCH(bool, bRestore);
    QFETCH(int, iStatus);
    QFETCH(int, iReserve1);
    widgetPrepareProgressResult page;
    // Every row starts from the progress display after an earlier result.
    g_bDeviceRestore = bRestore;
    page.slot_SwitchStatus_PrepareProgressResult(eiFormDeviceBackupRestoreStatus_Result, 1);
    page.slot_SwitchStatus_PrepareProgressResult(eiFormDeviceBackupRestoreStatus_Progress, 0);
    page.slot_SwitchStatus_PrepareProgressResult(static_cast<enumFormDeviceBackupRestoreStatus>(iStatus), iReserve1);

    QTEST(Shown(&page), "qstrShown");
    QTEST(Child(&page, "tabWidget")->isEnabled(), "bSelectorEnabled");
    QCOMPARE(Child<QLabel>(&page, "labelProgressPrompt")->text(),
             bRestore ? QStringLiteral("Restoring...") : QStringLiteral("Backing up..."));
}

void TestPages::progressAndStartButtons()
{
    widgetPrepareProgressResult page;
    auto* value = Child<QLabel>(&page, "labelProgressValue");
    page.slot_SwitchStatus_PrepareProgressResult(eiFormDeviceBackupRestoreStatus_Progress, 0);
    QCOMPARE(value->text(), QStringLiteral("0%"));
    for (const int iProgress : {57, 100, -3, 250}) {
        page.slot_Progress(eiStepBackupRestore_Apps, iProgress);
        QCOMPARE(value->text(), QString::number(iProgress) + QLatin1Char('%'));
    }

    // A start button is disabled exactly when both boxes of its section are unchecked.
    for (const char* section : {"Backup", "Restore"}) {
        auto* personal = Child<QCheckBox>(&page, qPrintable(QStringLiteral("chk%1PersonalData").arg(QLatin1String(section))));
        auto* apps = Child<QCheckBox>(&page, qPrintable(QStringLiteral("chk%1GameApp").arg(QLatin1String(section))));
        auto* start = Child(&page, qPrintable(QStringLiteral("btn%1").arg(QLatin1String(section))));
        QVERIFY(personal->isChecked() && !apps->isChecked() && start->isEnabled());
        const bool aStates[][3] = {{false, false, false}, {false, true, true}, {true, true, true}, {true, false, true}, {false, false, false}};
        for (const auto& state : aStates) {
            personal->setChecked(state[0]);
            apps->setChecked(state[1]);
            QCOMPARE(start->isEnabled(), state[2]);
        }
    }
}

void TestPages::toolTextInACauseIsPlainAndCut()
{
    widgetPrepareProgressResult page;
    auto* cause = Child<QLabel>(&page, "labelResultFailedCause");
    QCOMPARE(cause->textFormat(), Qt::PlainText);
    const QString qstrLong = QStringLiteral("<b>ERROR:</b> ") + QString(5000, QLatin1Char('x'));
    const QString qstrText = CCauseText::CauseText({eiFailureCause_Unknown, qstrLong});
    QVERIFY(qstrText.contains(QLatin1String("<b>ERROR:</b> xxx")));
    QVERIFY(qstrText.size() < 300);
    QVERIFY(!CCauseText::CauseText({eiFailureCause_Unknown, QStringLiteral(" \t")}).isEmpty());
    QVERIFY(CCauseText::CauseText({eiFailureCause_ToolMissing, QStringLiteral("idevicebackup2")})
                .contains(QLatin1String("libimobiledevice-utils")));
    QVERIFY(CCauseText::CauseText({eiFailureCause_None, QString()}).isEmpty());
    // iOS 16.1 and later ask for the passcode at the start of every backup.
    for (const auto& row : {std::pair("16.1", true), std::pair("17.5.1", true), std::pair("16.0.3", false),
                            std::pair("9.3", false), std::pair("", false)})
        QCOMPARE(COperation::AsksPasscodeForBackup(QLatin1String(row.first)), row.second);
}

void TestPages::selectorKeepsTheChosenDevice()
{
    widgetPrepareProgressResult page;
    auto* tabs = Child<QTabWidget>(&page, "tabWidget");
    const auto rebuild = [&page]() { QVERIFY(QMetaObject::invokeMethod(&page, "slot_UpdateDevice", Q_ARG(QList<structDeviceInfo>, g_mapDeviceInfo.values()))); };
    const auto add = [](const char* udid, const char* name) {
        structDeviceInfo device;
        device.qstrDeviceID = QLatin1String(udid);
        device.qstrDeviceName = QString::fromUtf8(name);
        g_mapDeviceInfo.insert(device.qstrDeviceID, device);
    };
    add("c3", "Third");
    add("a1", "First");
    add("b2", "Второй");
    rebuild();
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->currentIndex(), 0);
    tabs->setCurrentIndex(2);
    add("0z", "Fourth");
    rebuild();
    const QStringList listExpected = {QStringLiteral("Fourth"), QStringLiteral("First"), QStringLiteral("Второй"), QStringLiteral("Third")};
    for (int i = 0; i < tabs->count(); ++i)
        QCOMPARE(tabs->tabText(i), listExpected.at(i));
    QCOMPARE(tabs->tabBar()->tabData(tabs->currentIndex()).toString(), QStringLiteral("c3"));
    g_mapDeviceInfo.clear();
    rebuild();
    QCOMPARE(tabs->count(), 0);
}

void TestPages::dialogShowsStatesAndPreselectsTheDevicesSet()
{
    const QString qstrRoot = m_qTemporaryDir.filePath(QStringLiteral("sets"));
    const QString qstrUDID = QStringLiteral("00008030c0ffee0000000000000000000000a001");
    MakeCheckedSet(qstrRoot + QStringLiteral("/2024-03-06__08_00_00_@_@_Broken"), qstrUDID, QStringLiteral("finished"), false, true);
    MakeCheckedSet(qstrRoot + QStringLiteral("/2024-03-07__14_05_09_@_@_Test iPhone"), qstrUDID);
    MakeCheckedSet(qstrRoot + QStringLiteral("/2024-03-08__09_00_00_@_@_my_phone"), qstrUDID, QStringLiteral("finished"), true);
    MakeSet(qstrRoot, QStringLiteral("Hand made"));
    MakeSet(qstrRoot, QStringLiteral("2024-03-09__10_00_00_@_@_No marker"), false);
    MakeCheckedSet(qstrRoot + QStringLiteral("/2025-01-01__00_00_01_@_@_Cut_@_@_here"), qstrUDID, QStringLiteral("new"));
    MakeCheckedSet(qstrRoot + QStringLiteral("/2025-02-01__00_00_00_@_@_Other"), QStringLiteral("00008030"));

    // The newest complete set of the device, not the newest of the root.
    dialogBackupSelect dialog;
    dialog.qstrBackupRootDirectory = qstrRoot;
    dialog.qstrDeviceUDID = qstrUDID;
    QVERIFY(dialog.InitBackupList());
    auto* list = Child<QListWidget>(&dialog, "listWidgetBackup");
    auto* ok = Child<QPushButton>(&dialog, "btnOK");
    QCOMPARE(list->count(), 5);
    QTRY_COMPARE(dialog.qstrSelectedBackup, QStringLiteral("2024-03-08__09_00_00_@_@_my_phone"));
    QTRY_VERIFY(!list->item(0)->text().endsWith(QStringLiteral("checking...")));
    const QString qstrSize = QLocale().formattedDataSize(5);
    QCOMPARE(list->item(0)->text(), QStringLiteral("2024-03-06 08:00:00\t\tBroken\tdamaged"));
    QCOMPARE(list->item(1)->text(), QStringLiteral("2024-03-07 14:05:09\t\tTest iPhone\t%1\tcomplete").arg(qstrSize));
    QCOMPARE(list->item(3)->text(), QStringLiteral("2025-01-01 00:00:01\t\tCut\tunfinished"));
    QVERIFY(list->item(2)->icon().cacheKey() != list->item(1)->icon().cacheKey()); // the lock
    QVERIFY(ok->isEnabled());
    // An unfinished or damaged set cannot be taken, and says why.
    for (int iRow : {3, 0}) {
        list->setCurrentRow(iRow);
        QVERIFY(!ok->isEnabled());
        QVERIFY(!Child<QLabel>(&dialog, "labelReason")->text().isEmpty());
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(!dialog.bAccepted);
    }
    list->setCurrentRow(1);
    QCOMPARE(dialog.qstrSelectedBackup, QStringLiteral("2024-03-07__14_05_09_@_@_Test iPhone"));
    QVERIFY(Child<QLabel>(&dialog, "labelReason")->text().isEmpty());
    QTest::mouseClick(Child<QPushButton>(&dialog, "btnCancel"), Qt::LeftButton);
    QVERIFY(!dialog.bAccepted);
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(dialog.bAccepted);

    // No set of this device: none preselected.
    dialogBackupSelect other;
    other.qstrBackupRootDirectory = qstrRoot;
    other.qstrDeviceUDID = QStringLiteral("00008030c0ffee0000000000000000000000ffff");
    QVERIFY(other.InitBackupList());
    auto* otherList = Child<QListWidget>(&other, "listWidgetBackup");
    QTRY_VERIFY(!otherList->item(0)->text().endsWith(QStringLiteral("checking...")));
    QCOMPARE(otherList->currentRow(), -1);
    QVERIFY(other.qstrSelectedBackup.isEmpty());

    dialogBackupSelect empty;
    QVERIFY(empty.InitBackupList());
    QVERIFY(empty.qstrSelectedBackup.isEmpty());

    // The frameless dialog follows the pointer by exactly its displacement.
    dialog.move(100, 100);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QPoint start = dialog.pos();
    QTest::mousePress(&dialog, Qt::RightButton, {}, QPoint(10, 10));
    QMouseEvent moveRight(QEvent::MouseMove, QPointF(40, 30), dialog.mapToGlobal(QPointF(40, 30)), Qt::NoButton, Qt::RightButton, {});
    QApplication::sendEvent(&dialog, &moveRight);
    QCOMPARE(dialog.pos(), start);
    QTest::mouseRelease(&dialog, Qt::RightButton, {}, QPoint(10, 10));
    QTest::mousePress(&dialog, Qt::LeftButton, {}, QPoint(10, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(40, 30), dialog.mapToGlobal(QPointF(40, 30)), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(&dialog, &move);
    QTest::mouseRelease(&dialog, Qt::LeftButton, {}, QPoint(40, 30));
    QCOMPARE(dialog.pos(), start + QPoint(30, 20));
}

void TestPages::restoreDecisions_data()
{
    QTest::addColumn<QString>("qstrSetFrom");   // the UDID in the set's marker, "" for a marker without its keys
    QTest::addColumn<bool>("bTargetDeparts");    // while the dialog is open
    QTest::addColumn<int>("iAnswer");            // to the box that comes up, if any
    QTest::addColumn<QString>("qstrBox");        // its title
    QTest::addColumn<QString>("qstrTarget");     // the device the restore goes to, "" for none
    QTest::addColumn<bool>("bEncrypted");        // the set; its password is asked for (Ok: "a b" given)

    QTest::newRow("own set, no question") << "a1" << false << 0 << "" << "a1" << false;
    QTest::newRow("marker without its keys") << "" << false << int(QMessageBox::Ok) << "Prompt" << "" << false;
    QTest::newRow("target left while choosing") << "a1" << true << int(QMessageBox::Ok) << "Prompt" << "" << false;
    QTest::newRow("another device's set, declined")
        << "b2" << false << int(QMessageBox::No) << "Restore a backup of another device?" << "" << false;
    QTest::newRow("another device's set, confirmed")
        << "b2" << false << int(QMessageBox::Yes) << "Restore a backup of another device?" << "a1" << false;
    QTest::newRow("encrypted set, password cancelled")
        << "a1" << false << int(QMessageBox::Cancel) << "Backup password" << "" << true;
    QTest::newRow("encrypted set, password given")
        << "a1" << false << int(QMessageBox::Ok) << "Backup password" << "a1" << true;
}

void TestPages::restoreDecisions()
{
#if defined(__SANITIZE_THREAD__)
    // The restores started here end on worker threads that the page then
    // frees; the sanitizer cannot see Qt's own (uninstrumented) locks order that.
    QSKIP("starts worker threads whose end ThreadSanitizer cannot follow through Qt");
#endif
    QFETCH(QString, qstrSetFrom);
    QFETCH(bool, bTargetDeparts);
    QFETCH(int, iAnswer);
    QFETCH(bool, bEncrypted);
    const QString qstrRoot = m_qTemporaryDir.filePath(QStringLiteral("decisions-") + QTest::currentDataTag());
    const QString qstrSet = qstrRoot + QStringLiteral("/2024-05-01__10_00_00_@_@_Phone B");
    MakeCheckedSet(qstrSet, qstrSetFrom.isEmpty() ? QStringLiteral("a1") : qstrSetFrom, QStringLiteral("finished"),
                   bEncrypted);
    if (qstrSetFrom.isEmpty())
        QSettings(qstrSet + QStringLiteral("/BackupFlag.ini"), QSettings::IniFormat)
            .remove(QStringLiteral("/BackupFlag/IPAFolderName"));
    g_mapDeviceInfo.clear();
    for (const char* udid : {"a1", "b2"}) {
        structDeviceInfo device;
        device.qstrDeviceID = QLatin1String(udid);
        device.qstrDeviceName = QStringLiteral("Phone ") + QChar(QLatin1Char(udid[0])).toUpper();
        g_mapDeviceInfo.insert(device.qstrDeviceID, device);
    }
    // A started restore finds no tool and fails at once: no process is
    // started, which the thread sanitizer could not follow.
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", m_qTemporaryDir.path().toLocal8Bit());
    widgetPrepareProgressResult page;
    QVERIFY(QMetaObject::invokeMethod(&page, "slot_UpdateDevice", Q_ARG(QList<structDeviceInfo>, g_mapDeviceInfo.values())));
    g_bDeviceRestore = true;
    page.slot_SwitchStatus_PrepareProgressResult(eiFormDeviceBackupRestoreStatus_Setting, 0);
    page.SetRestoreDirectory(qstrRoot);
    Child<QTabWidget>(&page, "tabWidget")->setCurrentIndex(0);

    // In the dialog the target may leave (the selector then shows the other
    // device); the set is chosen and confirmed; then the box that follows is
    // read and answered.
    QString qstrBox;
    QTimer::singleShot(200, this, [&]() {
        if (bTargetDeparts) {
            g_mapDeviceInfo.remove(QStringLiteral("a1"));
            QVERIFY(QMetaObject::invokeMethod(&page, "slot_UpdateDevice", Q_ARG(QList<structDeviceInfo>, g_mapDeviceInfo.values())));
        }
        Child<QListWidget>(QApplication::activeModalWidget(), "listWidgetBackup")->setCurrentRow(0);
        auto* ok = Child<QPushButton>(QApplication::activeModalWidget(), "btnOK");
        if (QTest::qWaitFor([ok]() { return ok->isEnabled(); }))
            ok->click();
        QTimer::singleShot(200, [&qstrBox, iAnswer]() {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                qstrBox = box->windowTitle();
                if (auto* button = box->button(static_cast<QMessageBox::StandardButton>(iAnswer)))
                    button->click();
                else
                    box->reject();
            } else if (auto* dialog = qobject_cast<dialogBackupPassword*>(QApplication::activeModalWidget())) {
                // Without a keyring there is nothing to offer, and nothing to complain about.
                qstrBox = Child(dialog, "chkRememberPassword")->isVisibleTo(dialog) ? QStringLiteral("(keyring offered)")
                                                                                    : dialog->windowTitle();
                Child<QLineEdit>(dialog, "lineEditPassword")->setText(QStringLiteral("a b"));
                if (iAnswer == QMessageBox::Ok)
                    dialog->accept();
                else
                    dialog->reject();
            }
        });
    });
    QTest::mouseClick(Child(&page, "btnRestore"), Qt::LeftButton);
    QTEST(qstrBox, "qstrBox");
    const COperation* restore = page.Operation();
    QTEST(restore != nullptr ? restore->Request().qstrDeviceUDID : QString(), "qstrTarget");
    if (restore != nullptr)
        QCOMPARE(restore->Request().qstrPassword, bEncrypted ? QStringLiteral("a b") : QString());
    if (restore == nullptr) {
        QCOMPARE(Shown(&page), QStringLiteral("widgetRestore"));
    } else {
        // No device answers here: the restore fails, and the failure leads back
        // to the settings of the same device, also when another one is selected.
        QVERIFY(Child(&page, "btnHome")->isHidden());
        QTRY_COMPARE_WITH_TIMEOUT(Shown(&page), QStringLiteral("widgetResultFailed"), 60000);
        QVERIFY(!Child(&page, "btnHome")->isHidden());
        Child<QTabWidget>(&page, "tabWidget")->setCurrentIndex(1);
        Child<QPushButton>(&page, "btnResultFailedSettings")->click();
        QCOMPARE(Shown(&page), QStringLiteral("widgetRestore"));
        QCOMPARE(Child<QTabWidget>(&page, "tabWidget")->tabBar()->tabData(Child<QTabWidget>(&page, "tabWidget")->currentIndex()).toString(), QStringLiteral("a1"));
    }
    g_mapDeviceInfo.clear();
    g_bDeviceRestore = false;
    qputenv("PATH", path);
}

void TestPages::backupThatCannotFitAsksFirst()
{
    // A device holding far more data than any disk: the question comes before any tool or folder.
    structDeviceInfo device;
    device.qstrDeviceID = QStringLiteral("big");
    device.iDataUsedBytes = qint64(1) << 62;
    g_mapDeviceInfo.insert(device.qstrDeviceID, device);
    widgetPrepareProgressResult page;
    QVERIFY(QMetaObject::invokeMethod(&page, "slot_UpdateDevice", Q_ARG(QList<structDeviceInfo>, g_mapDeviceInfo.values())));
    g_bDeviceRestore = false;
    page.slot_SwitchStatus_PrepareProgressResult(eiFormDeviceBackupRestoreStatus_Setting, 0);
    const QString qstrRoot = m_qTemporaryDir.filePath(QStringLiteral("not yet"));
    page.SetBackupDirectory(qstrRoot + QStringLiteral("/made"));
    Child<QCheckBox>(&page, "chkBackupPersonalData")->setChecked(true);
    QString qstrTitle;
    QTimer::singleShot(200, this, [&qstrTitle]() {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            qstrTitle = box->windowTitle();
            box->reject();
        }
    });
    QTest::mouseClick(Child(&page, "btnBackup"), Qt::LeftButton);
    QCOMPARE(qstrTitle, QStringLiteral("Not enough space"));
    QVERIFY(page.Operation() == nullptr);
    QVERIFY(!QFileInfo::exists(qstrRoot));
    g_mapDeviceInfo.clear();
}

void TestPages::backupDirectoryDefaultAndStored()
{
    const QString qstrSettings = g_qstrAppDirPath + QStringLiteral("/Corvina.ini");
    QFile::remove(qstrSettings);
    const QString qstrDefault = QDir::home().filePath(QStringLiteral("PeloraBackup"));
    {
        widgetPrepareProgressResult page;
        QCOMPARE(Child<QLabel>(&page, "labelBackupDirectory")->text(), qstrDefault);
        QCOMPARE(Child<QLabel>(&page, "labelRestoreDirectory")->text(), qstrDefault);
        QVERIFY(QFileInfo(qstrDefault).isDir());
        QCOMPARE(QSettings(qstrSettings, QSettings::IniFormat).value(QStringLiteral("/Config/BackupDirectory")).toString(), qstrDefault);
        // Copying only the changes is on until the user turns it off, which is remembered.
        QVERIFY(Child<QCheckBox>(&page, "chkCopyOnlyChanges")->isChecked());
        Child<QCheckBox>(&page, "chkCopyOnlyChanges")->setChecked(false);
    }
    QSettings(qstrSettings, QSettings::IniFormat).setValue(QStringLiteral("/Config/BackupDirectory"), QStringLiteral("/tmp/x/../y"));
    {
        widgetPrepareProgressResult page;
        QCOMPARE(Child<QLabel>(&page, "labelBackupDirectory")->text(), QDir::toNativeSeparators(QStringLiteral("/tmp/x/../y")));
        QVERIFY(!Child<QCheckBox>(&page, "chkCopyOnlyChanges")->isChecked());
    }

    // The Windows walk over the drives, with their write permission.
    using Drives = QList<widgetPrepareProgressResult::structDrive>;
    const struct
    {
        Drives drives;
        const char* expected;
    } aCases[] = {
        {{{"C:/", true}, {"D:/", true}, {"E:/", true}}, "D:/PeloraBackup"},
        {{{"C:/", true}, {"D:/", false}, {"E:/", true}}, "C:/PeloraBackup"},
        {{{"A:/", false}, {"C:/", true}}, "C:/PeloraBackup"},
        {{{"C:/", false}, {"D:/", false}}, "PeloraBackup"},
        {{}, "PeloraBackup"},
    };
    for (const auto& row : aCases)
        QCOMPARE(widgetPrepareProgressResult::DefaultDirectoryOnDrives(row.drives, QStringLiteral("PeloraBackup")),
                 QLatin1String(row.expected));
}

void TestPages::homePageAndChineseTexts()
{
    {
        widgetBackupRestoreStatus home;
        QVERIFY(Child<QWidget>(&home, "widgetFunctionShow")->styleSheet().contains(QLatin1String("HomepageBG.EN.1.png")));
        home.slot_SwitchStatus_DeviceConnect(eiFormDeviceConnectStatus_DeviceDisConnect, 0);
        QVERIFY(Child(&home, "widgetBackupRestore")->isHidden() && !Child(&home, "widgetDeviceDisconnect")->isHidden());
        home.slot_SwitchStatus_DeviceConnect(eiFormDeviceConnectStatus_DeviceBackupRestore, 0);
        home.slot_SwitchStatus_DeviceConnect(static_cast<enumFormDeviceConnectStatus>(5), 0);
        QVERIFY(!Child(&home, "widgetBackupRestore")->isHidden() && Child(&home, "widgetDeviceDisconnect")->isHidden());
        // The buttons record the operation before asking for the page.
        QList<bool> listFlags;
        connect(&home, &widgetBackupRestoreStatus::signal_SwitchStatus, this, [&listFlags](enumFormBackupRestoreIndex index, int status) {
            QCOMPARE(index, eiFormBackupRestoreIndex_PrepareProgressResult);
            QCOMPARE(status, 0);
            listFlags << g_bDeviceRestore;
        });
        QTest::mouseClick(Child(&home, "toolButtonRestore"), Qt::LeftButton);
        QTest::mouseClick(Child(&home, "toolButtonBackup"), Qt::LeftButton);
        QCOMPARE(listFlags, QList<bool>({true, false}));
    }
    {
        // A line under the connect prompt while the device service cannot be reached, gone when it can.
        const QString qstrSocket = m_qTemporaryDir.filePath(QStringLiteral("usbmuxd"));
        qputenv("USBMUXD_SOCKET_ADDRESS", "UNIX:" + qstrSocket.toLocal8Bit());
        widgetBackupRestoreStatus home;
        auto* line = Child(&home, "labelServicePrompt");
        QTRY_VERIFY(!line->isHidden());
        QLocalServer service;
        QVERIFY(service.listen(qstrSocket));
        QTRY_VERIFY_WITH_TIMEOUT(line->isHidden(), 10000);
        service.close();
        QTRY_VERIFY_WITH_TIMEOUT(!line->isHidden(), 10000);
        qunsetenv("USBMUXD_SOCKET_ADDRESS");
    }
    QTranslator* chinese = CTranslation::Install(QCoreApplication::instance(), QStringLiteral(CORVINA_PROGRAM_DIR), QLocale::Chinese);
    QVERIFY(chinese != nullptr);
    g_iLanguage = QLocale::Chinese;
    widgetBackupRestoreStatus home;
    widgetPrepareProgressResult page;
    g_iLanguage = QLocale::English;
    QCoreApplication::removeTranslator(chinese);
    delete chinese;
    QVERIFY(Child<QWidget>(&home, "widgetFunctionShow")->styleSheet().contains(QLatin1String("HomepageBG.1.png")));
    QCOMPARE(Child<QLabel>(&home, "labelConnectStatusPrompt")->text(), QStringLiteral("请先连接设备，再进行备份和恢复。"));
    QCOMPARE(Child<QPushButton>(&page, "btnBackup")->text(), QStringLiteral("备份"));
}

void TestPages::formFamiliesFindTheLinuxFonts_data()
{
    QTest::addColumn<QString>("qstrFamily");
    QTest::addColumn<QString>("qstrText");
    QTest::addColumn<QString>("qstrFont");
    const QString qstrYaHei = QStringLiteral("微软雅黑");
    QTest::newRow("Arial, Latin") << QStringLiteral("Arial") << QStringLiteral("Backup 42%") << QStringLiteral("Liberation Sans");
    QTest::newRow("Arial, Chinese") << QStringLiteral("Arial") << QStringLiteral("备份成功") << QStringLiteral("Noto Sans CJK SC");
    QTest::newRow("YaHei, Latin") << qstrYaHei << QStringLiteral("Backup 42%") << QStringLiteral("Noto Sans CJK SC");
    QTest::newRow("YaHei, Chinese") << qstrYaHei << QStringLiteral("备份成功") << QStringLiteral("Noto Sans CJK SC");
}

void TestPages::formFamiliesFindTheLinuxFonts()
{
    QFETCH(QString, qstrFamily);
    QFETCH(QString, qstrText);
    QFETCH(QString, qstrFont);
    // The font that draws the text, as laid out for a label of the family.
    QTextLayout layout(qstrText, QFont(qstrFamily));
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    QStringList listFonts;
    for (const QGlyphRun& run : layout.glyphRuns())
        listFonts << run.rawFont().familyName().toLower();
    QCOMPARE(listFonts, QStringList{qstrFont.toLower()});
}

QTEST_MAIN(TestPages)
#include "TestPages.moc"
