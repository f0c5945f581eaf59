// libFuzzer entry for the readers of input that comes from outside: a tool's
// output, a backup set's files, a device's property lists. Each program built
// from this file runs the one function CORVINA_FUZZ_TARGET names. Besides the
// sanitizers, each checks what its reader promises whatever the bytes.
#include "AppGlobals.h"
#include "CBackup.h"
#include "CBackupSetCheck.h"
#include "CFValueToText.h"
#include "CFailureClassifier.h"
#include "CMobileDeviceDriver.h"
#include "CStaticPubFunc.h"
#include "CToolOutputScanner.h"
#include "ThreadDeviceRestore.h"
#include "dialogBackupSelect.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Check(bool bHolds, const char* szWhat)
{
    if (bHolds)
        return;
    std::fprintf(stderr, "broken promise: %s\n", szWhat);
    std::abort();
}

QString Text(const uint8_t* data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

QTemporaryDir& Scratch()
{
    static QTemporaryDir* const scratch = new QTemporaryDir;
    return *scratch;
}

void WriteFile(const QString& qstrPath, const uint8_t* data, size_t size)
{
    QFile file(qstrPath);
    Check(file.open(QIODevice::WriteOnly), "scratch file writable");
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
}

// A name a set's files give that passes the file-name check stays inside its folder.
void CheckStaysInside(const QString& qstrFolder, const QString& qstrName)
{
    if (CStaticPubFunc::IsPlainFileName(qstrName))
        Check(QFileInfo(QDir::cleanPath(CBackup::JoinPath(qstrFolder, qstrName))).path() == qstrFolder,
              "a plain file name stays in its folder");
}

} // namespace

// Apps of ideviceinstaller's list: never more than lines after the heading.
int FuzzAppList(const uint8_t* data, size_t size)
{
    const QString qstrOutput = Text(data, size);
    QList<structAppInfo> listApps;
    CDeviceOperater::ParseAppList(qstrOutput, listApps);
    Check(listApps.size() <= qstrOutput.count(QLatin1Char('\n')), "one app per line after the heading");
    for (const structAppInfo& app : listApps)
        Check(!app.qstrAppID.contains(QLatin1Char('\n')), "an app within its line");
    return 0;
}

// What the scanner sees must not depend on how the output was cut into reads.
// Input: argument texts separated by tabs, a line end, then the output; bytes
// 0x00 end a read; 0x01, a count in two bytes (high first) and a byte other
// than a line end stand for that many copies of the byte (long lines; up to
// 72 K characters in all); the first byte's low bit sends everything to
// standard error.
int FuzzToolOutput(const uint8_t* data, size_t size)
{
    QByteArray baInput(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype iHeadEnd = baInput.indexOf('\n');
    const QStringList listArguments =
        iHeadEnd < 0 ? QStringList() : QString::fromUtf8(baInput.left(iHeadEnd)).split(QLatin1Char('\t'));
    const bool bStdError = size > 0 && (data[0] & 1) != 0;
    QByteArray baOutput;
    for (qsizetype i = iHeadEnd + 1; i < baInput.size(); ++i) {
        if (baInput.at(i) == '\x01' && i + 3 < baInput.size() && baOutput.size() < 72 * 1024
            && baInput.at(i + 3) != '\n' && baInput.at(i + 3) != '\r') {
            baOutput.append(static_cast<uint8_t>(baInput.at(i + 1)) * 256 + static_cast<uint8_t>(baInput.at(i + 2)),
                            baInput.at(i + 3));
            i += 3;
        } else {
            baOutput.append(baInput.at(i));
        }
    }
    // Decoded once, so that a character cut by a read boundary stays whole.
    const QStringList listReads = QString::fromUtf8(baOutput).split(QChar(0));
    const auto scan = [&](CToolOutputScanner& scanner, const QString& qstrRead, bool bEnded) {
        return scanner.ScanRead(bStdError ? QString() : qstrRead, bStdError ? qstrRead : QString(), bEnded);
    };
    CToolOutputScanner wholeScanner(listArguments);
    const CToolOutputScanner::structScan whole = scan(wholeScanner, listReads.join(QString()), true);

    CToolOutputScanner readScanner(listArguments);
    bool bErrorWord = false;
    QString qstrProgress;
    for (qsizetype i = 0; i < listReads.size(); ++i) {
        const CToolOutputScanner::structScan read =
            scan(readScanner, listReads.at(i), i + 1 == listReads.size());
        bErrorWord = bErrorWord || read.bErrorWord;
        if (read.bFinished)
            qstrProgress = read.qstrProgress;
    }
    Check(bErrorWord == whole.bErrorWord, "error words found however the reads fall");
    Check(qstrProgress == whole.qstrProgress, "progress read however the reads fall");
    const structToolExit ended{true, 1};
    Check(readScanner.Classifier().Cause(ended, eiFailureCause_None).eiCause
              == wholeScanner.Classifier().Cause(ended, eiFailureCause_None).eiCause,
          "the same cause however the reads fall");
    return 0;
}

// IpaList.txt of a set restored: every entry fails, or the list is passed over
// when none of its archives exists, and none reaches the canary archives
// outside the apps folder, whose install could not start (no tools here) and
// would show as a different cause.
int FuzzIpaList(const uint8_t* data, size_t size)
{
    static ThreadDeviceRestore* const restore = [] {
        auto* thread = new ThreadDeviceRestore;
        thread->qstrBackupDirectory = Scratch().filePath(QStringLiteral("set"));
        thread->qstrIPAFolderName = CBackup::IPAFolderName();
        // With the personal data to follow, a list whose archives are all
        // missing (a set of a device that never archived apps) is no failure.
        thread->bRestorePersonalData = true;
        QDir().mkpath(thread->qstrBackupDirectory + QStringLiteral("/IPA_Backup"));
        for (const QString& qstrCanary : {QStringLiteral("set/Canary.ipa"), QStringLiteral("Root.ipa")})
            WriteFile(Scratch().filePath(qstrCanary), reinterpret_cast<const uint8_t*>("PK"), 2);
        return thread;
    }();
    const QString qstrAppsFolder = restore->qstrBackupDirectory + QStringLiteral("/IPA_Backup");
    WriteFile(qstrAppsFolder + QStringLiteral("/IpaList.txt"), data, size);
    QString strErrorMessage;
    // The step is called without a run around it: its count goes on from the last input.
    const int iFailedBefore = restore->AppFailedCount();
    Check(restore->RestoreApps(strErrorMessage), "a list alone never fails the step");
    Check(restore->AppFailedCount() - iFailedBefore <= QByteArray::fromRawData(reinterpret_cast<const char*>(data),
                                                              static_cast<qsizetype>(size)).count('\n') + 1,
          "one app per line");
    const enumFailureCause eiCause = restore->AppsFailureCause().eiCause;
    // The list itself is the one non-empty file the apps folder holds.
    if (!QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)).contains("IpaList.txt"))
        Check(eiCause == eiFailureCause_None || eiCause == eiFailureCause_BackupIncomplete,
              "no install of an archive outside the apps folder");
    QString qstrName;
    qint64 iSize = 0;
    const QString qstrText = CStaticPubFunc::ReadFileToString(qstrAppsFolder + QStringLiteral("/IpaList.txt"), qstrName,
                                                              iSize, strErrorMessage, CBackup::iIpaListMaxBytes);
    for (const QString& qstrEntry : CBackup::IpaListEntries(qstrText))
        CheckStaysInside(qstrAppsFolder, qstrEntry);
    return 0;
}

// BackupFlag.ini of a set: the folders it names stay inside the set once
// checked. A file of its own per run: the settings reader caches by path.
int FuzzBackupFlag(const uint8_t* data, size_t size)
{
    static int iRun = 0;
    const QString qstrSet = Scratch().filePath(QStringLiteral("flag%1").arg(++iRun % 512));
    QDir().mkpath(qstrSet);
    WriteFile(CBackup::JoinPath(qstrSet, CBackup::BackupFlagFileName()), data, size);
    QString qstrDataFolderName;
    QString qstrIPAFolderName;
    CBackup::ReadBackupFlag(qstrSet, qstrDataFolderName, qstrIPAFolderName);
    CheckStaysInside(qstrSet, qstrDataFolderName);
    CheckStaysInside(qstrSet, qstrIPAFolderName);
    return 0;
}

// A set folder's name as the selection dialog shows it.
int FuzzSetName(const uint8_t* data, size_t size)
{
    const QString qstrName = Text(data, size);
    const QString qstrRow = dialogBackupSelect::RowText(qstrName);
    Check(qstrRow.isEmpty() == !qstrName.contains(QStringLiteral("_@_@_")), "a row for every time_@_@_device");
    Check(qstrRow.isEmpty() || qstrRow.contains(QStringLiteral("\t\t")), "time and device apart");
    return 0;
}

// Input: a byte for the ending (bit 0: ended by itself, bits 1-2: why the
// program ended it), the exit code, then lines; odd lines on standard error.
int FuzzFailureCause(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const enumFailureCause aReasons[] = {eiFailureCause_None, eiFailureCause_Disconnected, eiFailureCause_Cancelled,
                                         eiFailureCause_None};
    const enumFailureCause eiEndReason = aReasons[(data[0] >> 1) & 3];
    CFailureClassifier classifier;
    const QStringList listLines = Text(data + 2, size - 2).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < listLines.size(); ++i)
        classifier.AddLine(listLines.at(i), listLines.at(i), i % 2 == 1,
                           CToolOutputScanner::ContainsErrorWord(listLines.at(i)));
    const structFailureCause cause = classifier.Cause({(data[0] & 1) != 0, data[1]}, eiEndReason);
    Check(cause.eiCause != eiFailureCause_None, "a failed run has a cause");
    Check(eiEndReason != eiFailureCause_Cancelled || cause.eiCause == eiFailureCause_Cancelled, "Cancel wins");
    Check(cause.qstrDetail.size() <= CFailureClassifier::iDetailLength, "the detail is cut");
    return 0;
}

// A property list (XML or binary) through the program's Core Foundation
// library; arrays and dictionaries come out as XML that reads back. (Not
// always equal: the XML writer ends a string at a NUL character.)
int FuzzPropertyList(const uint8_t* data, size_t size)
{
    const MobileDeviceEntryPoints& cf = CMobileDeviceDriver::EntryPoints();
    const CFDataRef bytes = cf.CFDataCreate(nullptr, data, static_cast<CFIndex>(size));
    const CFPropertyListRef value = cf.CFPropertyListCreateWithData(nullptr, bytes, 0, nullptr, nullptr);
    cf.CFRelease(bytes);
    if (value == nullptr)
        return 0;
    const QByteArray baText = CFValueToText(value).toUtf8();
    const CFTypeID typeId = cf.CFGetTypeID(value);
    if (typeId == cf.CFDictionaryGetTypeID() || typeId == cf.CFArrayGetTypeID()) {
        const CFDataRef xml = cf.CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(baText.constData()),
                                              baText.size());
        const CFPropertyListRef again = cf.CFPropertyListCreateWithData(nullptr, xml, 0, nullptr, nullptr);
        Check(again != nullptr && cf.CFGetTypeID(again) == typeId, "the XML text reads back");
        cf.CFRelease(again);
        cf.CFRelease(xml);
    }
    cf.CFRelease(value);
    return 0;
}

// The record of a Manifest.db row: a size is never negative, and the same
// bytes read the same.
int FuzzManifestRecord(const uint8_t* data, size_t size)
{
    qint64 iSize = -1;
    const bool bRead = CBackupSetCheck::RecordSize(reinterpret_cast<const char*>(data), qint64(size), iSize);
    Check(!bRead || iSize >= 0, "a record's size is not negative");
    qint64 iAgain = -1;
    Check(CBackupSetCheck::RecordSize(reinterpret_cast<const char*>(data), qint64(size), iAgain) == bRead
              && (!bRead || iAgain == iSize),
          "a record reads the same twice");
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // The device library must not find a device: it looks where nothing listens.
    qputenv("USBMUXD_SOCKET_ADDRESS", "127.0.0.1:9");
    // No tool can be started: an install that is tried fails at once.
    qputenv("PATH", QFile::encodeName(Scratch().path()));
    static QCoreApplication* const application = new QCoreApplication(*argc, *argv);
    Q_UNUSED(application);
    // Qt's warnings about odd file names would only slow the runs down.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    if (&CORVINA_FUZZ_TARGET == &FuzzPropertyList)
        Check(CMobileDeviceDriver::LoadDriver(nullptr, nullptr, QStringLiteral(CORVINA_PROGRAM_DIR).toStdWString()),
              "driver libraries loaded");
    g_qstrAppDirPath = Scratch().path();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return CORVINA_FUZZ_TARGET(data, size);
}
