// Chooses and installs the translations by the system locale's language:
// Corvina's own, and Qt's for the texts of its standard buttons and dialogs.
#ifndef CORVINA_CTRANSLATION_H
#define CORVINA_CTRANSLATION_H

#include <QString>

class QCoreApplication;
class QTranslator;

class CTranslation
{
public:
    // "corvina_zh.qm" for Chinese (QLocale::Chinese), "corvina_en.qm" for every other language.
    static QString FileNameFor(int iLanguage);

    // Qt's own translation for iLanguage: "qtbase_zh_CN.qm" for Chinese (the
    // same simplified characters as Corvina's texts); empty for every other
    // language, where Qt's English texts match Corvina's.
    static QString QtFileNameFor(int iLanguage);

    // Loads the file of iLanguage from qstrFolder into a translator owned by
    // the application and installs it; null (source texts show) when it does
    // not load.
    static QTranslator* Install(QCoreApplication* application, const QString& qstrFolder, int iLanguage);

    // The same for Qt's own translation, from qstrFolder (the system's, from
    // QLibraryInfo::path(QLibraryInfo::TranslationsPath)); null, silently,
    // when the language needs none or the file is missing there: Qt's
    // buttons and dialogs then stay English.
    static QTranslator* InstallQt(QCoreApplication* application, const QString& qstrFolder, int iLanguage);

private:
    static QTranslator* Load(QCoreApplication* application, const QString& qstrFile);
};

#endif
