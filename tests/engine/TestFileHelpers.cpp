// The file helpers and the backup-set formats: names, the bytes of
// BackupFlag.ini and IpaList.txt, and which folders of a root are sets.
#include "CBackup.h"
#include "CStaticPubFunc.h"
#include "FakeToolSession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

class TestFileHelpers : public QObject
{
    Q_OBJECT

private slots:
    void replaceIllegalFileNameChars();
    void writeStringToFile();
    void getFileInfo();
    void readFileToString();
    void createMultiLevelDirectory();
    void isPlainFileName();
    void setFolderName();
    void backupFlag();
    void ipaList();
    void listSets();
    void listManySets();
};

void TestFileHelpers::replaceIllegalFileNameChars()
{
    QCOMPARE(CStaticPubFunc::ReplaceIllegalFileNameChars(QStringLiteral("a:b/c")), QStringLiteral("a_b_c"));
    QCOMPARE(CStaticPubFunc::ReplaceIllegalFileNameChars(QStringLiteral("\\/:*?\"<>|")), QStringLiteral("_________"));
    QCOMPARE(CStaticPubFunc::ReplaceIllegalFileNameChars(QString()), QString());
    const QString qstrKept = QString::fromUtf8("My iPhone. \xE5\xB0\x8F\xE6\x98\x8E's (2)");
    QCOMPARE(CStaticPubFunc::ReplaceIllegalFileNameChars(qstrKept), qstrKept);
}

void TestFileHelpers::writeStringToFile()
{
    QTemporaryDir dir;
    const QString qstrPath = dir.filePath(QStringLiteral("out.txt"));
    QVERIFY(CStaticPubFunc::WriteStringToFile(qstrPath, QString()));
    QVERIFY(QFileInfo::exists(qstrPath));
    QCOMPARE(QFileInfo(qstrPath).size(), 0);

    // Latin-1 bytes, "?" for what Latin-1 lacks, no translation of line ends;
    // an existing file is replaced.
    QVERIFY(CStaticPubFunc::WriteStringToFile(qstrPath, QString::fromUtf8("a\xC3\xA9\r\n\xE6\x97\xA5z")));
    QCOMPARE(FakeToolSession::ReadBytes(qstrPath), QByteArray("a\xE9\r\n?z"));

    QVERIFY(!CStaticPubFunc::WriteStringToFile(dir.filePath(QStringLiteral("missing/out.txt")), QStringLiteral("x")));
    QVERIFY(!CStaticPubFunc::WriteStringToFile(dir.path(), QStringLiteral("x")));
}

void TestFileHelpers::getFileInfo()
{
    QTemporaryDir dir;
    const QString qstrOpenFailed = QStringLiteral("QFileThis.open failed\r\nCStaticPubFunc::GetFileInfo");
    for (const QString& qstrPath : {dir.path(), dir.filePath(QStringLiteral("missing.ipa"))}) {
        structFileInfo info;
        QString strErrorMessage = QStringLiteral("replaced");
        QVERIFY(CStaticPubFunc::GetFileInfo(qstrPath, info, strErrorMessage));
        QCOMPARE(info.qstrFileName, QString());
        QCOMPARE(info.iFileSize, qint64(0));
        QCOMPARE(strErrorMessage, qstrOpenFailed);
    }

    // An archive of 2 GiB or more reads as its true size (the file is sparse).
    const QString qstrLarge = dir.filePath(QStringLiteral("large.ipa"));
    QFile large(qstrLarge);
    QVERIFY(large.open(QIODevice::WriteOnly));
    const qint64 iLargeSize = (qint64(2) << 30) + 1;
    QVERIFY(large.resize(iLargeSize));
    large.close();
    structFileInfo info;
    QString strErrorMessage;
    QVERIFY(CStaticPubFunc::GetFileInfo(qstrLarge, info, strErrorMessage));
    QCOMPARE(info.iFileSize, iLargeSize);
    QCOMPARE(info.qstrFileName, qstrLarge);
    QVERIFY(strErrorMessage.isEmpty());
}

void TestFileHelpers::readFileToString()
{
    QTemporaryDir dir;
    const QString qstrPath = dir.filePath(QStringLiteral("IpaList.txt"));
    QVERIFY(FakeToolSession::WriteBytes(qstrPath, "a.ipa\r\nb.ipa\r\n"));
    QString qstrName;
    qint64 iSize = 0;
    QString strErrorMessage;
    QCOMPARE(CStaticPubFunc::ReadFileToString(qstrPath, qstrName, iSize, strErrorMessage),
             QStringLiteral("a.ipa\nb.ipa\n"));
    QCOMPARE(qstrName, qstrPath);
    QCOMPARE(iSize, qint64(14));

    // A byte-order mark is recognised and not part of the text.
    QVERIFY(FakeToolSession::WriteBytes(qstrPath, "\xEF\xBB\xBFx.ipa"));
    QCOMPARE(CStaticPubFunc::ReadFileToString(qstrPath, qstrName, iSize, strErrorMessage), QStringLiteral("x.ipa"));

    qstrName = QStringLiteral("kept");
    iSize = 7;
    QCOMPARE(CStaticPubFunc::ReadFileToString(dir.filePath(QStringLiteral("missing")), qstrName, iSize,
                                              strErrorMessage),
             QString());
    QCOMPARE(qstrName, QStringLiteral("kept"));
    QCOMPARE(iSize, qint64(7));
    QCOMPARE(strErrorMessage, QStringLiteral("QFileThis.open failed\r\nCStaticPubFunc::ReadFileToString"));
}

void TestFileHelpers::createMultiLevelDirectory()
{
    QTemporaryDir dir;
    const QString qstrDeep = QDir::toNativeSeparators(dir.filePath(QStringLiteral("a/b c/d")));
    QVERIFY(CStaticPubFunc::CreateMultiLevelDirectory(qstrDeep));
    QVERIFY(QFileInfo(qstrDeep).isDir());
    // Again, and with a trailing separator: the same folders, no complaint.
    QVERIFY(CStaticPubFunc::CreateMultiLevelDirectory(qstrDeep + QDir::separator()));
    const QString qstrTrailing = QDir::toNativeSeparators(dir.filePath(QStringLiteral("e/f"))) + QDir::separator();
    QVERIFY(CStaticPubFunc::CreateMultiLevelDirectory(qstrTrailing));
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("e/f"))).isDir());
    QVERIFY(!CStaticPubFunc::CreateMultiLevelDirectory(QString()));
    // A piece that cannot be made (a file stands there) is passed over.
    QVERIFY(FakeToolSession::WriteBytes(dir.filePath(QStringLiteral("file")), "x"));
    QVERIFY(CStaticPubFunc::CreateMultiLevelDirectory(QDir::toNativeSeparators(dir.filePath(QStringLiteral("file/g")))));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("file/g"))));
}

void TestFileHelpers::isPlainFileName()
{
    for (const char* szName : {"com.example.App.ipa", " leading blank.ipa", "..a.ipa", "a..ipa"})
        QVERIFY2(CStaticPubFunc::IsPlainFileName(QString::fromLatin1(szName)), szName);
    for (const char* szName : {"", ".", "..", "../x.ipa", "sub/x.ipa", "a\\b.ipa", "/etc/passwd", "C:x.ipa", "..\\x.ipa"})
        QVERIFY2(!CStaticPubFunc::IsPlainFileName(QString::fromLatin1(szName)), szName);
}

void TestFileHelpers::setFolderName()
{
    const QDateTime started(QDate(2024, 3, 7), QTime(14, 5, 9));
    QCOMPARE(CBackup::SetFolderName(started, QStringLiteral("Test iPhone")),
             QStringLiteral("2024-03-07__14_05_09_@_@_Test iPhone"));
    QCOMPARE(CBackup::SetFolderName(started, QStringLiteral("?*")), QStringLiteral("2024-03-07__14_05_09_@_@___"));
    QCOMPARE(CBackup::SetFolderName(QDateTime(QDate(2024, 12, 31), QTime(23, 0, 0)), QStringLiteral("a_@_@_b")),
             QStringLiteral("2024-12-31__23_00_00_@_@_a_@_@_b"));
    const QString qstrSep = QDir::separator();
    QCOMPARE(CBackup::JoinPath(QStringLiteral("root"), QStringLiteral("set")), QStringLiteral("root") + qstrSep + QStringLiteral("set"));
    QCOMPARE(CBackup::JoinPath(QStringLiteral("root") + qstrSep, QStringLiteral("set")),
             QStringLiteral("root") + qstrSep + QStringLiteral("set"));
}

void TestFileHelpers::backupFlag()
{
    QTemporaryDir dir;
    const QString qstrUdid = QStringLiteral("0123456789abcdef0123456789abcdef01234567");
    QVERIFY(CBackup::WriteBackupFlag(dir.path(), qstrUdid));
    const QByteArray baFlag = FakeToolSession::ReadBytes(dir.filePath(QStringLiteral("BackupFlag.ini")));
    QCOMPARE(baFlag, QByteArray("[BackupFlag]\r\nIPAFolderName=IPA_Backup\r\nDataFolderName=") + qstrUdid.toLatin1()
                         + "\r\n");
    QCOMPARE(baFlag.size(), 97);

    QString qstrData;
    QString qstrIPA;
    CBackup::ReadBackupFlag(dir.path() + QDir::separator(), qstrData, qstrIPA);
    QCOMPARE(qstrData, qstrUdid);
    QCOMPARE(qstrIPA, QStringLiteral("IPA_Backup"));

    // Missing keys, or no marker at all, read as empty texts.
    QVERIFY(FakeToolSession::WriteBytes(dir.filePath(QStringLiteral("BackupFlag.ini")), "[BackupFlag]\r\nIPAFolderName=IPA_Backup\r\n"));
    CBackup::ReadBackupFlag(dir.path(), qstrData, qstrIPA);
    QCOMPARE(qstrData, QString());
    QCOMPARE(qstrIPA, QStringLiteral("IPA_Backup"));
    CBackup::ReadBackupFlag(dir.filePath(QStringLiteral("nowhere")), qstrData, qstrIPA);
    QCOMPARE(qstrData, QString());
    QCOMPARE(qstrIPA, QString());
}

void TestFileHelpers::ipaList()
{
    const QList<structAppInfo> listApps{{QStringLiteral("com.a"), QStringLiteral("A"), QStringLiteral("1")},
                                        {QStringLiteral("com.b"), QString(), QString()}};
    QCOMPARE(CBackup::IpaListText(listApps), QStringLiteral("com.a.ipa\r\ncom.b.ipa\r\n"));
    QCOMPARE(CBackup::IpaListText({}), QString());
    QCOMPARE(CBackup::IpaListEntries(QStringLiteral("a.ipa\n\n b.ipa \nc.ipa")),
             (QStringList{QStringLiteral("a.ipa"), QStringLiteral(" b.ipa "), QStringLiteral("c.ipa")}));
    QVERIFY(CBackup::IpaListEntries(QString()).isEmpty());
}

void TestFileHelpers::listSets()
{
    QTemporaryDir root;
    const auto makeSet = [&](const QString& qstrName, bool bFlagFile) {
        QDir().mkpath(root.filePath(qstrName));
        if (bFlagFile)
            FakeToolSession::WriteBytes(root.filePath(qstrName + QStringLiteral("/BackupFlag.ini")), "[BackupFlag]\r\n");
    };
    makeSet(QStringLiteral("2024-03-07__14_05_09_@_@_b phone"), true);
    makeSet(QStringLiteral("2024-03-07__14_05_09_@_@_B phone"), true);
    makeSet(QStringLiteral("2023-01-01__00_00_00_@_@_old"), true);
    makeSet(QStringLiteral("not a set"), false);
    makeSet(QStringLiteral(".hidden set"), true);
    // Only existence counts: a folder named BackupFlag.ini makes a set too.
    QDir().mkpath(root.filePath(QStringLiteral("odd/BackupFlag.ini")));
    FakeToolSession::WriteBytes(root.filePath(QStringLiteral("BackupFlag.ini")), "a file, not a set");

    const QStringList listExpected{QStringLiteral("2023-01-01__00_00_00_@_@_old"),
                                   QStringLiteral("2024-03-07__14_05_09_@_@_B phone"),
                                   QStringLiteral("2024-03-07__14_05_09_@_@_b phone"), QStringLiteral("odd")};
    QCOMPARE(CBackup::QStrGetAllBackupDirectory(root.path()), listExpected);
    QCOMPARE(CBackup::QStrGetAllBackupDirectory(QStringLiteral("  ") + root.path() + QDir::separator() + QStringLiteral(" ")),
             listExpected);
    QVERIFY(CBackup::QStrGetAllBackupDirectory(QStringLiteral("   ")).isEmpty());
    QVERIFY(CBackup::QStrGetAllBackupDirectory(root.filePath(QStringLiteral("does not exist"))).isEmpty());
}

void TestFileHelpers::listManySets()
{
    QTemporaryDir root;
    const int iSets = 3000;
    for (int i = 0; i < iSets; ++i) {
        const QString qstrName = QStringLiteral("set%1").arg(i, 5, 10, QLatin1Char('0'));
        QVERIFY(QDir().mkdir(root.filePath(qstrName)));
        if (i % 3 != 0)
            QVERIFY(FakeToolSession::WriteBytes(root.filePath(qstrName + QStringLiteral("/BackupFlag.ini")), ""));
    }
    const QStringList listSets = CBackup::QStrGetAllBackupDirectory(root.path());
    QCOMPARE(listSets.size(), iSets - (iSets + 2) / 3);
    QCOMPARE(listSets.first(), QStringLiteral("set00001"));
    QCOMPARE(listSets.last(), QStringLiteral("set02999"));
}

QTEST_GUILESS_MAIN(TestFileHelpers)
#include "TestFileHelpers.moc"
