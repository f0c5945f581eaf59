// Which translation is chosen for a language, and what shows when it cannot
// be loaded.
#include "CTranslation.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

class TestTranslation : public QObject
{
    Q_OBJECT

private:
    static QString Title() { return QCoreApplication::translate("Corvina", "IOS Backup Restore"); }

private slots:
    void chosenByLanguage()
    {
        QCOMPARE(CTranslation::FileNameFor(QLocale::Chinese), QStringLiteral("corvina_zh.qm"));
        QCOMPARE(CTranslation::FileNameFor(QLocale(QStringLiteral("zh_TW")).language()), QStringLiteral("corvina_zh.qm"));
        QCOMPARE(CTranslation::FileNameFor(QLocale::English), QStringLiteral("corvina_en.qm"));
        QCOMPARE(CTranslation::FileNameFor(QLocale::German), QStringLiteral("corvina_en.qm"));

        const QString folder = QStringLiteral(CORVINA_PROGRAM_DIR);
        QTranslator* chinese = CTranslation::Install(QCoreApplication::instance(), folder, QLocale::Chinese);
        QVERIFY(chinese != nullptr);
        QCOMPARE(Title(), QStringLiteral("iOS 备份还原"));
        QCoreApplication::removeTranslator(chinese);
        delete chinese;

        QTranslator* english = CTranslation::Install(QCoreApplication::instance(), folder, QLocale::French);
        QVERIFY(english != nullptr);
        QCOMPARE(Title(), QStringLiteral("iOS Backup & Restore"));
        QCoreApplication::removeTranslator(english);
        delete english;
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
