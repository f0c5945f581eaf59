// The file helpers and the backup-set formats: names, the bytes of
// BackupFlag.ini and IpaList.txt, which folders of a root are sets, and the
// check of sets whose manifest or files are damaged in ways a real backup
// through the tool cannot produce; and where seeding a set from the last one
// falls back when the disk cannot share files or has no room.
#include "CBackup.h"
#include "CBackupSetCheck.h"
#include "CCauseText.h"
#include "COperation.h"
#include "ManifestWriter.h"
#include "CSetSeed.h"
#include "CStaticPubFunc.h"
#include "ScriptedTools.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

class TestFileHelpers : public QObject
{
    Q_OBJECT

private slots:
    void names();
    void writeStringToFile();
    void getFileInfo();
    void readFileToString();
    void createMultiLevelDirectory();
    void isPlainFileName();
    void backupFlag();
    void ipaList();
    void listSets();
    void spaceForABackup();
    void progressWords();
    void setCheck_data();
    void setCheck();
    void seedRoads_data();
    void seedRoads();
};

namespace {

// The system's links and copies, except where a row makes the disk refuse
// links or have less room.
class StandInFileLinks final : public FileLinkPlatform
{
public:
    Result Link(const char* from, const char* to) override
    {
        ++iLinks;
        return linkError == 0 ? m_real->Link(from, to) : Result{linkOutcome, linkError};
    }
    Result Copy(const char* from, const char* to) override
    {
        ++iCopies;
        return m_real->Copy(from, to);
    }
    std::int64_t FreeBytes(const char* folder) override { return iFree >= 0 ? iFree : m_real->FreeBytes(folder); }
    std::string ErrorText(int iError) override { return m_real->ErrorText(iError); }

    Outcome linkOutcome = Outcome::Done;
    int linkError = 0;
    std::int64_t iFree = -1;
    int iLinks = 0;
    int iCopies = 0;

private:
    std::unique_ptr<FileLinkPlatform> m_real = FileLinkPlatform::Create();
};

const QString kSeedUDID = u"00008030c0ffee0000000000000000000000e010"_s;

// A set of the device in the root, three files of 100000 bytes, marked as
// the backup page marks it.
bool WriteSet(const QString& qstrRoot, const QString& qstrName, const QString& qstrSnapshotState,
              const QString& qstrMarkerUDID = kSeedUDID)
{
    const QString qstrSet = QDir(qstrRoot).filePath(qstrName);
    const QString qstrData = QDir(qstrSet).filePath(kSeedUDID);
    QList<ManifestWriter::Row> rows;
    for (int i = 1; i <= 3; ++i) {
        rows.append({ManifestWriter::FileID(i), 1, ManifestWriter::Record(100000)});
        if (!ManifestWriter::WriteFile(qstrData, ManifestWriter::FileID(i), 100000))
            return false;
    }
    return ManifestWriter::WriteManifest(QDir(qstrData).filePath(u"Manifest.db"_s), rows)
           && ManifestWriter::WriteStatus(qstrData, qstrSnapshotState) && ManifestWriter::WriteManifestPlist(qstrData, false)
           && CStaticPubFunc::WriteStringToFile(QDir(qstrData).filePath(u"Info.plist"_s), u"<plist/>"_s)
           && CBackup::WriteBackupFlag(qstrSet, qstrMarkerUDID);
}

} // namespace

void TestFileHelpers::names()
{
    QCOMPARE(CStaticPubFunc::ReplaceIllegalFileNameChars(u"a:b/c"_s), u"a_b_c"_s);
    QCOMPARE(CStaticPubFunc::ReplaceIllegalFileNameChars(u"\\/:*?\"<>|"_s), u"_________"_s);
    QCOMPARE(CStaticPubFunc::ReplaceIllegalFileNameChars(QString()), QString());
    const QString qstrKept = QString::fromUtf8("My iPhone. \xE5\xB0\x8F\xE6\x98\x8E's (2)");
    QCOMPARE(CStaticPubFunc::ReplaceIllegalFileNameChars(qstrKept), qstrKept);

    const QDateTime started(QDate(2024, 3, 7), QTime(14, 5, 9));
    QCOMPARE(CBackup::SetFolderName(started, u"Test iPhone"_s), u"2024-03-07__14_05_09_@_@_Test iPhone"_s);
    QCOMPARE(CBackup::SetFolderName(started, u"?*"_s), u"2024-03-07__14_05_09_@_@___"_s);
    QCOMPARE(CBackup::SetFolderName(QDateTime(QDate(2024, 12, 31), QTime(23, 0, 0)), u"a_@_@_b"_s),
             u"2024-12-31__23_00_00_@_@_a_@_@_b"_s);
    const QString qstrJoined = u"root"_s + QDir::separator() + u"set"_s;
    QCOMPARE(CBackup::JoinPath(u"root"_s, u"set"_s), qstrJoined);
    QCOMPARE(CBackup::JoinPath(u"root"_s + QDir::separator(), u"set"_s), qstrJoined);

    // A second backup in the same second takes the next free one, never the first's folder.
    QTemporaryDir root;
    const QString qstrFirst = COperation::FreeSetFolder(root.path(), started, u"Test iPhone"_s);
    QCOMPARE(qstrFirst, CBackup::JoinPath(root.path(), u"2024-03-07__14_05_09_@_@_Test iPhone"_s));
    QVERIFY(QDir().mkpath(qstrFirst));
    QCOMPARE(COperation::FreeSetFolder(root.path(), started, u"Test iPhone"_s),
             CBackup::JoinPath(root.path(), u"2024-03-07__14_05_10_@_@_Test iPhone"_s));
}

void TestFileHelpers::writeStringToFile()
{
    QTemporaryDir dir;
    const QString qstrPath = dir.filePath(u"out.txt"_s);
    QVERIFY(CStaticPubFunc::WriteStringToFile(qstrPath, QString()));
    QVERIFY(QFileInfo::exists(qstrPath));
    QCOMPARE(QFileInfo(qstrPath).size(), 0);

    // Latin-1 bytes, "?" for what Latin-1 lacks, no translation of line ends;
    // an existing file is replaced.
    QVERIFY(CStaticPubFunc::WriteStringToFile(qstrPath, QString::fromUtf8("a\xC3\xA9\r\n\xE6\x97\xA5z")));
    QCOMPARE(ScriptedTools::ReadBytes(qstrPath), QByteArray("a\xE9\r\n?z"));
    QVERIFY(!CStaticPubFunc::WriteStringToFile(dir.filePath(u"missing/out.txt"_s), u"x"_s));
    QVERIFY(!CStaticPubFunc::WriteStringToFile(dir.path(), u"x"_s));
}

void TestFileHelpers::getFileInfo()
{
    QTemporaryDir dir;
    for (const QString& qstrPath : {dir.path(), dir.filePath(u"missing.ipa"_s)}) {
        structFileInfo info;
        QString strErrorMessage = u"replaced"_s;
        QVERIFY(CStaticPubFunc::GetFileInfo(qstrPath, info, strErrorMessage));
        QCOMPARE(info.qstrFileName, QString());
        QCOMPARE(info.iFileSize, qint64(0));
        QCOMPARE(strErrorMessage, u"QFileThis.open failed\r\nCStaticPubFunc::GetFileInfo"_s);
    }

    // An archive of 2 GiB or more reads as its true size (the file is sparse).
    const QString qstrLarge = dir.filePath(u"large.ipa"_s);
    QFile large(qstrLarge);
    const qint64 iLargeSize = (qint64(2) << 30) + 1;
    QVERIFY(large.open(QIODevice::WriteOnly) && large.resize(iLargeSize));
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
    const QString qstrPath = dir.filePath(u"IpaList.txt"_s);
    QString qstrName;
    qint64 iSize = 0;
    QString strErrorMessage;
    QVERIFY(ScriptedTools::WriteBytes(qstrPath, "a.ipa\r\nb.ipa\r\n"));
    QCOMPARE(CStaticPubFunc::ReadFileToString(qstrPath, qstrName, iSize, strErrorMessage), u"a.ipa\nb.ipa\n"_s);
    QCOMPARE(qstrName, qstrPath);
    QCOMPARE(iSize, qint64(14));
    // A byte-order mark is recognised and not part of the text.
    QVERIFY(ScriptedTools::WriteBytes(qstrPath, "\xEF\xBB\xBFx.ipa"));
    QCOMPARE(CStaticPubFunc::ReadFileToString(qstrPath, qstrName, iSize, strErrorMessage), u"x.ipa"_s);

    qstrName = u"kept"_s;
    iSize = 7;
    QCOMPARE(CStaticPubFunc::ReadFileToString(dir.filePath(u"missing"_s), qstrName, iSize, strErrorMessage), QString());
    QCOMPARE(qstrName, u"kept"_s);
    QCOMPARE(iSize, qint64(7));
    QCOMPARE(strErrorMessage, u"QFileThis.open failed\r\nCStaticPubFunc::ReadFileToString"_s);
}

void TestFileHelpers::createMultiLevelDirectory()
{
    QTemporaryDir dir;
    const auto native = [&](const QString& qstrName) { return QDir::toNativeSeparators(dir.filePath(qstrName)); };
    QVERIFY(CStaticPubFunc::CreateMultiLevelDirectory(native(u"a/b c/d"_s)));
    QVERIFY(QFileInfo(dir.filePath(u"a/b c/d"_s)).isDir());
    // Again, and with a trailing separator: the same folders, no complaint.
    QVERIFY(CStaticPubFunc::CreateMultiLevelDirectory(native(u"a/b c/d"_s) + QDir::separator()));
    QVERIFY(CStaticPubFunc::CreateMultiLevelDirectory(native(u"e/f"_s) + QDir::separator()));
    QVERIFY(QFileInfo(dir.filePath(u"e/f"_s)).isDir());
    QVERIFY(!CStaticPubFunc::CreateMultiLevelDirectory(QString()));
    // A piece that cannot be made (a file stands there) is passed over.
    QVERIFY(ScriptedTools::WriteBytes(dir.filePath(u"file"_s), "x"));
    QVERIFY(CStaticPubFunc::CreateMultiLevelDirectory(native(u"file/g"_s)));
    QVERIFY(!QFileInfo::exists(dir.filePath(u"file/g"_s)));
}

void TestFileHelpers::isPlainFileName()
{
    for (const char* szName : {"com.example.App.ipa", " leading blank.ipa", "..a.ipa", "a..ipa"})
        QVERIFY2(CStaticPubFunc::IsPlainFileName(QString::fromLatin1(szName)), szName);
    for (const char* szName : {"", ".", "..", "../x.ipa", "sub/x.ipa", "a\\b.ipa", "/etc/passwd", "C:x.ipa", "..\\x.ipa"})
        QVERIFY2(!CStaticPubFunc::IsPlainFileName(QString::fromLatin1(szName)), szName);
}

void TestFileHelpers::backupFlag()
{
    QTemporaryDir dir;
    const QString qstrUdid = u"0123456789abcdef0123456789abcdef01234567"_s;
    const QString qstrFlag = dir.filePath(u"BackupFlag.ini"_s);
    QVERIFY(CBackup::WriteBackupFlag(dir.path(), qstrUdid));
    QCOMPARE(ScriptedTools::ReadBytes(qstrFlag),
             "[BackupFlag]\r\nIPAFolderName=IPA_Backup\r\nDataFolderName=" + qstrUdid.toLatin1() + "\r\n");

    QString qstrData;
    QString qstrIPA;
    CBackup::ReadBackupFlag(dir.path() + QDir::separator(), qstrData, qstrIPA);
    QCOMPARE(qstrData, qstrUdid);
    QCOMPARE(qstrIPA, u"IPA_Backup"_s);
    // Missing keys, or no marker at all, read as empty texts.
    QVERIFY(ScriptedTools::WriteBytes(qstrFlag, "[BackupFlag]\r\nIPAFolderName=IPA_Backup\r\n"));
    CBackup::ReadBackupFlag(dir.path(), qstrData, qstrIPA);
    QCOMPARE(qstrData, QString());
    QCOMPARE(qstrIPA, u"IPA_Backup"_s);
    CBackup::ReadBackupFlag(dir.filePath(u"nowhere"_s), qstrData, qstrIPA);
    QCOMPARE(qstrData, QString());
    QCOMPARE(qstrIPA, QString());
    // A marker that is a pipe, an endless device or longer than any marker is
    // never read (a pipe would block for ever): no keys, so no backup set.
    const QByteArray baLong = CBackup::BackupFlagText(qstrUdid).toLatin1() + QByteArray(64 * 1024, ';');
    for (const char* szFlag : {"pipe", "endless", "long"}) {
        QFile::remove(qstrFlag);
        if (qstrcmp(szFlag, "pipe") == 0)
            QVERIFY(::mkfifo(QFile::encodeName(qstrFlag).constData(), 0600) == 0);
        else
            QVERIFY(*szFlag == 'e' ? QFile::link(u"/dev/zero"_s, qstrFlag) : ScriptedTools::WriteBytes(qstrFlag, baLong));
        CBackup::ReadBackupFlag(dir.path(), qstrData, qstrIPA);
        QVERIFY2(qstrData.isEmpty() && qstrIPA.isEmpty(), szFlag);
    }
}

void TestFileHelpers::ipaList()
{
    QCOMPARE(CBackup::IpaListText({{u"com.a"_s, u"A"_s, u"1"_s}, {u"com.b"_s, QString(), QString()}}),
             u"com.a.ipa\r\ncom.b.ipa\r\n"_s);
    QCOMPARE(CBackup::IpaListText({}), QString());
    QCOMPARE(CBackup::IpaListEntries(u"a.ipa\n\n b.ipa \nc.ipa"_s), (QStringList{u"a.ipa"_s, u" b.ipa "_s, u"c.ipa"_s}));
    QVERIFY(CBackup::IpaListEntries(QString()).isEmpty());
}

void TestFileHelpers::listSets()
{
    QTemporaryDir root;
    const auto makeSet = [&](const QString& qstrName, bool bFlagFile) {
        return QDir().mkpath(root.filePath(qstrName))
               && (!bFlagFile || ScriptedTools::WriteBytes(root.filePath(qstrName + u"/BackupFlag.ini"_s), ""));
    };
    QVERIFY(makeSet(u"2024-03-07__14_05_09_@_@_b phone"_s, true));
    QVERIFY(makeSet(u"2024-03-07__14_05_09_@_@_B phone"_s, true));
    QVERIFY(makeSet(u"2023-01-01__00_00_00_@_@_old"_s, true));
    QVERIFY(makeSet(u"not a set"_s, false));
    QVERIFY(makeSet(u".hidden set"_s, true));
    // Only existence counts: a folder named BackupFlag.ini makes a set too.
    QVERIFY(makeSet(u"odd/BackupFlag.ini"_s, false));
    QVERIFY(ScriptedTools::WriteBytes(root.filePath(u"BackupFlag.ini"_s), "a file, not a set"));
    const QStringList listExpected{u"2023-01-01__00_00_00_@_@_old"_s, u"2024-03-07__14_05_09_@_@_B phone"_s,
                                   u"2024-03-07__14_05_09_@_@_b phone"_s, u"odd"_s};
    QCOMPARE(CBackup::QStrGetAllBackupDirectory(root.path()), listExpected);
    QCOMPARE(CBackup::QStrGetAllBackupDirectory(u"  "_s + root.path() + QDir::separator() + u" "_s), listExpected);
    QVERIFY(CBackup::QStrGetAllBackupDirectory(u"   "_s).isEmpty());
    QVERIFY(CBackup::QStrGetAllBackupDirectory(root.filePath(u"does not exist"_s)).isEmpty());
}

QTEST_GUILESS_MAIN(TestFileHelpers)
#include "TestFileHelpers.moc"

void TestFileHelpers::spaceForABackup()
{
    QVERIFY(CBackup::ClearlyDoesNotFit(499, 1000));
    QVERIFY(!CBackup::ClearlyDoesNotFit(500, 1000)); // a backup may need half the data in use
    QVERIFY(!CBackup::ClearlyDoesNotFit(-1, 1000) && !CBackup::ClearlyDoesNotFit(0, -1)); // unknown
}

void TestFileHelpers::progressWords()
{
    const QString done = QLocale().formattedDataSize(1000000), whole = QLocale().formattedDataSize(4000000);
    QCOMPARE(CCauseText::ProgressText(1000000, 4000000, 3 * 60000), u"%1 of %2 · about 3 min left"_s.arg(done, whole));
    QCOMPARE(CCauseText::ProgressText(1000000, 4000000, 59000), u"%1 of %2 · less than a minute left"_s.arg(done, whole));
    QCOMPARE(CCauseText::ProgressText(-1, 4000000, 59000), u"Less than a minute left"_s);
    QCOMPARE(CCauseText::ProgressText(1000000, 4000000, -1), u"%1 of %2"_s.arg(done, whole));
    QVERIFY(CCauseText::ProgressText(-1, -1, -1).isEmpty());
}

void TestFileHelpers::setCheck_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("state");
    QTest::addColumn<qint64>("failing");
    const int complete = eiSetState_Complete, unfinished = eiSetState_Unfinished, damaged = eiSetState_Damaged;
    QTest::newRow("sound") << u"none"_s << complete << qint64(0);
    QTest::newRow("encrypted") << u"encrypted"_s << complete << qint64(0);
    QTest::newRow("encrypted, a file empty") << u"encrypted empty"_s << damaged << qint64(1);
    QTest::newRow("no Status.plist") << u"no status"_s << unfinished << qint64(1);
    QTest::newRow("snapshot not finished") << u"snapshot new"_s << unfinished << qint64(1);
    QTest::newRow("no Manifest.plist") << u"no manifest plist"_s << damaged << qint64(1);
    QTest::newRow("Manifest.db empty") << u"db empty"_s << damaged << qint64(1);
    QTest::newRow("Manifest.db not SQLite") << u"db text"_s << damaged << qint64(1);
    QTest::newRow("Manifest.db truncated") << u"db truncated"_s << damaged << qint64(1);
    QTest::newRow("Manifest.db without Files") << u"db no table"_s << damaged << qint64(1);
    QTest::newRow("fileID ../") << u"id ../../../outside"_s << damaged << qint64(1);
    QTest::newRow("fileID empty") << u"id "_s << damaged << qint64(1);
    QTest::newRow("fileID not hexadecimal") << u"id 0123456789abcdef0123456789abcdef0123456z"_s << damaged << qint64(1);
    QTest::newRow("record not a keyed archive") << u"record"_s << damaged << qint64(1);
    QTest::newRow("file shorter") << u"short"_s << damaged << qint64(1);
    QTest::newRow("file missing") << u"missing"_s << damaged << qint64(1);
    QTest::newRow("file a folder") << u"folder"_s << damaged << qint64(1);
}

void TestFileHelpers::setCheck()
{
    QFETCH(QString, fault);
    QFETCH(int, state);
    QFETCH(qint64, failing);
    // Three files of 10, 20 and 30 bytes and a folder row, as a device lists them.
    QTemporaryDir dir;
    const QString data = dir.path(), db = dir.filePath(u"Manifest.db"_s);
    QList<ManifestWriter::Row> rows{{ManifestWriter::FileID(99), 2, ManifestWriter::Record(0)}};
    for (int i = 1; i <= 3; ++i) {
        rows.append({ManifestWriter::FileID(i), 1, ManifestWriter::Record(i * 10)});
        QVERIFY(ManifestWriter::WriteFile(data, ManifestWriter::FileID(i), i * 10));
    }
    if (fault.startsWith(u"id "_s))
        rows.append({fault.mid(3).toLatin1(), 1, ManifestWriter::Record(0)});
    // A malformed fileID is refused even where its file would be there.
    if (fault.endsWith(u'z'))
        QVERIFY(ManifestWriter::WriteFile(data, fault.mid(3).toLatin1(), 0));
    if (fault == u"record"_s)
        rows[1].record = "bplist00 but not one";
    for (int i = 0; i < 300 && fault == u"db truncated"_s; ++i) // pages beyond the cut
        rows.append({ManifestWriter::FileID(1000 + i), 2, ManifestWriter::Record(0)});
    QVERIFY(ManifestWriter::WriteManifest(db, rows, fault == u"db no table"_s ? "Properties" : "Files"));
    QVERIFY(ManifestWriter::WriteStatus(data, fault == u"snapshot new"_s ? u"new"_s : u"finished"_s));
    QVERIFY(ManifestWriter::WriteManifestPlist(data, fault.startsWith(u"encrypted"_s)));
    const QString first = QDir(data).filePath(QString::fromLatin1(ManifestWriter::FileID(1).left(2) + '/' + ManifestWriter::FileID(1)));
    if (fault == u"no status"_s || fault == u"no manifest plist"_s)
        QVERIFY(QFile::remove(dir.filePath(fault == u"no status"_s ? u"Status.plist"_s : u"Manifest.plist"_s)));
    if (fault == u"db empty"_s || fault == u"db text"_s || fault == u"db truncated"_s) {
        QFile file(db);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(fault == u"db text"_s ? file.write("this is no database") > 0 : file.resize(fault == u"db empty"_s ? 0 : 4096));
    }
    if (fault == u"short"_s || fault == u"encrypted empty"_s)
        QVERIFY(QFile::resize(first, fault == u"short"_s ? 9 : 0));
    if (fault == u"missing"_s || fault == u"folder"_s)
        QVERIFY(QFile::remove(first) && (fault == u"missing"_s || QDir().mkdir(first)));

    const structSetCheck result = CBackupSetCheck::Check(data);
    QCOMPARE(int(result.eiState), state);
    QCOMPARE(result.iFailingCount, failing);
    QCOMPARE(result.qstrProblem.isEmpty(), state == eiSetState_Complete);
    QCOMPARE(result.bEncrypted, fault.startsWith(u"encrypted"_s) && state != eiSetState_Unfinished);
    if (state == eiSetState_Complete) {
        QCOMPARE(result.iFileCount, qint64(3));
        QCOMPARE(result.iTotalBytes, qint64(60));
    }
    // The cheap part reads the records but no file.
    if (fault == u"short"_s || fault == u"missing"_s)
        QCOMPARE(int(CBackupSetCheck::Check(data, false).eiState), int(eiSetState_Complete));
}

void TestFileHelpers::seedRoads_data()
{
    QTest::addColumn<int>("linkError");
    QTest::addColumn<bool>("linkSupported"); // false: the error means the disk has no links
    QTest::addColumn<qint64>("free");        // -1: as the disk says
    QTest::addColumn<bool>("newestUnfinished");
    QTest::addColumn<int>("encryption"); // what the device's backup will be
    QTest::addColumn<int>("road");
    const int unknown = eiDeviceEncryption_Unknown;
    QTest::newRow("hard links") << 0 << true << qint64(-1) << false << unknown << int(eiSeedRoad_Linked);
    QTest::newRow("an unfinished newest set is passed over")
        << 0 << true << qint64(-1) << true << int(eiDeviceEncryption_Off) << int(eiSeedRoad_Linked);
    QTest::newRow("the device now encrypts: full")
        << 0 << true << qint64(-1) << false << int(eiDeviceEncryption_On) << int(eiSeedRoad_Full);
    QTest::newRow("no hard links: copied") << EXDEV << false << qint64(-1) << false << unknown << int(eiSeedRoad_Copied);
    // Room for the set's own files (some 10 KB), not for the 300 KB of shared ones too.
    QTest::newRow("no hard links, no room: full")
        << EPERM << false << qint64(50000) << false << unknown << int(eiSeedRoad_Full);
    QTest::newRow("no room at all: full") << 0 << true << qint64(0) << false << unknown << int(eiSeedRoad_Full);
    QTest::newRow("a link fails: full") << EIO << true << qint64(-1) << false << unknown << int(eiSeedRoad_Full);
}

void TestFileHelpers::seedRoads()
{
    QFETCH(int, linkError);
    QFETCH(bool, linkSupported);
    QFETCH(qint64, free);
    QFETCH(bool, newestUnfinished);
    QFETCH(int, encryption);
    QFETCH(int, road);
    QTemporaryDir root;
    QVERIFY(WriteSet(root.path(), u"2026-01-01__10_00_00_@_@_Phone"_s, u"finished"_s));
    if (newestUnfinished)
        QVERIFY(WriteSet(root.path(), u"2026-01-02__10_00_00_@_@_Phone"_s, u"new"_s));
    // A set whose marker names another device is never a base, newest or not.
    QVERIFY(WriteSet(root.path(), u"2026-01-03__10_00_00_@_@_Other"_s, u"finished"_s, u"other"_s));
    const QByteArray digestBefore = ManifestWriter::FolderDigest(root.path());
    const QString qstrSet = root.filePath(u"2026-01-04__10_00_00_@_@_Phone"_s);
    QVERIFY(QDir().mkpath(qstrSet));
    StandInFileLinks links;
    links.linkError = linkError;
    links.linkOutcome = linkSupported ? FileLinkPlatform::Outcome::Failed : FileLinkPlatform::Outcome::Unsupported;
    links.iFree = free;
    const structSeedResult seed = CSetSeed(links).Seed(qstrSet, kSeedUDID, enumDeviceEncryption(encryption));
    QCOMPARE(int(seed.eiRoad), road);
    QVERIFY2(!seed.qstrWhy.isEmpty(), "the log says why");
    const QString qstrData = QDir(qstrSet).filePath(kSeedUDID);
    if (road == eiSeedRoad_Full) {
        QVERIFY(!QFileInfo::exists(qstrData));
        QVERIFY(QDir(qstrSet).removeRecursively());
        QCOMPARE(ManifestWriter::FolderDigest(root.path()), digestBefore);
        return;
    }
    QCOMPARE(seed.qstrBaseSet, u"2026-01-01__10_00_00_@_@_Phone"_s);
    QCOMPARE(links.iLinks, road == eiSeedRoad_Linked ? 3 : 1);
    QCOMPARE(links.iCopies, road == eiSeedRoad_Linked ? 4 : 7);
    // The base's finished Status.plist came along: only the marker keeps the
    // seeded set from passing for a finished one until its backup succeeded.
    QCOMPARE(int(CBackupSetCheck::Check(qstrData).eiState), int(eiSetState_Unfinished));
    QVERIFY(CSetSeed::MarkSucceeded(qstrData));
    QCOMPARE(int(CBackupSetCheck::Check(qstrData).eiState), int(eiSetState_Complete));
    // What the tool may write in place is the new set's own; what it replaces
    // by removing it first may be shared.
    QDirIterator it(qstrData, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString qstrFile = it.next();
        QFile file(qstrFile);
        if (QFileInfo(qstrFile).dir() == QDir(qstrData))
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("written in place") > 0);
        else
            QVERIFY(QFile::remove(qstrFile) && file.open(QIODevice::WriteOnly) && file.write("replaced") > 0);
    }
    QVERIFY(QDir(qstrSet).removeRecursively());
    QCOMPARE(ManifestWriter::FolderDigest(root.path()), digestBefore);
}
