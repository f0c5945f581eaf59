#include "CTranslation.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

QString CTranslation::FileNameFor(int iLanguage)
{
    return iLanguage == QLocale::Chinese ? QStringLiteral("corvina_zh.qm") : QStringLiteral("corvina_en.qm");
}

QTranslator* CTranslation::Install(QCoreApplication* application, const QString& qstrFolder, int iLanguage)
{
    auto* translator = new QTranslator(application);
    if (!translator->load(qstrFolder + QLatin1Char('/') + FileNameFor(iLanguage))) {
        delete translator;
        return nullptr;
    }
    application->installTranslator(translator);
    return translator;
}
