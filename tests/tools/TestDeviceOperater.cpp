// Listing, archiving and installing apps through the fake ideviceinstaller:
// the arguments it receives, the list it prints in its several forms, and how
// each kind of failure is judged.
#include "AppGlobals.h"
#include "CDeviceOperater.h"
#include "CToolEndRequest.h"
#include "FakeToolSession.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

namespace {

const QString qstrUdid = QStringLiteral("00008101-000A1B2C3D4E5F60");

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
    void listApps();
    void listVariants_data();
    void listVariants();
    void parseAppList();
    void listFailures_data();
    void listFailures();
    void backupApp();
    void installApp();
    void toolNotStartable();
    void endRequestedBeforeTheRun();
};

void TestDeviceOperater::listApps()
{
    FakeToolSession session;
    QList<structAppInfo> listAppInfo{{QStringLiteral("already.there"), QStringLiteral("A"), QStringLiteral("1")}};
    QString strErrorMessage = QStringLiteral("kept");
    QVERIFY(CDeviceOperater::GetAppInfoList(qstrUdid, listAppInfo, strErrorMessage));
    QCOMPARE(strErrorMessage, QStringLiteral("kept"));
    // Appended behind what the list held.
    QCOMPARE(AppIDs(listAppInfo), (QStringList{QStringLiteral("already.there"), QStringLiteral("com.example.Notes"),
                                               QStringLiteral("com.example.Maps"), QStringLiteral("com.example.SpaceGame"),
                                               QStringLiteral("com.example.Reader")}));
    QCOMPARE(listAppInfo.at(3).qstrAppName, QStringLiteral("Space Game"));
    QCOMPARE(listAppInfo.at(3).qstrAppVersion, QStringLiteral("1.0"));
    QCOMPARE(session.RunsOf(QStringLiteral("ideviceinstaller")),
             (QList<QStringList>{{QStringLiteral("-u"), qstrUdid, QStringLiteral("-l")}}));
}

void TestDeviceOperater::listVariants_data()
{
    QTest::addColumn<QString>("qstrScenario");
    QTest::addColumn<int>("iAppCount");
    QTest::addColumn<int>("iCheckedApp");
    QTest::addColumn<QString>("qstrName");
    QTest::addColumn<QString>("qstrVersion");
    QTest::newRow("lines ended by CR LF") << "crlf" << 4 << 1 << "Maps" << "5.0.3";
    QTest::newRow("two columns: no version") << "two-column" << 4 << 1 << "Maps" << "";
    QTest::newRow("two columns, CR LF") << "two-column,crlf" << 4 << 1 << "Maps" << "";
    QTest::newRow("name outside ASCII") << "non-ascii" << 4 << 0
                                        << QString::fromUtf8("Caf\xC3\xA9 Gr\xC3\xB6\xC3\x9F" "e \xE6\x97\xA5\xE6\x9C\xAC")
                                        << "2.1";
    // The columns are cut at every ", ": the name keeps its first part less its last character.
    QTest::newRow("name holding a comma") << "comma-name" << 4 << 2 << "Spac" << "1.0";
    QTest::newRow("many apps") << "" << 250 << 249 << "App 249" << "1.249";
}

void TestDeviceOperater::listVariants()
{
    QFETCH(QString, qstrScenario);
    QFETCH(int, iAppCount);
    QFETCH(int, iCheckedApp);
    QFETCH(QString, qstrName);
    QFETCH(QString, qstrVersion);
    FakeToolSession session;
    session.SetScenario(qstrScenario);
    session.SetEnv("CORVINA_FAKE_APP_COUNT", QString::number(iAppCount));
    QList<structAppInfo> listAppInfo;
    QString strErrorMessage;
    QVERIFY(CDeviceOperater::GetAppInfoList(qstrUdid, listAppInfo, strErrorMessage));
    QCOMPARE(listAppInfo.size(), iAppCount);
    QCOMPARE(listAppInfo.at(iCheckedApp).qstrAppName, qstrName);
    QCOMPARE(listAppInfo.at(iCheckedApp).qstrAppVersion, qstrVersion);
    for (const structAppInfo& app : listAppInfo)
        QVERIFY2(!app.qstrAppID.contains(QLatin1Char('\r')), qPrintable(app.qstrAppID));
}

void TestDeviceOperater::parseAppList()
{
    QList<structAppInfo> listAppInfo;
    CDeviceOperater::ParseAppList(QStringLiteral("CFBundleIdentifier, CFBundleVersion, CFBundleDisplayName\n"),
                                  listAppInfo);
    QVERIFY(listAppInfo.isEmpty());
    CDeviceOperater::ParseAppList(QString(), listAppInfo);
    QVERIFY(listAppInfo.isEmpty());

    CDeviceOperater::ParseAppList(QStringLiteral("heading, is, ignored\r\n"
                                                 "one.column\r\n"
                                                 "\r\n"
                                                 "a.b, \"1\", \"Name\", \"extra\", more\n"
                                                 "c.d, \"\"\n"
                                                 "e.f, x, y"),
                                  listAppInfo);
    QCOMPARE(listAppInfo.size(), 3);
    QCOMPARE(listAppInfo.at(0).qstrAppID, QStringLiteral("a.b"));
    QCOMPARE(listAppInfo.at(0).qstrAppName, QStringLiteral("Name"));
    QCOMPARE(listAppInfo.at(0).qstrAppVersion, QStringLiteral("1"));
    // Two columns: an empty name between its quotes, no version.
    QCOMPARE(listAppInfo.at(1).qstrAppID, QStringLiteral("c.d"));
    QCOMPARE(listAppInfo.at(1).qstrAppName, QString());
    QCOMPARE(listAppInfo.at(1).qstrAppVersion, QString());
    // Columns of fewer than two characters yield empty members; a last line without its end counts.
    QCOMPARE(listAppInfo.at(2).qstrAppID, QStringLiteral("e.f"));
    QCOMPARE(listAppInfo.at(2).qstrAppName, QString());
    QCOMPARE(listAppInfo.at(2).qstrAppVersion, QString());
}

void TestDeviceOperater::listFailures_data()
{
    QTest::addColumn<QString>("qstrScenario");
    // "No device found" carries no error word: only the exit code tells.
    QTest::newRow("no device") << "no-device";
    QTest::newRow("crash") << "list-crash";
    // An error word anywhere fails the run, even in an app's name.
    QTest::newRow("error word in the output") << "marker-name";
}

void TestDeviceOperater::listFailures()
{
    QFETCH(QString, qstrScenario);
    FakeToolSession session;
    session.SetScenario(qstrScenario);
    QList<structAppInfo> listAppInfo{{QStringLiteral("kept"), QString(), QString()}};
    QString strErrorMessage = QStringLiteral("kept");
    QVERIFY(!CDeviceOperater::GetAppInfoList(qstrUdid, listAppInfo, strErrorMessage));
    QCOMPARE(listAppInfo.size(), 1);
    QCOMPARE(strErrorMessage, QStringLiteral("kept"));
}

void TestDeviceOperater::backupApp()
{
    FakeToolSession session;
    const QString qstrSet = session.MakeDir(QStringLiteral("set"));
    const QString qstrApps = session.MakeDir(QStringLiteral("set/IPA_Backup"));
    const QString qstrArchive = qstrApps + QStringLiteral("/com.example.Maps.ipa");
    QString strErrorMessage;

    // Current devices refuse to archive.
    QVERIFY(!CDeviceOperater::BackupApp(qstrUdid, qstrApps, QStringLiteral("com.example.Maps"), strErrorMessage));
    QVERIFY(!QFileInfo::exists(qstrArchive));

    // Where archiving works the archive is left in the folder; a backslash in
    // the folder reaches the tool as "/".
    session.SetScenario(QStringLiteral("old-device"));
    const QString qstrWithBackslash = qstrSet + QStringLiteral("\\IPA_Backup");
    QVERIFY(CDeviceOperater::BackupApp(qstrUdid, qstrWithBackslash, QStringLiteral("com.example.Maps"),
                                       strErrorMessage));
    QVERIFY(QFileInfo(qstrArchive).size() > 0);
    const QStringList listExpected{QStringLiteral("-u"), qstrUdid,           QStringLiteral("-a"),
                                   QStringLiteral("com.example.Maps"), QStringLiteral("-o"),
                                   QStringLiteral("copy=") + qstrApps, QStringLiteral("-o"), QStringLiteral("remove")};
    QCOMPARE(session.RunsOf(QStringLiteral("ideviceinstaller")).last(), listExpected);
    QVERIFY(strErrorMessage.isEmpty());

    // A failed copy can leave an empty archive: with exit code 255 the run
    // fails; with exit code 0 and no error word it passes (the caller then
    // finds the archive empty).
    QFile::remove(qstrArchive);
    session.SetScenario(QStringLiteral("old-device,zero-byte"));
    QVERIFY(!CDeviceOperater::BackupApp(qstrUdid, qstrApps, QStringLiteral("com.example.Maps"), strErrorMessage));
    QCOMPARE(QFileInfo(qstrArchive).size(), 0);
    session.SetScenario(QStringLiteral("old-device,no-length"));
    QVERIFY(CDeviceOperater::BackupApp(qstrUdid, qstrApps, QStringLiteral("com.example.Maps"), strErrorMessage));
    QCOMPARE(QFileInfo(qstrArchive).size(), 0);
}

void TestDeviceOperater::installApp()
{
    FakeToolSession session;
    const QString qstrApps = session.MakeDir(QStringLiteral("IPA_Backup"));
    QVERIFY(FakeToolSession::WriteAppArchive(qstrApps + QStringLiteral("/com.example.Notes.ipa"),
                                             QStringLiteral("com.example.Notes")));
    QString strErrorMessage;
    const QString qstrWithBackslash = session.Path(QStringLiteral("IPA_Backup\\com.example.Notes.ipa"));
    QVERIFY(CDeviceOperater::InstallApp(qstrUdid, qstrWithBackslash, strErrorMessage));
    QCOMPARE(session.RunsOf(QStringLiteral("ideviceinstaller")).last(),
             (QStringList{QStringLiteral("-u"), qstrUdid, QStringLiteral("-i"),
                          qstrApps + QStringLiteral("/com.example.Notes.ipa")}));
    QCOMPARE(session.InstalledApps(), QStringList{QStringLiteral("com.example.Notes")});

    // A refused install: error word on standard error, exit code 128.
    session.SetEnv("CORVINA_FAKE_FAIL_IDS", QStringLiteral("com.example.Notes"));
    QVERIFY(!CDeviceOperater::InstallApp(qstrUdid, qstrWithBackslash, strErrorMessage));
    // The tool crashing fails the install too.
    session.SetEnv("CORVINA_FAKE_FAIL_IDS", QString());
    session.SetScenario(QStringLiteral("crash"));
    QVERIFY(!CDeviceOperater::InstallApp(qstrUdid, qstrWithBackslash, strErrorMessage));
    QCOMPARE(session.InstalledApps().size(), 1);
    QVERIFY(strErrorMessage.isEmpty());
}

void TestDeviceOperater::toolNotStartable()
{
    FakeToolSession session;
    g_qstrAppDirPath = session.MakeDir(QStringLiteral("empty program folder"));
    session.SetEnv("PATH", session.MakeDir(QStringLiteral("empty path")));
    const QString qstrPrefix = QStringLiteral("QProcessThis.waitForFinished failed, return false\r\n");
    QList<structAppInfo> listAppInfo;
    QString strErrorMessage = QStringLiteral("replaced");
    QVERIFY(!CDeviceOperater::GetAppInfoList(qstrUdid, listAppInfo, strErrorMessage));
    QCOMPARE(strErrorMessage, qstrPrefix + QStringLiteral("CDeviceOperater::GetAppInfoList"));
    QVERIFY(!CDeviceOperater::BackupApp(qstrUdid, session.Path(QStringLiteral("x")), QStringLiteral("a.b"),
                                        strErrorMessage));
    QCOMPARE(strErrorMessage, qstrPrefix + QStringLiteral("CDeviceOperater::BackupApp"));
    QVERIFY(!CDeviceOperater::InstallApp(qstrUdid, session.Path(QStringLiteral("x.ipa")), strErrorMessage));
    QCOMPARE(strErrorMessage, qstrPrefix + QStringLiteral("CDeviceOperater::InstallApp"));
}

void TestDeviceOperater::endRequestedBeforeTheRun()
{
    FakeToolSession session;
    CToolEndRequest request;
    request.Request();
    QString strErrorMessage;
    QVERIFY(!CDeviceOperater::InstallApp(qstrUdid, session.Path(QStringLiteral("x.ipa")), strErrorMessage, &request));
    QCOMPARE(strErrorMessage,
             QStringLiteral("QProcessThis was ended on request, return false\r\nCDeviceOperater::InstallApp"));
    QVERIFY(session.Runs().isEmpty());
}

QTEST_GUILESS_MAIN(TestDeviceOperater)
#include "TestDeviceOperater.moc"
