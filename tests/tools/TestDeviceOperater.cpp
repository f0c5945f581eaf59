// Listing, archiving and installing apps through the fake ideviceinstaller:
// the arguments it receives, the list it prints in its several forms, and how
// each kind of failure is judged.
#include "AppGlobals.h"
#include "CDeviceOperater.h"
#include "CToolEndRequest.h"
#include "FakeToolSession.h"

#include <QFileInfo>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString qstrUdid = u"00008101-000A1B2C3D4E5F60"_s;

QStringList AppIDs(const QList<structAppInfo>& listAppInfo)
{
    QStringList listIDs;
    for (const structAppInfo& app : listAppInfo)
        listIDs.append(app.qstrAppID);
    return listIDs;
}

} // namespace

class TestDeviceOperater : public QObject
{
    Q_OBJECT

private slots:
    void listApps_data();
    void listApps();
    void parseAppList();
    void listFailures_data();
    void listFailures();
    void backupApp();
    void installApp();
    void runsThatNeverStart();
};

void TestDeviceOperater::listApps_data()
{
    QTest::addColumn<QString>("qstrScenario");
    QTest::addColumn<int>("iAppCount");
    QTest::addColumn<int>("iCheckedApp");
    QTest::addColumn<QString>("qstrName");
    QTest::addColumn<QString>("qstrVersion");
    QTest::newRow("lines ended by LF") << "" << 4 << 2 << u"Space Game"_s << u"1.0"_s;
    QTest::newRow("lines ended by CR LF") << "crlf" << 4 << 1 << u"Maps"_s << u"5.0.3"_s;
    QTest::newRow("two columns: no version") << "two-column" << 4 << 1 << u"Maps"_s << QString();
    QTest::newRow("two columns, CR LF") << "two-column,crlf" << 4 << 1 << u"Maps"_s << QString();
    QTest::newRow("name outside ASCII") << "non-ascii" << 4 << 0
                                        << QString::fromUtf8("Caf\xC3\xA9 Gr\xC3\xB6\xC3\x9F" "e \xE6\x97\xA5\xE6\x9C\xAC")
                                        << u"2.1"_s;
    // An app's name is the device's data, not the tool's word.
    QTest::newRow("name holding an error word") << "marker-name" << 4 << 3 << u"Failed Tests"_s << u"12.4"_s;
    // The columns are cut at every ", ": the name keeps its first part less its last character.
    QTest::newRow("name holding a comma") << "comma-name" << 4 << 2 << u"Spac"_s << u"1.0"_s;
    QTest::newRow("many apps") << "" << 250 << 249 << u"App 249"_s << u"1.249"_s;
}

void TestDeviceOperater::listApps()
{
    QFETCH(QString, qstrScenario);
    QFETCH(int, iAppCount);
    QFETCH(int, iCheckedApp);
    QFETCH(QString, qstrName);
    QFETCH(QString, qstrVersion);
    FakeToolSession session;
    session.SetScenario(qstrScenario);
    session.SetEnv("CORVINA_FAKE_APP_COUNT", QString::number(iAppCount));
    QList<structAppInfo> listAppInfo{{u"already.there"_s, u"A"_s, u"1"_s}};
    QString strErrorMessage = u"kept"_s;
    QVERIFY(CDeviceOperater::GetAppInfoList(qstrUdid, listAppInfo, strErrorMessage));
    QCOMPARE(strErrorMessage, u"kept"_s);
    // Appended behind what the list held; no line end left in an identifier.
    QCOMPARE(listAppInfo.size(), 1 + iAppCount);
    QCOMPARE(AppIDs(listAppInfo).mid(0, 5), QStringList{u"already.there"_s} + FakeToolSession::DeviceApps());
    QCOMPARE(listAppInfo.at(1 + iCheckedApp).qstrAppName, qstrName);
    QCOMPARE(listAppInfo.at(1 + iCheckedApp).qstrAppVersion, qstrVersion);
    QCOMPARE(session.RunsOf(u"ideviceinstaller"_s), (QList<QStringList>{{u"-u"_s, qstrUdid, u"-l"_s}}));
}

void TestDeviceOperater::parseAppList()
{
    QList<structAppInfo> listAppInfo;
    CDeviceOperater::ParseAppList(u"CFBundleIdentifier, CFBundleVersion, CFBundleDisplayName\n"_s, listAppInfo);
    CDeviceOperater::ParseAppList(QString(), listAppInfo);
    QVERIFY(listAppInfo.isEmpty());

    CDeviceOperater::ParseAppList(u"heading, is, ignored\r\none.column\r\n\r\n"
                                  u"a.b, \"1\", \"Name\", \"extra\", more\nc.d, \"\"\ne.f, x, y"_s,
                                  listAppInfo);
    // Two columns: an empty name between its quotes, no version. Columns of
    // fewer than two characters yield empty members; a last line without its end counts.
    const QList<QStringList> listExpected{{u"a.b"_s, u"Name"_s, u"1"_s}, {u"c.d"_s, QString(), QString()},
                                          {u"e.f"_s, QString(), QString()}};
    QCOMPARE(listAppInfo.size(), listExpected.size());
    for (qsizetype i = 0; i < listExpected.size(); ++i) {
        const structAppInfo& app = listAppInfo.at(i);
        QCOMPARE((QStringList{app.qstrAppID, app.qstrAppName, app.qstrAppVersion}), listExpected.at(i));
    }
}

void TestDeviceOperater::listFailures_data()
{
    QTest::addColumn<QString>("qstrScenario");
    QTest::addColumn<int>("iCause");
    // "No device found" carries no error word: only the exit code tells.
    QTest::newRow("no device") << "no-device" << int(eiFailureCause_NoDevice);
    QTest::newRow("crash") << "list-crash" << int(eiFailureCause_ToolCrashed);
}

void TestDeviceOperater::listFailures()
{
    QFETCH(QString, qstrScenario);
    QFETCH(int, iCause);
    FakeToolSession session;
    session.SetScenario(qstrScenario);
    QList<structAppInfo> listAppInfo{{u"kept"_s, QString(), QString()}};
    QString strErrorMessage = u"kept"_s;
    structFailureCause cause;
    QVERIFY(!CDeviceOperater::GetAppInfoList(qstrUdid, listAppInfo, strErrorMessage, nullptr, &cause));
    QCOMPARE(listAppInfo.size(), 1);
    QCOMPARE(strErrorMessage, u"kept"_s);
    QCOMPARE(int(cause.eiCause), iCause);
}

void TestDeviceOperater::backupApp()
{
    FakeToolSession session;
    const QString qstrApps = session.MakeDir(u"set/IPA_Backup"_s);
    const QString qstrArchive = qstrApps + u"/com.example.Maps.ipa"_s;
    QString strErrorMessage;
    const auto backup = [&](const QString& qstrScenario, const QString& qstrFolder) {
        session.SetScenario(qstrScenario);
        return CDeviceOperater::BackupApp(qstrUdid, qstrFolder, u"com.example.Maps"_s, strErrorMessage);
    };
    // Current devices refuse to archive.
    QVERIFY(!backup(QString(), qstrApps));
    QVERIFY(!QFileInfo::exists(qstrArchive));

    // Where archiving works the archive is left in the folder; a backslash in
    // the folder reaches the tool as "/".
    QVERIFY(backup(u"old-device"_s, session.Path(u"set\\IPA_Backup"_s)));
    QVERIFY(QFileInfo(qstrArchive).size() > 0);
    QCOMPARE(session.RunsOf(u"ideviceinstaller"_s).last(),
             (QStringList{u"-u"_s, qstrUdid, u"-a"_s, u"com.example.Maps"_s, u"-o"_s, u"copy="_s + qstrApps, u"-o"_s,
                          u"remove"_s}));
    QVERIFY(strErrorMessage.isEmpty());

    // A failed copy can leave an empty archive, with exit code 255 or with
    // exit code 0 and no error word: neither copy said it was done.
    for (const QString& qstrScenario : {u"old-device,zero-byte"_s, u"old-device,no-length"_s}) {
        QFile::remove(qstrArchive);
        QVERIFY(!backup(qstrScenario, qstrApps));
        QCOMPARE(QFileInfo(qstrArchive).size(), 0);
    }
}

void TestDeviceOperater::installApp()
{
    FakeToolSession session;
    const QString qstrArchive = session.MakeDir(u"IPA_Backup"_s) + u"/com.example.Notes.ipa"_s;
    QVERIFY(FakeToolSession::WriteAppArchive(qstrArchive, u"com.example.Notes"_s));
    const QString qstrWithBackslash = session.Path(u"IPA_Backup\\com.example.Notes.ipa"_s);
    QString strErrorMessage;
    QVERIFY(CDeviceOperater::InstallApp(qstrUdid, qstrWithBackslash, strErrorMessage));
    QCOMPARE(session.RunsOf(u"ideviceinstaller"_s).last(), (QStringList{u"-u"_s, qstrUdid, u"-i"_s, qstrArchive}));
    QCOMPARE(session.InstalledApps(), QStringList{u"com.example.Notes"_s});

    // A refused install (error word on standard error, exit code 128), a
    // crash, and the two failures that end with exit code 0 and no error word.
    session.SetEnv("CORVINA_FAKE_FAIL_IDS", u"com.example.Notes"_s);
    const QList<QPair<QString, structFailureCause>> listFailures{
        {QString(),
         {eiFailureCause_Unknown, u"ERROR: Install failed. Got error \"APIInternalError\" with code "
                                  u"0xe8008001: Could not install the app."_s}},
        {u"crash"_s, {eiFailureCause_ToolCrashed, u"11"_s}},
        {u"upload-fails"_s, {eiFailureCause_Unknown, u"afc_file_open on 'PublicStaging/com.example.Notes' failed!"_s}},
        {u"device-removed"_s, {eiFailureCause_Disconnected, u"ideviceinstaller: Device removed"_s}}};
    for (const auto& pairFailure : listFailures) {
        session.SetScenario(pairFailure.first);
        structFailureCause cause;
        QVERIFY(!CDeviceOperater::InstallApp(qstrUdid, qstrWithBackslash, strErrorMessage, nullptr, &cause));
        QCOMPARE(int(cause.eiCause), int(pairFailure.second.eiCause));
        QCOMPARE(cause.qstrDetail, pairFailure.second.qstrDetail);
        session.SetEnv("CORVINA_FAKE_FAIL_IDS", QString());
    }
    QCOMPARE(session.InstalledApps().size(), 1);
    QVERIFY(strErrorMessage.isEmpty());
}

void TestDeviceOperater::runsThatNeverStart()
{
    // A tool found nowhere, or an end requested before the run: each operation
    // fails with the reason and the routine in its message, and no tool runs.
    FakeToolSession session;
    CToolEndRequest request;
    request.Request(eiFailureCause_Cancelled);
    const auto verifyAll = [&](const CToolEndRequest* pRequest, const QString& qstrReason, enumFailureCause eiCause) {
        QList<structAppInfo> listAppInfo;
        QString strErrorMessage = u"replaced"_s;
        const QString qstrPrefix = qstrReason + u"\r\nCDeviceOperater::"_s;
        structFailureCause cause;
        QVERIFY(!CDeviceOperater::GetAppInfoList(qstrUdid, listAppInfo, strErrorMessage, pRequest, &cause));
        QCOMPARE(strErrorMessage, qstrPrefix + u"GetAppInfoList"_s);
        QVERIFY(!CDeviceOperater::BackupApp(qstrUdid, session.Path(u"x"_s), u"a.b"_s, strErrorMessage, pRequest));
        QCOMPARE(strErrorMessage, qstrPrefix + u"BackupApp"_s);
        QVERIFY(!CDeviceOperater::InstallApp(qstrUdid, session.Path(u"x.ipa"_s), strErrorMessage, pRequest));
        QCOMPARE(strErrorMessage, qstrPrefix + u"InstallApp"_s);
        QCOMPARE(int(cause.eiCause), int(eiCause));
        QCOMPARE(cause.qstrDetail, eiCause == eiFailureCause_ToolMissing ? u"ideviceinstaller"_s : QString());
    };
    verifyAll(&request, u"QProcessThis was ended on request, return false"_s, eiFailureCause_Cancelled);
    QVERIFY(session.Runs().isEmpty());
    g_qstrAppDirPath = session.MakeDir(u"empty program folder"_s);
    session.SetEnv("PATH", session.MakeDir(u"empty path"_s));
    verifyAll(nullptr, u"QProcessThis.waitForFinished failed, return false"_s, eiFailureCause_ToolMissing);
}

QTEST_GUILESS_MAIN(TestDeviceOperater)
#include "TestDeviceOperater.moc"
