#include "CStaticPubFunc.h"

#include "LogCallSite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

QString CStaticPubFunc::ReplaceIllegalFileNameChars(QString qstrText)
{
    static const char acIllegal[] = {'\\', '/', ':', '*', '?', '"', '<', '>', '|'};
    for (const char cIllegal : acIllegal)
        qstrText.replace(QLatin1Char(cIllegal), QLatin1Char('_'));
    return qstrText;
}

bool CStaticPubFunc::WriteStringToFile(const QString& qstrFilePath, const QString& qstrContent)
{
    TEXTLOG("Enter : qstrFilePath : %s", LOG8(qstrFilePath));
    QFile QFileThis(qstrFilePath);
    if (!QFileThis.open(QIODevice::WriteOnly)) {
        TEXTLOG("Exit : QFileThis.open failed");
        return false;
    }
    QFileThis.write(qstrContent.toLatin1());
    QFileThis.close();
    TEXTLOG("Exit");
    return true;
}

bool CStaticPubFunc::GetFileInfo(QString qstrFilePath, structFileInfo& structFileInfoThis, QString& strErrorMessage)
{
    TEXTLOG("Enter : qstrFilePath : %s", LOG8(qstrFilePath));
    // Read from the file system without opening the file: opening a pipe
    // would block for ever, and only a regular file counts.
    const QFileInfo fileInfo(qstrFilePath);
    if (!fileInfo.isFile() || !fileInfo.isReadable()) {
        strErrorMessage = QStringLiteral("QFileThis.open failed\r\nCStaticPubFunc::GetFileInfo");
        TEXTLOG("Exit : %s", LOG8(strErrorMessage));
        return true;
    }
    structFileInfoThis.qstrFileName = qstrFilePath;
    structFileInfoThis.iFileSize = fileInfo.size();
    TEXTLOG("iFileSize : %lld", static_cast<long long>(structFileInfoThis.iFileSize));
    TEXTLOG("Exit");
    return true;
}

QString CStaticPubFunc::ReadFileToString(QString qstrFilePath, QString& qstrFileName, qint64& iFileSize,
                                         QString& strErrorMessage, qint64 iMaxChars)
{
    TEXTLOG("Enter : qstrFilePath : %s", LOG8(qstrFilePath));
    QFile QFileThis(qstrFilePath);
    // Only a regular file is opened: a pipe would block the open for ever.
    if (!QFileInfo(qstrFilePath).isFile() || !QFileThis.open(QIODevice::ReadOnly | QIODevice::Text)) {
        strErrorMessage = QStringLiteral("QFileThis.open failed\r\nCStaticPubFunc::ReadFileToString");
        TEXTLOG("Exit : %s", LOG8(strErrorMessage));
        return QString();
    }
    qstrFileName = QFileThis.fileName();
    iFileSize = QFileThis.size();
    QTextStream QTextStreamThis(&QFileThis);
    QTextStreamThis.setEncoding(QStringConverter::System);
    QTextStreamThis.setAutoDetectUnicode(true);
    const QString qstrContent = iMaxChars < 0 ? QTextStreamThis.readAll() : QTextStreamThis.read(iMaxChars);
    QFileThis.close();
    TEXTLOG("Exit");
    return qstrContent;
}

bool CStaticPubFunc::CreateMultiLevelDirectory(QString qstrDirPath)
{
    TEXTLOG("Enter : qstrDirPath : %s", LOG8(qstrDirPath));
    if (qstrDirPath.isEmpty())
        return false;
    const QChar qcSeparator = QDir::separator();
    qsizetype iPieceEnd = 0;
    while (iPieceEnd < qstrDirPath.size()) {
        const qsizetype iSeparatorAt = qstrDirPath.indexOf(qcSeparator, iPieceEnd);
        iPieceEnd = iSeparatorAt < 0 ? qstrDirPath.size() : iSeparatorAt + 1;
        const QString qstrPiece = qstrDirPath.left(iPieceEnd);
        // A drive root or an existing folder fails here; the walk goes on.
        if (!QDir().mkdir(qstrPiece))
            QDir().mkdir(qstrPiece);
    }
    TEXTLOG("Exit");
    return true;
}

bool CStaticPubFunc::IsPlainFileName(const QString& qstrName)
{
    if (qstrName.isEmpty() || qstrName == QLatin1String(".") || qstrName == QLatin1String(".."))
        return false;
    if (qstrName.contains(QLatin1Char('/')) || qstrName.contains(QLatin1Char('\\')))
        return false;
    if (QDir::isAbsolutePath(qstrName))
        return false;
    // "C:name" names a file in the current folder of drive C on Windows.
    return !(qstrName.size() >= 2 && qstrName.at(1) == QLatin1Char(':') && qstrName.at(0).isLetter());
}
