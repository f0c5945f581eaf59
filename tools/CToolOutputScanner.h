// Reads a tool's output as it arrives, read by read: the error words that make
// a run fail and the "NN% Finished" progress of idevicebackup2. A word whose
// characters arrive in two reads is still found, because each read is joined
// to a short tail of the previous one; nothing else is kept, so memory stays
// the same however long the tool runs.
#ifndef CORVINA_CTOOLOUTPUTSCANNER_H
#define CORVINA_CTOOLOUTPUTSCANNER_H

#include <QString>

class CToolOutputScanner
{
public:
    // What one read showed.
    struct structScan
    {
        bool bErrorWord = false; // an error word in either channel
        bool bFinished = false;  // a "Finished" that ends in this read
        QString qstrProgress;    // the four characters in front of the last such "Finished"
        int iProgress = 0;       // their number; 0 when they are not a number
    };

    // Scans one read of both channels, standard output first.
    structScan ScanRead(const QString& qstrStdOutput, const QString& qstrStdError);

    // Whether the text holds "ERROR:", "Error " (with its blank), "ErrorCode"
    // or "Failed", case-sensitively.
    static bool ContainsErrorWord(const QString& qstrText);

    // The four characters that begin six characters before the "Finished" at
    // iFinishedAt, cut off at the start of the text ("  42" of "  42% Finished").
    static QString ProgressText(const QString& qstrText, qsizetype iFinishedAt);

    // The number in a progress text, blanks around it ignored; 0 when none.
    static int ProgressNumber(const QString& qstrProgress);

    // Characters of each channel kept for the next read: enough for the
    // longest word less one and for the progress field in front of "Finished".
    static constexpr qsizetype iTailLength = 16;

private:
    QString m_qstrOutputTail;
    QString m_qstrErrorTail;
};

#endif
