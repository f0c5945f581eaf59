#include "ScriptedTools.h"

#include "CToolSettings.h"

#include <QDir>
#include <QFile>

ScriptedTools::ScriptedTools()
    : m_qstrSavedFolder(CToolSettings::ProgramFolder())
{
    CToolSettings::SetProgramFolder(MakeDir(QStringLiteral("program")));
}

ScriptedTools::~ScriptedTools()
{
    CToolSettings::SetProgramFolder(m_qstrSavedFolder);
}

void ScriptedTools::Write(const QString& qstrName, const QByteArray& baScript) const
{
    const QString qstrPath = Path(QStringLiteral("program/") + qstrName);
    const QByteArray baRecord = "{ echo '#" + qstrName.toUtf8() + "'; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } >>'"
                                + QFile::encodeName(Path(QStringLiteral("runs.txt"))) + "'\n";
    WriteBytes(qstrPath, "#!/bin/sh\n" + baRecord + baScript + "\n");
    QFile::setPermissions(qstrPath, QFile::permissions(qstrPath) | QFileDevice::ExeOwner);
}

QString ScriptedTools::Path(const QString& qstrName) const
{
    return m_QTemporaryDir.filePath(qstrName);
}

QString ScriptedTools::MakeDir(const QString& qstrName) const
{
    QDir().mkpath(Path(qstrName));
    return Path(qstrName);
}

QList<QStringList> ScriptedTools::Runs() const
{
    QList<QStringList> listRuns;
    const QStringList listLines =
        QString::fromLocal8Bit(ReadBytes(Path(QStringLiteral("runs.txt")))).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i + 1 < listLines.size(); ++i) { // the record ends with a line end
        if (listLines.at(i).startsWith(QLatin1Char('#')))
            listRuns.append(QStringList{listLines.at(i).mid(1)});
        else if (!listRuns.isEmpty())
            listRuns.last().append(listLines.at(i));
    }
    return listRuns;
}

QByteArray ScriptedTools::ReadBytes(const QString& qstrPath)
{
    QFile file(qstrPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool ScriptedTools::WriteBytes(const QString& qstrPath, const QByteArray& baContent)
{
    QFile file(qstrPath);
    return file.open(QIODevice::WriteOnly) && file.write(baContent) == baContent.size();
}
