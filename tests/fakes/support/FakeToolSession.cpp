#include "FakeToolSession.h"

#include "AppGlobals.h"

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

QList<QStringList> FakeToolSession::Runs() const
{
    QList<QStringList> listRuns;
    const QString qstrText = QString::fromLocal8Bit(ReadBytes(Path(QStringLiteral("fake-args.txt"))));
    // Every line ends in "\n"; an empty line is an empty argument.
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
    const QString qstrText = QString::fromLocal8Bit(ReadBytes(Path(QStringLiteral("device/installed.txt"))));
    return qstrText.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool FakeToolSession::WriteAppArchive(const QString& qstrPath, const QString& qstrBundleID)
{
    // The fake installer reads the identifier from the archive's Info.plist.
    QByteArray baArchive("PK\x03\x04", 4);
    baArchive += QByteArray(26, '\0');
    baArchive += "Payload/App.app/Info.plist<plist version=\"1.0\">\n<dict>\n\t<key>CFBundleIdentifier</key>\n\t<string>";
    baArchive += qstrBundleID.toUtf8();
    baArchive += "</string>\n</dict>\n</plist>\n";
    return WriteBytes(qstrPath, baArchive);
}

QByteArray FakeToolSession::ReadBytes(const QString& qstrPath)
{
    QFile file(qstrPath);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool FakeToolSession::WriteBytes(const QString& qstrPath, const QByteArray& baContent)
{
    QFile file(qstrPath);
    return file.open(QIODevice::WriteOnly) && file.write(baContent) == baContent.size();
}
