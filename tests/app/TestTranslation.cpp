// Which translations are chosen for a language, Corvina's and Qt's own, and
// what shows when they cannot be loaded.
#include "CTranslation.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

class TestTranslation : public QObject
{
    Q_OBJECT

private:
    static QString Title() { return QCoreApplication::translate("Corvina", "IOS Backup Restore"); }
    // The Yes button of Qt's question boxes.
    static QString Yes() { return QCoreApplication::translate("QPlatformTheme", "&Yes"); }

private slots:
    void chosenByLanguage_data()
    {
        QTest::addColumn<int>("iLanguage");
        QTest::addColumn<QString>("qstrTitle");
        QTest::addColumn<QString>("qstrYes");
        // Chinese in any script gets the Chinese texts; every other language the English ones.
        QTest::newRow("Chinese") << int(QLocale(QStringLiteral("zh_TW")).language()) << QStringLiteral("iOS 备份恢复")
                                 << QStringLiteral("是(&Y)");
        QTest::newRow("French") << int(QLocale::French) << QStringLiteral("iOS Backup & Restore") << QStringLiteral("&Yes");
    }

    void chosenByLanguage()
    {
        QFETCH(int, iLanguage);
        QFETCH(QString, qstrTitle);
        QFETCH(QString, qstrYes);
        QTranslator* translator
            = CTranslation::Install(QCoreApplication::instance(), QStringLiteral(CORVINA_PROGRAM_DIR), iLanguage);
        QTranslator* qt = CTranslation::InstallQt(QCoreApplication::instance(),
                                                  QLibraryInfo::path(QLibraryInfo::TranslationsPath), iLanguage);
        QVERIFY(translator != nullptr);
        QCOMPARE(Title(), qstrTitle);
        QCOMPARE(Yes(), qstrYes);
        for (QTranslator* installed : {translator, qt}) {
            QCoreApplication::removeTranslator(installed);
            delete installed;
        }
    }

    void missingOrCorruptFileShowsSourceTexts()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        QVERIFY(CTranslation::Install(QCoreApplication::instance(), dir.path(), QLocale::Chinese) == nullptr);
        QVERIFY(CTranslation::InstallQt(QCoreApplication::instance(), dir.path(), QLocale::Chinese) == nullptr);
        QCOMPARE(Title(), QStringLiteral("IOS Backup Restore"));
        QCOMPARE(Yes(), QStringLiteral("&Yes"));

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
