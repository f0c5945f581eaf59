// Which translation is chosen for a language, and what shows when it cannot
// be loaded.
#include "CTranslation.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include <utility>

class TestTranslation : public QObject
{
    Q_OBJECT

private:
    static QString Title() { return QCoreApplication::translate("Corvina", "IOS Backup Restore"); }

private slots:
    void chosenByLanguage()
    {
        // Chinese in any script gets the Chinese texts; every other language the English ones.
        const std::pair<QLocale::Language, QString> cases[] = {
            {QLocale(QStringLiteral("zh_TW")).language(), QStringLiteral("iOS 备份还原")},
            {QLocale::French, QStringLiteral("iOS Backup & Restore")}};
        for (const auto& [language, title] : cases) {
            QTranslator* translator
                = CTranslation::Install(QCoreApplication::instance(), QStringLiteral(CORVINA_PROGRAM_DIR), language);
            QVERIFY(translator != nullptr);
            QCOMPARE(Title(), title);
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }

    void missingOrCorruptFileShowsSourceTexts()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(CTranslation::Install(QCoreApplication::instance(), dir.path(), QLocale::Chinese) == nullptr);
        QCOMPARE(Title(), QStringLiteral("IOS Backup Restore"));

        QFile corrupt(dir.filePath(QStringLiteral("corvina_en.qm")));
        QVERIFY(corrupt.open(QIODevice::WriteOnly));
        corrupt.write("this is not a translation file");
        corrupt.close();
        QVERIFY(CTranslation::Install(QCoreApplication::instance(), dir.path(), QLocale::English) == nullptr);
        QCOMPARE(Title(), QStringLiteral("IOS Backup Restore"));
    }
};

QTEST_GUILESS_MAIN(TestTranslation)
#include "TestTranslation.moc"
