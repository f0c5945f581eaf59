// A test's use of the fake tools: points the program folder at the fakes,
// sets the scenario and its parameters in the environment the tools inherit,
// gives each test a scratch folder and reads back the arguments every run of
// a fake was started with. Restores everything when destroyed.
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

    // CORVINA_FAKE_SCENARIO, e.g. "old-device,idevicebackup2:crash".
    void SetScenario(const QString& qstrWords);
    // Any other variable; it is removed again when the session ends.
    void SetEnv(const char* szName, const QString& qstrValue);

    // A path inside the session's scratch folder.
    QString Path(const QString& qstrName) const;
    // Creates the folder (and parents) inside the scratch folder; its path.
    QString MakeDir(const QString& qstrName) const;

    // Every run of a fake so far, in order: the tool's name, then its arguments.
    QList<QStringList> Runs() const;
    // The argument lists of the runs of one tool.
    QList<QStringList> RunsOf(const QString& qstrTool) const;

    // App identifiers the fake installer has installed.
    QStringList InstalledApps() const;

    // Writes an app archive as the fake installer accepts it.
    static bool WriteAppArchive(const QString& qstrPath, const QString& qstrBundleID);

    static QByteArray ReadBytes(const QString& qstrPath);
    static bool WriteBytes(const QString& qstrPath, const QByteArray& baContent);

private:
    QTemporaryDir m_QTemporaryDir;
    QString m_qstrSavedAppDirPath;
    QMap<QByteArray, QByteArray> m_mapSavedEnv; // variables to restore (empty: unset)
};

#endif
