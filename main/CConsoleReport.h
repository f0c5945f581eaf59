// What corvina-cli prints. Plain text: results on standard output, a progress
// line drawn in place when standard output is a terminal (else one line per
// new percentage), errors and causes on standard error. With --json every
// result and progress step is one JSON object on its own line of standard
// output; errors still go to standard error as text. Main thread only.
#ifndef CORVINA_CCONSOLEREPORT_H
#define CORVINA_CCONSOLEREPORT_H

#include "CBackupSetCheck.h"
#include "CDeviceTable.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QList>
#include <QString>

struct structOperationProgress;

// One set of a backup root as the list command shows it.
struct structListedSet
{
    QString qstrFolder;    // the set folder's full path
    QString qstrDate;      // "yyyy-MM-dd hh:mm:ss" from the folder's name
    QString qstrDevice;    // the device's name (the set's, else the folder's)
    QString qstrUDID;      // the marker's DataFolderName
    structSetCheck structCheck;
};

class CConsoleReport
{
    Q_DECLARE_TR_FUNCTIONS(CConsoleReport)

public:
    // bJson: JSON lines; bTerminal: standard output is a terminal.
    CConsoleReport(bool bJson, bool bTerminal);

    void Devices(const QList<structDeviceInfo>& listDevices);
    void Sets(const QList<structListedSet>& listSets);
    void Verified(const QString& qstrSet, const structSetCheck& structCheck);
    // What is about to happen (plain text only; JSON reports the outcome).
    void Note(const QString& qstrText);
    void Progress(const structOperationProgress& progress);
    // The end of a backup or restore; qstrCause is the failure's sentence.
    void Finished(bool bSucceeded, const QString& qstrSet, const QString& qstrCauseName, const QString& qstrCause,
                  const QString& qstrWarning);
    // A sentence for standard error (ends the progress line first).
    void Error(const QString& qstrText);

    // "complete", "unfinished" or "damaged": the words of the JSON output.
    static QString StateName(enumSetState eiState);
    // The translated word for the plain listing.
    static QString StateText(enumSetState eiState);

private:
    void WriteJson(const QJsonObject& object);
    void EndProgressLine();

    bool m_bJson = false;
    bool m_bTerminal = false;
    bool m_bProgressLineOpen = false; // a progress line waits for its end
    int m_iLastPercent = -1;
    int m_iLastStep = -1;
};

#endif
