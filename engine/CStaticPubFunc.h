// Small file operations shared by the backup and restore engine and the pages.
// All are static, keep no state and may be called from any thread.
#ifndef CORVINA_CSTATICPUBFUNC_H
#define CORVINA_CSTATICPUBFUNC_H

#include <QString>
#include <QtGlobal>

// A file's name and size as GetFileInfo reads them.
struct structFileInfo
{
    QString qstrFileName;
    qint64 iFileSize = 0; // 64 bits: app archives can be larger than 2 GiB
};

class CStaticPubFunc
{
public:
    // The text with each of \ / : * ? " < > | replaced by "_".
    static QString ReplaceIllegalFileNameChars(QString qstrText);

    // Writes the text as Latin-1 bytes ("?" for other characters), replacing
    // the file. False when the file cannot be opened for writing.
    static bool WriteStringToFile(const QString& qstrFilePath, const QString& qstrContent);

    // Fills the record from the file system, without opening the file. When
    // it is no readable regular file (missing, unreadable, a folder, a pipe)
    // the record stays as it was and strErrorMessage is replaced. Always true:
    // callers judge by the size.
    static bool GetFileInfo(QString qstrFilePath, structFileInfo& structFileInfoThis, QString& strErrorMessage);

    // The whole file as text, read in text mode (carriage returns dropped) in
    // the locale's code page, a byte-order mark recognised; with iMaxChars
    // >= 0 at most that many characters. Empty text, the outputs unchanged and
    // strErrorMessage replaced when it is no regular file or cannot be opened.
    static QString ReadFileToString(QString qstrFilePath, QString& qstrFileName, qint64& iFileSize,
                                    QString& strErrorMessage, qint64 iMaxChars = -1);

    // Creates the folder and its missing parents, walking the path in pieces
    // that end at each native separator; each piece is tried twice and failures
    // are otherwise ignored. False for an empty path only.
    static bool CreateMultiLevelDirectory(QString qstrDirPath);

    // Whether the text names a file directly inside a folder: not empty, not
    // "." or "..", no "/" or "\", not absolute and no drive prefix.
    static bool IsPlainFileName(const QString& qstrName);
};

#endif
