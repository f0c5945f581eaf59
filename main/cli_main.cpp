// corvina-cli: Corvina from a shell. The same sets, markers, causes, checks,
// log and settings as the window, with Qt Core only: no display is needed and
// no widget library is loaded. `corvina` runs it when its first argument is a
// command.
#include "AppGlobals.h"
#include "CCliSession.h"
#include "CCommandLine.h"
#include "CConsoleReport.h"
#include "CDeviceMonitor.h"
#include "CProgramStart.h"
#include "CTranslation.h"
#include "LogCallSite.h"
#include "SharedTypes.h"
#include "Terminal.h"
#include "TerminationSignals.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

#include <cstdio>

namespace {

void WriteText(std::FILE* stream, const QString& qstrText)
{
    const QByteArray bytes = qstrText.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    // The window's name: the same settings and log folders of an installed copy.
    QCoreApplication::setApplicationName(QStringLiteral("Corvina"));
    RegisterSharedMetaTypes();
    CProgramStart::SetProgramPaths();
    g_iLanguage = QLocale::system().language();
    CTranslation::Install(&application, g_qstrAppDirPath, g_iLanguage);
    CTranslation::InstallQt(&application, QLibraryInfo::path(QLibraryInfo::TranslationsPath), g_iLanguage);
    CProgramStart::LoadLogLibrary();
    TEXTLOG("%s", LOG8(QCoreApplication::arguments().join(QLatin1Char(' '))));

    structCliRequest request;
    QString qstrError;
    if (!CCommandLine::Parse(QCoreApplication::arguments().mid(1), request, qstrError)) {
        WriteText(stderr, qstrError + QLatin1Char('\n')
                              + QCoreApplication::translate("CCommandLine", "Try: corvina --help") + QLatin1Char('\n'));
        return eiCliExit_Usage;
    }
    if (request.eiCommand == eiCliCommand_Help) {
        WriteText(stdout, CCommandLine::HelpText());
        return eiCliExit_Done;
    }

    CConsoleReport report(request.bJson, Terminal::IsTerminal(1));
    auto* session = new CCliSession(request, report);
    QObject::connect(session, &CCliSession::signal_Done, &application, &QCoreApplication::exit);
    TerminationSignals::IgnoreBrokenPipes();
    TerminationSignals::Watch([session]() { session->Interrupt(); });
    session->Start();
    const int iExitCode = application.exec();
    delete session;
    // No device may be read (pairing, TLS) while the process and its libraries end.
    CDeviceMonitor::EndNotifications();
    return iExitCode;
}
