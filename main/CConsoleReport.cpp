#include "CConsoleReport.h"

#include "CCauseText.h"
#include "COperation.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>

#include <cstdio>

namespace {

void Write(std::FILE* stream, const QString& qstrText)
{
    const QByteArray bytes = qstrText.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

QString SizeText(qint64 iBytes)
{
    return QLocale().formattedDataSize(iBytes);
}

} // namespace

CConsoleReport::CConsoleReport(bool bJson, bool bTerminal)
    : m_bJson(bJson)
    , m_bTerminal(bTerminal)
{
}

QString CConsoleReport::StateName(enumSetState eiState)
{
    switch (eiState) {
    case eiSetState_Complete:
        return QStringLiteral("complete");
    case eiSetState_Unfinished:
        return QStringLiteral("unfinished");
    case eiSetState_Damaged:
        break;
    }
    return QStringLiteral("damaged");
}

QString CConsoleReport::StateText(enumSetState eiState)
{
    switch (eiState) {
    case eiSetState_Complete:
        return tr("complete");
    case eiSetState_Unfinished:
        return tr("unfinished");
    case eiSetState_Damaged:
        break;
    }
    return tr("damaged");
}

void CConsoleReport::WriteJson(const QJsonObject& object)
{
    Write(stdout, QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) + QLatin1Char('\n'));
}

void CConsoleReport::EndProgressLine()
{
    if (!m_bProgressLineOpen)
        return;
    Write(stdout, QStringLiteral("\n"));
    m_bProgressLineOpen = false;
}

void CConsoleReport::Devices(const QList<structDeviceInfo>& listDevices)
{
    for (const structDeviceInfo& device : listDevices) {
        if (m_bJson) {
            WriteJson({{QStringLiteral("udid"), device.qstrDeviceID},
                       {QStringLiteral("name"), device.qstrDeviceName},
                       {QStringLiteral("ios"), device.qstrDeviceVersion},
                       {QStringLiteral("type"), device.qstrDeviceType}});
            continue;
        }
        Write(stdout, QStringLiteral("%1  %2  iOS %3  %4\n")
                          .arg(device.qstrDeviceID, device.qstrDeviceName, device.qstrDeviceVersion, device.qstrDeviceType));
    }
}

void CConsoleReport::Sets(const QList<structListedSet>& listSets)
{
    for (const structListedSet& set : listSets) {
        const structSetCheck& check = set.structCheck;
        if (m_bJson) {
            WriteJson({{QStringLiteral("set"), set.qstrFolder},
                       {QStringLiteral("date"), set.qstrDate},
                       {QStringLiteral("device"), set.qstrDevice},
                       {QStringLiteral("udid"), set.qstrUDID},
                       {QStringLiteral("ios"), check.qstrProductVersion},
                       {QStringLiteral("bytes"), check.iTotalBytes},
                       {QStringLiteral("state"), StateName(check.eiState)},
                       {QStringLiteral("encrypted"), check.bEncrypted}});
            continue;
        }
        QStringList listColumns{set.qstrDate, set.qstrDevice};
        listColumns << (check.qstrProductVersion.isEmpty() ? QStringLiteral("-")
                                                           : QStringLiteral("iOS ") + check.qstrProductVersion);
        listColumns << (check.eiState == eiSetState_Complete ? SizeText(check.iTotalBytes) : QStringLiteral("-"));
        listColumns << StateText(check.eiState);
        if (check.bEncrypted)
            listColumns << tr("encrypted");
        listColumns << set.qstrFolder;
        Write(stdout, listColumns.join(QStringLiteral("  ")) + QLatin1Char('\n'));
    }
}

void CConsoleReport::Verified(const QString& qstrSet, const structSetCheck& structCheck)
{
    if (m_bJson) {
        WriteJson({{QStringLiteral("set"), qstrSet},
                   {QStringLiteral("state"), StateName(structCheck.eiState)},
                   {QStringLiteral("files"), structCheck.iFileCount},
                   {QStringLiteral("bytes"), structCheck.iTotalBytes},
                   {QStringLiteral("failing"), structCheck.iFailingCount},
                   {QStringLiteral("first_failing"), QJsonArray::fromStringList(structCheck.qstrlistFirstFailing)},
                   {QStringLiteral("encrypted"), structCheck.bEncrypted},
                   {QStringLiteral("problem"), structCheck.qstrProblem}});
        return;
    }
    Write(stdout, tr("%1: %2, %3 files, %4")
                          .arg(qstrSet, StateText(structCheck.eiState), QString::number(structCheck.iFileCount),
                               SizeText(structCheck.iTotalBytes))
                      + QLatin1Char('\n'));
    if (structCheck.iFailingCount > 0)
        Write(stdout, tr("%1 files are missing or not of their recorded size, among them: %2")
                          .arg(structCheck.iFailingCount)
                          .arg(structCheck.qstrlistFirstFailing.join(QStringLiteral(", ")))
                          + QLatin1Char('\n'));
}

void CConsoleReport::Note(const QString& qstrText)
{
    if (m_bJson)
        return;
    EndProgressLine();
    Write(stdout, qstrText + QLatin1Char('\n'));
}

void CConsoleReport::Progress(const structOperationProgress& progress)
{
    const int iStep = static_cast<int>(progress.eiStep);
    if (m_bJson) {
        WriteJson({{QStringLiteral("event"), QStringLiteral("progress")},
                   {QStringLiteral("step"), progress.eiStep == eiStepBackupRestore_Apps   ? QStringLiteral("apps")
                                            : progress.eiStep == eiStepBackupRestore_Seed ? QStringLiteral("seed")
                                                                                          : QStringLiteral("personal-data")},
                   {QStringLiteral("percent"), progress.iPercent},
                   {QStringLiteral("bytes"), progress.iBytesDone},
                   {QStringLiteral("expected"), progress.iBytesExpected},
                   {QStringLiteral("msecs_left"), progress.iMsecsLeft}});
        return;
    }
    QStringList listParts{QStringLiteral("%1%").arg(progress.iPercent, 3)};
    listParts << (progress.eiStep == eiStepBackupRestore_Apps   ? tr("apps")
                  : progress.eiStep == eiStepBackupRestore_Seed ? CCauseText::SeedStepText()
                                                                : tr("personal data"));
    const QString qstrAmount = CCauseText::ProgressText(progress.iBytesDone, progress.iBytesExpected, progress.iMsecsLeft);
    if (!qstrAmount.isEmpty())
        listParts << qstrAmount;
    const QString qstrLine = listParts.join(QStringLiteral("  "));
    if (m_bTerminal) {
        // Drawn over the previous one; the rest of a longer previous line is cleared.
        Write(stdout, QStringLiteral("\r") + qstrLine + QStringLiteral("\x1b[K"));
        m_bProgressLineOpen = true;
        return;
    }
    if (progress.iPercent == m_iLastPercent && iStep == m_iLastStep)
        return;
    m_iLastPercent = progress.iPercent;
    m_iLastStep = iStep;
    Write(stdout, qstrLine + QLatin1Char('\n'));
}

void CConsoleReport::Finished(bool bSucceeded, const QString& qstrSet, const QString& qstrCauseName,
                              const QString& qstrCause, const QString& qstrWarning)
{
    EndProgressLine();
    if (m_bJson) {
        WriteJson({{QStringLiteral("event"), QStringLiteral("finished")},
                   {QStringLiteral("succeeded"), bSucceeded},
                   {QStringLiteral("set"), qstrSet},
                   {QStringLiteral("cause"), qstrCauseName},
                   {QStringLiteral("message"), bSucceeded ? qstrWarning : qstrCause}});
    } else if (bSucceeded) {
        Write(stdout, tr("Done: %1").arg(qstrSet) + QLatin1Char('\n'));
    }
    if (!bSucceeded)
        Write(stderr, qstrCause + QLatin1Char('\n'));
    else if (!qstrWarning.isEmpty())
        Write(stderr, qstrWarning + QLatin1Char('\n'));
}

void CConsoleReport::Error(const QString& qstrText)
{
    EndProgressLine();
    Write(stderr, qstrText + QLatin1Char('\n'));
}
