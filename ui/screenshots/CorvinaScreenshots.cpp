// Renders every page and state of the window into PNG files, for people to
// look at and for the AppStream metadata: corvina_screenshots FOLDER en|zh.
// It drives the real window without a device: the device table is filled by
// hand and each state is set the way the window itself sets it.
#include "AppGlobals.h"
#include "CBackupSetCheck.h"
#include "CCauseText.h"
#include "CDeviceTable.h"
#include "CFontSubstitutes.h"
#include "CTranslation.h"
#include "Corvina.h"
#include "ThreadDeviceBackup.h"
#include "dialogBackupPassword.h"
#include "dialogBackupSelect.h"
#include "widgetPrepareProgressResult.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

QString g_qstrFolder;
QString g_qstrLanguage;

// Lets the window lay itself out and paint before it is grabbed.
void Settle(int iMsecs = 100)
{
    QEventLoop loop;
    QTimer::singleShot(iMsecs, &loop, &QEventLoop::quit);
    loop.exec();
}

void Shoot(QWidget* widget, const QString& qstrName)
{
    Settle();
    const QString qstrPath = QStringLiteral("%1/%2-%3.png").arg(g_qstrFolder, g_qstrLanguage, qstrName);
    if (!widget->grab().save(qstrPath))
        std::fprintf(stderr, "corvina_screenshots: cannot write %s\n", qPrintable(qstrPath));
}

template <typename T = QWidget>
T* Child(QWidget* parent, const char* name)
{
    return parent->findChild<T*>(QLatin1String(name));
}

QString Translated(const char* text)
{
    return QCoreApplication::translate("widgetPrepareProgressResult", text);
}

void AddDevice(const char* udid, const char* name)
{
    structDeviceInfo info;
    info.qstrDeviceID = QLatin1String(udid);
    info.qstrDeviceName = QString::fromUtf8(name);
    info.iWillEncrypt = 0; // as a device reports it: its backups are not encrypted
    g_mapDeviceInfo.insert(info.qstrDeviceID, info);
}

void ShootResults(Corvina& window, widgetPrepareProgressResult* page)
{
    page->slot_SwitchStatus_PrepareProgressResult(eiFormDeviceBackupRestoreStatus_Result, 1);
    // What a checked set of the sample iPhone holds, where it went and whose it is.
    structSetCheck saved;
    saved.eiState = eiSetState_Complete;
    saved.iFileCount = 320;
    saved.iTotalBytes = 314572800;
    Child<QLabel>(page, "labelResultSuccessfulDetail")
        ->setText(CCauseText::SavedText(saved) + QLatin1Char('\n')
                  + Translated("Saved in %1, from \"%2\".")
                        .arg(QStringLiteral("/home/anna/PeloraBackup/2026-12-07__02_37_34_@_@_Anna’s iPhone"),
                             QString::fromUtf8("Anna’s iPhone")));
    Child<QPushButton>(page, "btnResultSuccessfulOpenFolder")->show();
    Shoot(&window, QStringLiteral("success"));
    // The warning of a backup whose 12 apps the device would not archive.
    Child<QLabel>(page, "labelResultWarningPrompt")
        ->setText(QString::asprintf(Translated("Warning: %d apps backup failed!").toLocal8Bit().constData(), 12)
                  + QLatin1Char('\n') + CCauseText::CauseText({eiFailureCause_AppsUnsupported, {}}));
    Shoot(&window, QStringLiteral("success-warning"));
    const structFailureCause aCauses[] = {
        {eiFailureCause_DiskFull, QString()},
        {eiFailureCause_NotTrusted, QString()},
        {eiFailureCause_FindMyEnabled, QString()},
        {eiFailureCause_DeviceBusy, QString()},
        {eiFailureCause_Unknown, QStringLiteral("ERROR: Could not start service com.apple.mobilebackup2: -12")}};
    for (const structFailureCause& cause : aCauses) {
        page->slot_SwitchStatus_PrepareProgressResult(eiFormDeviceBackupRestoreStatus_Result, 0);
        Child<QLabel>(page, "labelResultFailedCause")->setText(CCauseText::CauseText(cause));
        Shoot(&window, QStringLiteral("failure-") + QLatin1String(FailureCauseName(cause.eiCause)));
    }
}

void ShootProgress(Corvina& window, widgetPrepareProgressResult* page)
{
    page->slot_SwitchStatus_PrepareProgressResult(eiFormDeviceBackupRestoreStatus_Progress, 0);
    page->slot_Progress(eiStepBackupRestore_PersonalData, 42);
    // 42 % of a device with 64 GB in use, seven minutes after its first percentage.
    Child<QLabel>(page, "labelProgressBytes")
        ->setText(CCauseText::ProgressText(qint64(42) * 640000000, qint64(64000000000), 9 * 60000 + 40000));
    Shoot(&window, QStringLiteral("progress"));
    // Before the first percentage of a device that asks for its passcode.
    page->slot_SwitchStatus_PrepareProgressResult(eiFormDeviceBackupRestoreStatus_Progress, 0);
    Child<QLabel>(page, "labelProgressPasscode")
        ->setText(Translated("If the device asks for its passcode, unlock it and enter the passcode there: the backup "
                             "starts after that."));
    Shoot(&window, QStringLiteral("progress-passcode"));
    QTimer::singleShot(300, []() {
        QWidget* question = QApplication::activeModalWidget();
        if (question == nullptr)
            return;
        Shoot(question, QStringLiteral("cancel-question"));
        question->close();
    });
    Child<QPushButton>(page, "btnProgressCancel")->click();
}

// An XML property list of one dictionary, as a device writes its set's.
void WritePlist(const QString& qstrPath, const QString& qstrEntries)
{
    QFile file(qstrPath);
    if (file.open(QIODevice::WriteOnly))
        file.write(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                  "<plist version=\"1.0\"><dict>%1</dict></plist>\n")
                       .arg(qstrEntries)
                       .toUtf8());
}

// A sample set for the selection dialog, laid out as the backup tool leaves
// it: the marker, the device's property lists and, when its backup finished,
// an encrypted manifest and data files of iBytes in all (sparse: they take no room).
void MakeSampleSet(const QString& qstrRoot, const char* set, const char* udid, const char* name, const char* version,
                   bool bFinished, qint64 iBytes)
{
    const QString qstrSet = qstrRoot + QLatin1Char('/') + QString::fromUtf8(set);
    const QString qstrData = qstrSet + QLatin1Char('/') + QLatin1String(udid);
    QDir().mkpath(qstrData + QStringLiteral("/3d"));
    QFile flag(qstrSet + QStringLiteral("/BackupFlag.ini"));
    if (flag.open(QIODevice::WriteOnly))
        flag.write("[BackupFlag]\r\nIPAFolderName=IPA_Backup\r\nDataFolderName=" + QByteArray(udid) + "\r\n");
    const QString qstrDevice = QStringLiteral("<key>Device Name</key><string>%1</string><key>Product Version</key>"
                                              "<string>%2</string>")
                                   .arg(QString::fromUtf8(name), QLatin1String(version));
    WritePlist(qstrData + QStringLiteral("/Info.plist"), qstrDevice);
    WritePlist(qstrData + QStringLiteral("/Manifest.plist"), QStringLiteral("<key>IsEncrypted</key><true/>"));
    WritePlist(qstrData + QStringLiteral("/Status.plist"),
               QStringLiteral("<key>SnapshotState</key><string>%1</string>")
                   .arg(bFinished ? QStringLiteral("finished") : QStringLiteral("new")));
    if (!bFinished)
        return;
    QFile manifest(qstrData + QStringLiteral("/Manifest.db"));
    if (manifest.open(QIODevice::WriteOnly))
        manifest.write(QByteArray(4096, '\x5a')); // ciphertext to whoever lacks the password
    for (int i = 0; i < 4; ++i) {
        QFile file(qstrData + QStringLiteral("/3d/3d%1").arg(i, 38, 10, QLatin1Char('0')));
        if (file.open(QIODevice::WriteOnly))
            file.resize(iBytes / 4);
    }
}

void ShootDialogs(widgetPrepareProgressResult* page, const QString& qstrRoot)
{
    // Two complete encrypted sets of the iPhone, and an iPad backup that did not finish.
    MakeSampleSet(qstrRoot, "2026-11-28__19_42_07_@_@_Anna’s iPhone", "00008110000a1b2c3d4e5f01", "Anna’s iPhone",
                  "17.5.1", true, 38'117'000'000);
    MakeSampleSet(qstrRoot, "2026-12-03__08_15_51_@_@_iPad Pro", "00008103000f6e5d4c3b2a10", "iPad Pro", "17.4", false,
                  0);
    MakeSampleSet(qstrRoot, "2026-12-06__21_03_30_@_@_Anna’s iPhone", "00008110000a1b2c3d4e5f01", "Anna’s iPhone",
                  "17.5.1", true, 38'402'000'000);
    dialogBackupSelect dialog;
    dialog.qstrBackupRootDirectory = qstrRoot;
    dialog.InitBackupList();
    dialog.show();
    Shoot(&dialog, QStringLiteral("select-backup"));
    QMessageBox prompt(QMessageBox::Information, Translated("Prompt"),
                       Translated("The directory you select is not bakcup directory, pls select again!.\n"),
                       QMessageBox::Ok, page);
    prompt.show();
    Shoot(&prompt, QStringLiteral("prompt"));
    QMessageBox another(QMessageBox::Warning, Translated("Restore a backup of another device?"),
                        Translated("This backup was made from \"%1\" (%2), not from \"%3\". Restoring it replaces all "
                                   "the data on \"%3\" with the data of \"%1\".\n\nRestore it onto \"%3\"?")
                            .arg(QStringLiteral("iPad Pro"), QStringLiteral("00008103000f6e5d4c3b2a10"),
                                 QString::fromUtf8("Anna’s iPhone")),
                        QMessageBox::Yes | QMessageBox::No, page);
    another.show();
    Shoot(&another, QStringLiteral("another-device-question"));
    QMessageBox stop(QMessageBox::Question, QCoreApplication::translate("Corvina", "Stop the restore?"),
                     QCoreApplication::translate("Corvina", "A restore is running. Stop the restore and leave the device "
                                                            "half restored? It may not start properly until a restore "
                                                            "finishes."),
                     QMessageBox::Yes | QMessageBox::No, page);
    stop.show();
    Shoot(&stop, QStringLiteral("close-restore-question"));
    // "Remember in the keyring" shows where the desktop has a keyring service.
    dialogBackupPassword password(Translated("Backup password"),
                                  dialogBackupPassword::RestoreText(QString::fromUtf8(
                                      "2026-12-06__21_03_30_@_@_Anna’s iPhone"), false),
                                  false, Translated("Restore"), page);
    password.OfferRemember(false);
    password.show();
    Shoot(&password, QStringLiteral("restore-password"));
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const QStringList listArguments = application.arguments();
    if (listArguments.size() != 3 || (listArguments.at(2) != QLatin1String("en") && listArguments.at(2) != QLatin1String("zh"))) {
        std::fprintf(stderr, "usage: corvina_screenshots FOLDER en|zh\n");
        return 2;
    }
    g_qstrFolder = listArguments.at(1);
    g_qstrLanguage = listArguments.at(2);
    RegisterSharedMetaTypes();
    g_iLanguage = g_qstrLanguage == QLatin1String("zh") ? QLocale::Chinese : QLocale::English;
    // The fonts and translations as the program's start-up sets them.
    CFontSubstitutes::Install();
    CTranslation::Install(&application, QCoreApplication::applicationDirPath(), g_iLanguage);
    CTranslation::InstallQt(&application, QLibraryInfo::path(QLibraryInfo::TranslationsPath), g_iLanguage);
    // A program folder of its own: the driver libraries and a settings file.
    QTemporaryDir program;
    g_qstrAppDirPath = program.path();
    for (const char* library : {"libCoreFoundation.so", "libiTunesMobileDevice.so"})
        QFile::link(QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(library),
                    program.filePath(QLatin1String(library)));
    QSettings(program.filePath(QStringLiteral("Corvina.ini")), QSettings::IniFormat)
        .setValue(QStringLiteral("/Config/BackupDirectory"), QStringLiteral("/home/anna/PeloraBackup"));
    // No device service here: the home page shows its line about it.
    qputenv("USBMUXD_SOCKET_ADDRESS", "UNIX:" + program.filePath(QStringLiteral("no-usbmuxd")).toLocal8Bit());

    Corvina window;
    window.resize(959, 601);
    window.show();
    auto* page = window.findChild<widgetPrepareProgressResult*>();
    emit window.signal_SwitchStatus(eiFormBackupRestoreIndex_BackupRestoreStatus, eiFormDeviceConnectStatus_DeviceDisConnect);
    Settle(1500);
    Shoot(&window, QStringLiteral("home-disconnected"));
    AddDevice("00008110000a1b2c3d4e5f01", "Anna’s iPhone");
    AddDevice("00008103000f6e5d4c3b2a10", "iPad Pro");
    window.slot_Devices(g_mapDeviceInfo.values());
    Shoot(&window, QStringLiteral("home-connected"));
    g_bDeviceRestore = true;
    emit window.signal_SwitchStatus(eiFormBackupRestoreIndex_PrepareProgressResult, eiFormDeviceBackupRestoreStatus_Setting);
    Shoot(&window, QStringLiteral("restore-settings"));
    g_bDeviceRestore = false;
    emit window.signal_SwitchStatus(eiFormBackupRestoreIndex_PrepareProgressResult, eiFormDeviceBackupRestoreStatus_Setting);
    Child<QCheckBox>(page, "chkBackupGameApp")->setChecked(true);
    Shoot(&window, QStringLiteral("backup-settings"));
    ShootProgress(window, page);
    ShootResults(window, page);
    ShootDialogs(page, program.filePath(QStringLiteral("sets")));
    g_mapDeviceInfo.clear();
    return 0;
}
