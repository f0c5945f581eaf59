#include "CToolOutputScanner.h"

namespace {

const QLatin1String aErrorWords[] = {
    QLatin1String("ERROR:"),
    QLatin1String("Error "),
    QLatin1String("ErrorCode"),
    QLatin1String("Failed"),
};

const QLatin1String qlsFinished("Finished");

} // namespace

bool CToolOutputScanner::ContainsErrorWord(const QString& qstrText)
{
    for (const QLatin1String& qlsWord : aErrorWords) {
        if (qstrText.contains(qlsWord, Qt::CaseSensitive))
            return true;
    }
    return false;
}

QString CToolOutputScanner::ProgressText(const QString& qstrText, qsizetype iFinishedAt)
{
    // The window ends two characters before "Finished", leaving out "% ".
    const qsizetype iEnd = iFinishedAt - 2;
    const qsizetype iBegin = qMax<qsizetype>(0, iFinishedAt - 6);
    if (iEnd <= iBegin)
        return QString();
    return qstrText.mid(iBegin, iEnd - iBegin);
}

int CToolOutputScanner::ProgressNumber(const QString& qstrProgress)
{
    bool bNumber = false;
    const int iNumber = qstrProgress.trimmed().toInt(&bNumber, 10);
    return bNumber ? iNumber : 0;
}

CToolOutputScanner::structScan CToolOutputScanner::ScanRead(const QString& qstrStdOutput,
                                                            const QString& qstrStdError)
{
    const QString qstrOutput = m_qstrOutputTail + qstrStdOutput;
    const QString qstrError = m_qstrErrorTail + qstrStdError;
    structScan structScanThis;
    structScanThis.bErrorWord = ContainsErrorWord(qstrOutput) || ContainsErrorWord(qstrError);

    // The last "Finished" that does not lie wholly in the tail (that one was
    // reported with the previous read). Searched forwards: much faster than
    // backwards through a long read.
    qsizetype iFinishedAt = -1;
    const qsizetype iSearchFrom = qMax<qsizetype>(0, m_qstrOutputTail.size() - qlsFinished.size() + 1);
    for (qsizetype i = qstrOutput.indexOf(qlsFinished, iSearchFrom); i >= 0;
         i = qstrOutput.indexOf(qlsFinished, i + 1))
        iFinishedAt = i;
    if (iFinishedAt >= 0) {
        structScanThis.bFinished = true;
        structScanThis.qstrProgress = ProgressText(qstrOutput, iFinishedAt);
        structScanThis.iProgress = ProgressNumber(structScanThis.qstrProgress);
    }

    m_qstrOutputTail = qstrOutput.right(iTailLength);
    m_qstrErrorTail = qstrError.right(iTailLength);
    return structScanThis;
}
