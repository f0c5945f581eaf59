// A test's use of the fake tools: the program folder points at the fakes, the
// scenario lives in the environment they inherit, each test gets a scratch
// folder and reads back the arguments every run was started with. Everything
// is restored when the session ends.
#ifndef CORVINA_FAKETOOLSESSION_H
#define CORVINA_FAKETOOLSESSION_H

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class FakeToolSession
{
public:
    FakeToolSession();
    ~FakeToolSession();

    FakeToolSession(const FakeToolSession&) = delete;
    FakeToolSession& operator=(const FakeToolSession&) = delete;

    static QString FakesDir();
    // The four apps of the fake device, in the order "-l" lists them.
    static QStringList DeviceApps();
    // What the fake idevicebackup2 prints in front of "Finished", in order.
    static QList<int> ToolPercentages();

    // CORVINA_FAKE_SCENARIO, e.g. "old-device,idevicebackup2:crash".
    void SetScenario(const QString& qstrWords);
    // Any other variable; restored when the session ends.
    void SetEnv(const char* szName, const QString& qstrValue);

    QString Path(const QString& qstrName) const;
    // Creates the folder (and parents) inside the scratch folder; its path.
    QString MakeDir(const QString& qstrName) const;
    // SET/UDID holding the personal data a restore reads; the set's path.
    QString MakeDataFolder(const QString& qstrSet, const QString& qstrUdid) const;

    // Every run of a fake so far, in order: the tool's name, then its arguments.
    QList<QStringList> Runs() const;
    QList<QStringList> RunsOf(const QString& qstrTool) const;
    // App identifiers the fake installer has installed.
    QStringList InstalledApps() const;

    // An app archive as the fake installer accepts it.
    static bool WriteAppArchive(const QString& qstrPath, const QString& qstrBundleID);
    static QByteArray ReadBytes(const QString& qstrPath);
    static bool WriteBytes(const QString& qstrPath, const QByteArray& baContent);

private:
    QTemporaryDir m_QTemporaryDir;
    QString m_qstrSavedAppDirPath;
    QMap<QByteArray, QByteArray> m_mapSavedEnv; // variables to restore (null: unset)
};

#endif
