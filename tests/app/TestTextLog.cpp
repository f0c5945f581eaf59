// The log as it lands on disk: written through the real logging library,
// read back byte by byte.
#include "AppGlobals.h"
#include "CDllTextLogQT.h"
#include "LogCallSite.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <thread>
#include <vector>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

class LayoutProbe
{
public:
    int Emit()
    {
        TEXTLOG("Enter");
        const int line = __LINE__ - 1;
        TEXTLOG("iProgress : %d", 42);
        TEXTLOG("%s", "\xD6\xD0\xCE\xC4");
        return line;
    }
};

class TestTextLog : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_logPath;

    void UseLogFile(const QString& path)
    {
        m_logPath = path;
        g_baLogFilePath = path.toLocal8Bit();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        g_qstrAppDirPath = QStringLiteral(CORVINA_PROGRAM_DIR);
        QString error;
        QVERIFY2(g_CDllTextLogQT.InitDataDll(error), qPrintable(error));
        QVERIFY(error.isEmpty());
    }

    void lineLayoutOnDisk()
    {
        // The folders do not exist yet: the library makes them.
        UseLogFile(m_dir.filePath(QStringLiteral("layout/Log/Text/Corvina.log")));
        const int line = LayoutProbe().Emit();

        const QByteArray bytes = ReadAll(m_logPath);
        QVERIFY(bytes.startsWith("\r\n"));
        const QList<QByteArray> lines = bytes.mid(2).split('\n');
        QCOMPARE(lines.size(), 3);
        const QRegularExpression layout(
            QStringLiteral("^\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d TestTextLog\\.cpp LayoutProbe::Emit:(\\d+) (.*)$"));
        QList<QByteArray> messages;
        for (int i = 0; i < lines.size(); ++i) {
            QByteArray text = lines[i];
            if (i + 1 < lines.size()) {
                QVERIFY(text.endsWith('\r'));
                text.chop(1);
            }
            const auto match = layout.match(QString::fromLatin1(text));
            QVERIFY2(match.hasMatch(), text.constData());
            if (i == 0)
                QCOMPARE(match.captured(1).toInt(), line);
            messages << text.mid(text.indexOf(' ', text.indexOf(':', 14)) + 1);
        }
        QCOMPARE(messages[0], QByteArray("Enter"));
        QCOMPARE(messages[1], QByteArray("iProgress : 42"));
        // GBK bytes pass through untouched.
        QCOMPARE(messages[2], QByteArray("\xD6\xD0\xCE\xC4"));

        // Tool output can make a line far longer than usual; it arrives whole.
        QByteArray output(5000, 'o');
        output[0] = '<';
        output[4999] = '>';
        TEXTLOG("strStdOutput : %s", output.constData());
        QVERIFY(ReadAll(m_logPath).endsWith(" strStdOutput : " + output));
    }

    void callSiteNames()
    {
        // Signatures as the compilers write them: the class-qualified routine.
        const char* const routines[][2] = {
            {"int main(int, char**)", "main"},
            {"static bool CSingleInstance::StepA()", "CSingleInstance::StepA"},
            {"Corvina::Corvina(QWidget*, Qt::WindowFlags)::<lambda()>", "Corvina::Corvina"},
            {"QList<std::pair<int, int> > CBackup::QStrGetAllBackupDirectory(QString)",
             "CBackup::QStrGetAllBackupDirectory"},
            {"const QString* CStaticPubFunc::Find()", "CStaticPubFunc::Find"},
            {"void {anonymous}::Probe::Run()", "Probe::Run"},
        };
        for (const auto& routine : routines)
            QCOMPARE(LogRoutineName(routine[0]), QByteArray(routine[1]));
        for (const char* path : {".\\main.cpp", "/src/ui/main.cpp", "src\\ui/main.cpp", "main.cpp"})
            QCOMPARE(QByteArray(LogFileName(path)), QByteArray("main.cpp"));
    }

    void burstFromManyThreadsArrivesWhole()
    {
        UseLogFile(m_dir.filePath(QStringLiteral("burst/Corvina.log")));
        const int threads = 8;
        const int perThread = 400;
        const QByteArray payload(300, 'x');
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t) {
            workers.emplace_back([t, &payload]() {
                for (int i = 0; i < perThread; ++i)
                    TEXTLOG("thread %d line %d %s", t, i, payload.constData());
            });
        }
        for (auto& worker : workers)
            worker.join();

        const QByteArray bytes = ReadAll(m_logPath);
        QVERIFY(bytes.startsWith("\r\n"));
        const QList<QByteArray> lines = bytes.mid(2).split('\n');
        QCOMPARE(lines.size(), threads * perThread);
        const QRegularExpression whole(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d TestTextLog\\.cpp \\S+:\\d+ "
                                                      "thread (\\d) line (\\d+) x{300}\\r?$"));
        QSet<QString> seen;
        for (const QByteArray& text : lines) {
            const auto match = whole.match(QString::fromLatin1(text));
            QVERIFY2(match.hasMatch(), text.left(120).constData());
            seen.insert(match.captured(1) + QLatin1Char('/') + match.captured(2));
        }
        QCOMPARE(seen.size(), threads * perThread);
    }

    void librariesLackingAnEntryPoint()
    {
        const QString saved = g_qstrAppDirPath;
        const QString variants = QStringLiteral(CORVINA_TEST_BINARY_DIR "/variants/");

        CDllTextLogQT missing;
        g_qstrAppDirPath = m_dir.filePath(QStringLiteral("no-library-here"));
        QString error = QStringLiteral("old");
        QVERIFY(!missing.InitDataDll(error));
        QCOMPARE(error, QStringLiteral("m_QLibrary.load(TextLog.dll) failed!\r\nCDllTextLogQT::InitDataDll"));
        QVERIFY(missing.m_pfnWriteLogLPCSTR == nullptr);

        CDllTextLogQT noWrite;
        g_qstrAppDirPath = variants + QStringLiteral("NoWriteLogLPCSTR");
        QVERIFY(!noWrite.InitDataDll(error));
        QCOMPARE(error, QStringLiteral("m_QLibrary.resolve(WriteLogLPCSTR) failed!\r\nCDllTextLogQT::InitDataDll"));
        QVERIFY(noWrite.m_pfnWriteLogLPCSTR == nullptr);

        CDllTextLogQT noBinary;
        g_qstrAppDirPath = variants + QStringLiteral("NoWriteLogBinary");
        QVERIFY(!noBinary.InitDataDll(error));
        QCOMPARE(error, QStringLiteral("m_QLibrary.resolve(WriteLogBinary) failed!\r\nCDllTextLogQT::InitDataDll"));
        QVERIFY(noBinary.m_pfnWriteLogLPCSTR != nullptr);
        g_qstrAppDirPath = saved;

        // Lines still reach the file through a library without WriteLogBinary,
        // and are dropped (with true) when nothing was resolved.
        const PFN_WriteLogLPCSTR real = g_CDllTextLogQT.m_pfnWriteLogLPCSTR;
        UseLogFile(m_dir.filePath(QStringLiteral("variant.log")));
        g_CDllTextLogQT.m_pfnWriteLogLPCSTR = noBinary.m_pfnWriteLogLPCSTR;
        TEXTLOG("still written");
        g_CDllTextLogQT.m_pfnWriteLogLPCSTR = nullptr;
        QVERIFY(TextLogPrintf("\r\n%s", "dropped"));
        g_CDllTextLogQT.m_pfnWriteLogLPCSTR = real;
        const QByteArray bytes = ReadAll(m_logPath);
        QVERIFY(bytes.endsWith(" still written"));
        QVERIFY(!bytes.contains("dropped"));
    }

    void unwritableLogFolderIsHarmless()
    {
        // A plain file where the log folder should be: nothing can be created.
        QFile blocker(m_dir.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        UseLogFile(m_dir.filePath(QStringLiteral("blocker/Log/Text/Corvina.log")));
        QVERIFY(TextLogPrintf("\r\n%s", "nowhere"));
        QCOMPARE(g_CDllTextLogQT.m_pfnWriteLogLPCSTR(g_baLogFilePath.constData(), "x"), 0);
    }
};

QTEST_GUILESS_MAIN(TestTextLog)
#include "TestTextLog.moc"
