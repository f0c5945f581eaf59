#include "CToolOutputScanner.h"

#include <algorithm>

namespace {

const QLatin1String aErrorWords[] = {
    QLatin1String("ERROR:"),
    QLatin1String("Error "),
    QLatin1String("ErrorCode"),
    QLatin1String("Failed"),
};

const QLatin1String qlsFinished("Finished");
// "Finished" is read with the six characters in front of it (" 100% ").
const qsizetype iProgressLead = 6;

// Stands where an argument text was: a control character that forms no word.
const QChar qcArgument(0x1F);

} // namespace

CToolOutputScanner::CToolOutputScanner(const QStringList& listArgumentTexts)
    : m_listArgumentTexts(listArgumentTexts)
{
    m_listArgumentTexts.removeAll(QString());
    m_listArgumentTexts.removeDuplicates();
    m_iLookAhead = qlsFinished.size() + iProgressLead;
    for (const QLatin1String& qlsWord : aErrorWords)
        m_iLookAhead = qMax(m_iLookAhead, qlsWord.size());
    for (const QString& qstrArgument : m_listArgumentTexts)
        m_iLookAhead = qMax(m_iLookAhead, qstrArgument.size());
}

QString CToolOutputScanner::WithoutTexts(QString qstrText, QStringList listTexts)
{
    // A text inside a longer one goes after it.
    std::stable_sort(listTexts.begin(), listTexts.end(),
                     [](const QString& a, const QString& b) { return a.size() > b.size(); });
    const auto joins = [](QChar qcOutside, QChar qcInside) {
        return qcOutside.isLetterOrNumber() && qcInside.isLetterOrNumber();
    };
    for (const QString& qstrArgument : listTexts) {
        if (qstrArgument.isEmpty())
            continue;
        for (qsizetype i = qstrText.indexOf(qstrArgument); i >= 0; i = qstrText.indexOf(qstrArgument, i + 1)) {
            // Only where it stands alone: a short name may be part of the
            // tool's own words (the "a" of an archive "a.ipa" in "Install").
            const qsizetype iEnd = i + qstrArgument.size();
            if ((i > 0 && joins(qstrText.at(i - 1), qstrArgument.front()))
                || (iEnd < qstrText.size() && joins(qstrText.at(iEnd), qstrArgument.back())))
                continue;
            qstrText.replace(i, qstrArgument.size(), qcArgument);
        }
    }
    return qstrText;
}

bool CToolOutputScanner::ContainsErrorWord(QStringView qsvText)
{
    return std::any_of(std::begin(aErrorWords), std::end(aErrorWords),
                       [qsvText](QLatin1String qlsWord) { return qsvText.contains(qlsWord, Qt::CaseSensitive); });
}

QString CToolOutputScanner::ProgressText(QStringView qsvText, qsizetype iFinishedAt)
{
    // The window ends two characters before "Finished", leaving out "% ".
    const qsizetype iEnd = iFinishedAt - 2;
    const qsizetype iBegin = qMax<qsizetype>(0, iFinishedAt - iProgressLead);
    if (iEnd <= iBegin)
        return QString();
    return qsvText.mid(iBegin, iEnd - iBegin).toString();
}

int CToolOutputScanner::ProgressNumber(const QString& qstrProgress)
{
    bool bNumber = false;
    const int iNumber = qstrProgress.trimmed().toInt(&bNumber, 10);
    return bNumber ? iNumber : 0;
}

void CToolOutputScanner::ScanLine(QStringView qsvLine, bool bStdError, structScan& structScanThis)
{
    const QString qstrOwnWords = WithoutTexts(qsvLine.toString(), m_listArgumentTexts);
    const bool bErrorWord = ContainsErrorWord(qstrOwnWords);
    structScanThis.bErrorWord = structScanThis.bErrorWord || bErrorWord;
    const qsizetype iFinishedAt = bStdError ? -1 : qstrOwnWords.lastIndexOf(qlsFinished);
    if (iFinishedAt >= 0) {
        structScanThis.bFinished = true;
        structScanThis.qstrProgress = ProgressText(qstrOwnWords, iFinishedAt);
        structScanThis.iProgress = ProgressNumber(structScanThis.qstrProgress);
    }
    m_CFailureClassifier.AddLine(qsvLine, qstrOwnWords, bStdError, bErrorWord);
}

qsizetype CToolOutputScanner::SafeCut(const QString& qstrLine) const
{
    // Each occurrence of a needle covers [start - lead, start + length); move
    // the cut to the front of any occurrence it would split, until none does.
    qsizetype iCut = iLineLimit;
    const auto moveBefore = [&](const auto& qsvNeedle, qsizetype iLead) {
        const qsizetype iFrom = qMax<qsizetype>(0, iCut - qsvNeedle.size() + 1);
        for (qsizetype i = qstrLine.indexOf(qsvNeedle, iFrom); i >= 0 && i - iLead < iCut;
             i = qstrLine.indexOf(qsvNeedle, i + 1)) {
            if (i + qsvNeedle.size() > iCut && qMax<qsizetype>(0, i - iLead) < iCut) {
                iCut = qMax<qsizetype>(0, i - iLead);
                return true;
            }
        }
        return false;
    };
    bool bMoved = true;
    while (bMoved && iCut > iLineLimit / 2) {
        bMoved = moveBefore(qlsFinished, iProgressLead);
        for (const QLatin1String& qlsWord : aErrorWords)
            bMoved = moveBefore(qlsWord, 0) || bMoved;
        for (const QString& qstrArgument : m_listArgumentTexts)
            bMoved = moveBefore(qstrArgument, 0) || bMoved;
    }
    // Pieces that overlap without end (a pathological line) are cut plainly.
    return iCut > iLineLimit / 2 ? iCut : iLineLimit;
}

void CToolOutputScanner::ScanChannel(QString& qstrPending, const QString& qstrNew, bool bStdError, bool bToolEnded,
                                     structScan& structScanThis)
{
    // What is pending holds no line end: only the new text is looked through,
    // so a long line arriving in many small reads costs no more than in one.
    const qsizetype iLookedThrough = qstrPending.size();
    qstrPending += qstrNew;
    qsizetype iLineStart = 0;
    for (qsizetype i = iLookedThrough; i < qstrPending.size(); ++i) {
        const QChar qc = qstrPending.at(i);
        if (qc == QLatin1Char('\n') || qc == QLatin1Char('\r')) {
            ScanLine(QStringView(qstrPending).mid(iLineStart, i - iLineStart), bStdError, structScanThis);
            iLineStart = i + 1;
        }
    }
    qstrPending.remove(0, iLineStart);
    // Cut only once a text that would lie across the cut has arrived whole:
    // a word whose first characters end this read is not cut apart.
    while (qstrPending.size() > iLineLimit + m_iLookAhead) {
        const qsizetype iCut = SafeCut(qstrPending);
        ScanLine(QStringView(qstrPending).left(iCut), bStdError, structScanThis);
        qstrPending.remove(0, iCut);
    }
    if (bToolEnded && !qstrPending.isEmpty()) {
        ScanLine(qstrPending, bStdError, structScanThis);
        qstrPending.clear();
    }
    if (qstrPending.capacity() > 4 * iLineLimit)
        qstrPending.squeeze();
}

CToolOutputScanner::structScan CToolOutputScanner::ScanRead(const QString& qstrStdOutput, const QString& qstrStdError,
                                                            bool bToolEnded)
{
    structScan structScanThis;
    ScanChannel(m_qstrPendingOutput, qstrStdOutput, false, bToolEnded, structScanThis);
    ScanChannel(m_qstrPendingError, qstrStdError, true, bToolEnded, structScanThis);
    return structScanThis;
}
