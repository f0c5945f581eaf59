// Reads a tool's output as it arrives, read by read, line by line: the error
// words that make a run fail, the "NN% Finished" progress of idevicebackup2,
// and what the failure classifier needs. Only the tool's own words count:
// the texts the program passed to the tool (the user's folders, the device's
// UDID, app identifiers) are taken out wherever the tool echoes them, so a
// folder named "Error reports" or a device named "Failed Phone" is no error.
// A line is judged once it is complete ("\n" and "\r" end lines), so a word
// whose characters arrive in two reads is still found. Only an unfinished
// line is kept between reads, at most iLineLimit characters and the longest
// argument text, so memory stays bounded however long the tool runs and
// however long its lines are.
#ifndef CORVINA_CTOOLOUTPUTSCANNER_H
#define CORVINA_CTOOLOUTPUTSCANNER_H

#include "CFailureClassifier.h"

#include <QString>
#include <QStringList>
#include <QStringView>

class CToolOutputScanner
{
public:
    // What one read showed.
    struct structScan
    {
        bool bErrorWord = false; // an error word in either channel
        bool bFinished = false; // a standard output line with "Finished" completed in this read
        QString qstrProgress;    // the four characters in front of the last such "Finished"
        int iProgress = 0;       // their number; 0 when they are not a number
    };

    // listArgumentTexts: the texts the program passed to the tool.
    explicit CToolOutputScanner(const QStringList& listArgumentTexts = QStringList());

    // Scans one read of both channels, standard output first. With bToolEnded
    // the unfinished last lines are judged too: nothing more will come.
    structScan ScanRead(const QString& qstrStdOutput, const QString& qstrStdError, bool bToolEnded = false);

    // Every complete line seen so far.
    const CFailureClassifier& Classifier() const { return m_CFailureClassifier; }

    // The text with each of the texts (longest first), wherever it stands
    // alone (not inside a longer word), replaced by one separator character
    // that joins no word with its neighbours.
    static QString WithoutTexts(QString qstrText, QStringList listTexts);

    // Whether the text holds "ERROR:", "Error " (with its blank), "ErrorCode"
    // or "Failed", case-sensitively.
    static bool ContainsErrorWord(QStringView qsvText);

    // The four characters that begin six characters before the "Finished" at
    // iFinishedAt, cut off at the start of the text ("  42" of "  42% Finished").
    static QString ProgressText(QStringView qsvText, qsizetype iFinishedAt);

    // The number in a progress text, blanks around it ignored; 0 when none.
    static int ProgressNumber(const QString& qstrProgress);

    // Longest unfinished line kept; a longer one is judged in pieces cut where
    // no argument text, error word or progress reading lies across the cut.
    // A cut is chosen once all that could lie across it has arrived.
    static constexpr qsizetype iLineLimit = 64 * 1024;

private:
    void ScanChannel(QString& qstrPending, const QString& qstrNew, bool bStdError, bool bToolEnded,
                     structScan& structScanThis);
    void ScanLine(QStringView qsvLine, bool bStdError, structScan& structScanThis);
    qsizetype SafeCut(const QString& qstrLine) const;

    QStringList m_listArgumentTexts; // no empty text
    qsizetype m_iLookAhead = 0; // the most characters a text read across a cut reaches past it
    QString m_qstrPendingOutput;
    QString m_qstrPendingError;
    CFailureClassifier m_CFailureClassifier;
};

#endif
