#include "CFailureClassifier.h"

#include <iterator>

namespace {

struct structLineCause
{
    const char* szText;
    enumFailureCause eiCause;
};

// Texts of the tools' own messages and the causes they name.
const structLineCause aLineCauses[] = {
    {"No space left on device", eiFailureCause_DiskFull},
    {"Could not receive from mobilebackup2", eiFailureCause_Disconnected},
    {"ideviceinstaller: Device removed", eiFailureCause_Disconnected},
    {"No device found", eiFailureCause_NoDevice},
    {"does not exist!", eiFailureCause_FolderNotWritable},
    {"Permission denied", eiFailureCause_FolderNotWritable},
    {"Read-only file system", eiFailureCause_FolderNotWritable},
    {"is invalid. No Info.plist found", eiFailureCause_BackupIncomplete},
    {"is invalid. No Manifest.plist found", eiFailureCause_BackupIncomplete},
    {"Cannot ensure we restore from a successful backup", eiFailureCause_BackupIncomplete},
    {"Could not read Status.plist", eiFailureCause_BackupIncomplete},
    {"a backup password is required", eiFailureCause_PasswordRequired},
    {"Archive failed. Got error \"UnknownCommand\"", eiFailureCause_AppsUnsupported},
};

// Device error codes of idevicebackup2 ("ErrorCode 105: ...", "Backup Failed (Error Code 105).").
const structLineCause aDeviceErrors[] = {
    {"105", eiFailureCause_DiskFull},
    {"207", eiFailureCause_WrongPassword}, // "Invalid password"
    {"208", eiFailureCause_DeviceLocked},
    {"211", eiFailureCause_FindMyEnabled}, // "Find My iPhone must be disabled before restoring"
};

// lockdownd's answers to "Could not connect to lockdownd, error code N".
const structLineCause aLockdownErrors[] = {
    {"-8", eiFailureCause_NoDevice}, // usbmuxd refused the connection
    {"-17", eiFailureCause_NotTrusted}, // locked and not paired
    {"-18", eiFailureCause_TrustRefused}, // the user chose "Don't Trust"
    {"-19", eiFailureCause_NotTrusted}, // the trust dialog is still open
    {"-21", eiFailureCause_NotTrusted}, // the pair record was rejected
};

// The number right after the first qlsMarker in the line ("-19", "105"); empty when none.
QStringView NumberAfter(QStringView qsvLine, QLatin1String qlsMarker)
{
    const qsizetype iAt = qsvLine.indexOf(qlsMarker);
    if (iAt < 0)
        return QStringView();
    const QStringView qsvRest = qsvLine.mid(iAt + qlsMarker.size());
    qsizetype iEnd = !qsvRest.isEmpty() && qsvRest.front() == QLatin1Char('-') ? 1 : 0;
    while (iEnd < qsvRest.size() && qsvRest.at(iEnd).isDigit())
        ++iEnd;
    return qsvRest.left(iEnd);
}

enumFailureCause CauseOfNumber(QStringView qsvNumber, const structLineCause* pFirst, const structLineCause* pEnd)
{
    for (const structLineCause* p = pFirst; p != pEnd && !qsvNumber.isEmpty(); ++p) {
        if (qsvNumber == QLatin1String(p->szText))
            return p->eiCause;
    }
    return eiFailureCause_None;
}

QString Cut(QStringView qsvLine)
{
    return qsvLine.left(CFailureClassifier::iDetailLength).toString();
}

} // namespace

enumFailureCause CFailureClassifier::LineCause(QStringView qsvOwnWords)
{
    for (const structLineCause& lineCause : aLineCauses) {
        if (qsvOwnWords.contains(QLatin1String(lineCause.szText)))
            return lineCause.eiCause;
    }
    for (const char* szMarker : {"ErrorCode ", "Error Code "}) {
        const enumFailureCause eiCause = CauseOfNumber(NumberAfter(qsvOwnWords, QLatin1String(szMarker)),
                                                       std::begin(aDeviceErrors), std::end(aDeviceErrors));
        if (eiCause != eiFailureCause_None)
            return eiCause;
    }
    return CauseOfNumber(NumberAfter(qsvOwnWords, QLatin1String("Could not connect to lockdownd, error code ")),
                         std::begin(aLockdownErrors), std::end(aLockdownErrors));
}

void CFailureClassifier::AddLine(QStringView qsvPrinted, QStringView qsvOwnWords, bool bStdError, bool bErrorWord)
{
    if (qsvPrinted.trimmed().isEmpty())
        return;
    // The first cause named stands: later lines are mostly its consequences
    // ("Backup Aborted." after a lost connection).
    if (m_eiLineCause == eiFailureCause_None) {
        m_eiLineCause = LineCause(qsvOwnWords);
        if (m_eiLineCause != eiFailureCause_None)
            m_qstrLineCauseLine = Cut(qsvPrinted);
    }
    if (bErrorWord)
        m_qstrErrorWordLine = Cut(qsvPrinted);
    if (bStdError)
        m_qstrStdErrorLine = Cut(qsvPrinted);
    else if (!qsvPrinted.startsWith(QLatin1Char('['))) // not a progress bar
        m_qstrOutputLine = Cut(qsvPrinted);
}

QString CFailureClassifier::LastErrorLine() const
{
    if (!m_qstrErrorWordLine.isEmpty())
        return m_qstrErrorWordLine;
    return m_qstrStdErrorLine.isEmpty() ? m_qstrOutputLine : m_qstrStdErrorLine;
}

structFailureCause CFailureClassifier::Cause(const structToolExit& structToolExitThis,
                                             enumFailureCause eiEndReason) const
{
    if (eiEndReason == eiFailureCause_Cancelled)
        return {eiFailureCause_Cancelled, QString()};
    if (m_eiLineCause != eiFailureCause_None)
        return {m_eiLineCause, m_qstrLineCauseLine};
    if (eiEndReason != eiFailureCause_None)
        return {eiEndReason, QString()};
    if (!structToolExitThis.bNormalExit)
        return {eiFailureCause_ToolCrashed, QString::number(structToolExitThis.iExitCode)};
    return {eiFailureCause_Unknown, LastErrorLine()};
}
