// Stand-in tools for what no device makes the real ones do: a crash or an
// error word split across reads at a chosen moment, a line no device makes
// them print. Each is a short shell script in a program folder of the test's
// own, which CToolSettings points every tool run at while the object lives.
// Every run appends "#NAME" and then its arguments, one a line, to a record.
#ifndef CORVINA_SCRIPTEDTOOLS_H
#define CORVINA_SCRIPTEDTOOLS_H

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class ScriptedTools
{
public:
    ScriptedTools();
    // Puts the program folder setting back as it was.
    ~ScriptedTools();
    ScriptedTools(const ScriptedTools&) = delete;
    ScriptedTools& operator=(const ScriptedTools&) = delete;

    // The tool qstrName (idevicebackup2, ideviceinstaller) runs the shell text
    // baScript after recording its arguments.
    void Write(const QString& qstrName, const QByteArray& baScript) const;

    // A path in the scratch folder; MakeDir creates the folder and its parents.
    QString Path(const QString& qstrName) const;
    QString MakeDir(const QString& qstrName) const;

    // Every run so far, in order: the tool's name, then its arguments.
    QList<QStringList> Runs() const;

    static QByteArray ReadBytes(const QString& qstrPath);
    static bool WriteBytes(const QString& qstrPath, const QByteArray& baContent);

private:
    QTemporaryDir m_QTemporaryDir;
    QString m_qstrSavedFolder;
};

#endif
