#include "CTranslation.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

QString CTranslation::FileNameFor(int iLanguage)
{
    return iLanguage == QLocale::Chinese ? QStringLiteral("corvina_zh.qm") : QStringLiteral("corvina_en.qm");
}

QString CTranslation::QtFileNameFor(int iLanguage)
{
    return iLanguage == QLocale::Chinese ? QStringLiteral("qtbase_zh_CN.qm") : QString();
}

QTranslator* CTranslation::Load(QCoreApplication* application, const QString& qstrFile)
{
    auto* translator = new QTranslator(application);
    if (!translator->load(qstrFile)) {
        delete translator;
        return nullptr;
    }
    application->installTranslator(translator);
    return translator;
}

QTranslator* CTranslation::Install(QCoreApplication* application, const QString& qstrFolder, int iLanguage)
{
    return Load(application, qstrFolder + QLatin1Char('/') + FileNameFor(iLanguage));
}

QTranslator* CTranslation::InstallQt(QCoreApplication* application, const QString& qstrFolder, int iLanguage)
{
    const QString qstrName = QtFileNameFor(iLanguage);
    return qstrName.isEmpty() ? nullptr : Load(application, qstrFolder + QLatin1Char('/') + qstrName);
}
