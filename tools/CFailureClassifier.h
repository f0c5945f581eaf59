// Tells from a tool's output lines and the way it ended why a run failed. It
// sees only what it is given (no files, no clock, no process), so a table of
// lines and endings tests it whole. Fed line by line as the output arrives, it
// keeps a few short texts only, however long the tool runs.
#ifndef CORVINA_CFAILURECLASSIFIER_H
#define CORVINA_CFAILURECLASSIFIER_H

#include "CFailureCause.h"

#include <QString>
#include <QStringView>

// How a program that ran to its end ended.
struct structToolExit
{
    bool bNormalExit = false; // ended by itself, not by a signal
    int iExitCode = -1; // its exit code; the signal's number when it did not end normally
};

class CFailureClassifier
{
public:
    // One complete line of output, without its line end: as the tool printed
    // it, and its own words (the texts the program passed to the tool taken
    // out, so that a user's folder or device name names no cause);
    // bErrorWord: whether its own words hold an error word.
    void AddLine(QStringView qsvPrinted, QStringView qsvOwnWords, bool bStdError, bool bErrorWord);

    // The cause of a failed run that ended so. eiEndReason is why the program
    // ended the tool itself (None when it did not): Cancelled always wins; a
    // cause that a line named wins over Disconnected.
    structFailureCause Cause(const structToolExit& structToolExitThis, enumFailureCause eiEndReason) const;

    // The cause one line names on its own; None for a line that names none.
    static enumFailureCause LineCause(QStringView qsvOwnWords);

    // Longest detail kept: a very long line is cut.
    static constexpr qsizetype iDetailLength = 300;

private:
    // The line an Unknown cause shows: the last one with an error word, else
    // the last on standard error, else the last other output line.
    QString LastErrorLine() const;

    enumFailureCause m_eiLineCause = eiFailureCause_None; // the first a line named
    QString m_qstrLineCauseLine;
    QString m_qstrErrorWordLine;
    QString m_qstrStdErrorLine;
    QString m_qstrOutputLine;
};

#endif
