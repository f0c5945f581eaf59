// Chooses and installs the translation by the system locale's language.
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

    // Loads the file of iLanguage from qstrFolder into a translator owned by
    // the application and installs it; null (source texts show) when it does
    // not load.
    static QTranslator* Install(QCoreApplication* application, const QString& qstrFolder, int iLanguage);
};

#endif
