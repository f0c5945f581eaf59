#include "FakeToolSession.h"

#include "AppGlobals.h"
#include "FakeFiles.h"

#include <QDir>
#include <QFile>

FakeToolSession::FakeToolSession()
    : m_qstrSavedAppDirPath(g_qstrAppDirPath)
{
    g_qstrAppDirPath = FakesDir();
    SetEnv("CORVINA_FAKE_ARGS_FILE", Path(QStringLiteral("fake-args.txt")));
    SetEnv("CORVINA_FAKE_DEVICE_DIR", MakeDir(QStringLiteral("device")));
    SetEnv("CORVINA_FAKE_SCENARIO", QString());
    // Short pauses keep the suite quick; the fakes still print update by update.
    SetEnv("CORVINA_FAKE_STEP_MS", QStringLiteral("10"));
}

FakeToolSession::~FakeToolSession()
{
    g_qstrAppDirPath = m_qstrSavedAppDirPath;
    for (auto it = m_mapSavedEnv.cbegin(); it != m_mapSavedEnv.cend(); ++it) {
        if (it.value().isNull())
            qunsetenv(it.key().constData());
        else
            qputenv(it.key().constData(), it.value());
    }
}

QString FakeToolSession::FakesDir()
{
    return QStringLiteral(CORVINA_FAKES_DIR);
}

QStringList FakeToolSession::DeviceApps()
{
    return {QStringLiteral("com.example.Notes"), QStringLiteral("com.example.Maps"),
            QStringLiteral("com.example.SpaceGame"), QStringLiteral("com.example.Reader")};
}

QList<int> FakeToolSession::ToolPercentages()
{
    return {3, 12, 25, 42, 60, 77, 91, 100, 100};
}

void FakeToolSession::SetScenario(const QString& qstrWords)
{
    SetEnv("CORVINA_FAKE_SCENARIO", qstrWords);
}

void FakeToolSession::SetEnv(const char* szName, const QString& qstrValue)
{
    const QByteArray baName(szName);
    if (!m_mapSavedEnv.contains(baName))
        m_mapSavedEnv.insert(baName, qEnvironmentVariableIsSet(szName) ? qgetenv(szName) : QByteArray());
    qputenv(szName, qstrValue.toLocal8Bit());
}

QString FakeToolSession::Path(const QString& qstrName) const
{
    return m_QTemporaryDir.filePath(qstrName);
}

QString FakeToolSession::MakeDir(const QString& qstrName) const
{
    const QString qstrPath = Path(qstrName);
    QDir().mkpath(qstrPath);
    return qstrPath;
}

QString FakeToolSession::MakeDataFolder(const QString& qstrSet, const QString& qstrUdid) const
{
    const QString qstrData = MakeDir(qstrSet + QLatin1Char('/') + qstrUdid);
    for (const char* szFile : {"Info.plist", "Manifest.plist", "Status.plist"})
        WriteBytes(qstrData + QLatin1Char('/') + QLatin1String(szFile), "<plist/>");
    return Path(qstrSet);
}

QList<QStringList> FakeToolSession::Runs() const
{
    // Each run is "#tool" and then one argument a line, every line ended by "\n".
    QList<QStringList> listRuns;
    const QString qstrText = QString::fromLocal8Bit(ReadBytes(Path(QStringLiteral("fake-args.txt"))));
    QStringList listLines = qstrText.split(QLatin1Char('\n'));
    listLines.removeLast();
    for (const QString& qstrLine : listLines) {
        if (qstrLine.startsWith(QLatin1Char('#')))
            listRuns.append(QStringList{qstrLine.mid(1)});
        else if (!listRuns.isEmpty())
            listRuns.last().append(qstrLine);
    }
    return listRuns;
}

QList<QStringList> FakeToolSession::RunsOf(const QString& qstrTool) const
{
    QList<QStringList> listRuns;
    for (const QStringList& listRun : Runs()) {
        if (listRun.first() == qstrTool)
            listRuns.append(listRun.mid(1));
    }
    return listRuns;
}

QStringList FakeToolSession::InstalledApps() const
{
    return QString::fromLocal8Bit(ReadBytes(Path(QStringLiteral("device/installed.txt"))))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool FakeToolSession::WriteAppArchive(const QString& qstrPath, const QString& qstrBundleID)
{
    const std::string strID = qstrBundleID.toStdString();
    return WriteBytes(qstrPath, QByteArray::fromStdString(fake::AppArchive(strID, "1.0", strID)));
}

QByteArray FakeToolSession::ReadBytes(const QString& qstrPath)
{
    QFile file(qstrPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool FakeToolSession::WriteBytes(const QString& qstrPath, const QByteArray& baContent)
{
    QFile file(qstrPath);
    return file.open(QIODevice::WriteOnly) && file.write(baContent) == baContent.size();
}
