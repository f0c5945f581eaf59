// Start-up: toolkit, single instance, program folder, translation, log, then
// the main window and its event loop.
#include "AppGlobals.h"
#include "CDeviceMonitor.h"
#include "CDllTextLogQT.h"
#include "CFontSubstitutes.h"
#include "CProgramStart.h"
#include "CSingleInstance.h"
#include "CTranslation.h"
#include "Corvina.h"
#include "InstancePlatform.h"
#include "LogCallSite.h"
#include "SharedTypes.h"
#include "TerminationSignals.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>

namespace {

void CentreOnScreen(QWidget* window)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect desktop = screen->geometry();
    window->move((desktop.width() - window->width()) / 2, (desktop.height() - window->height()) / 2);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    // Lets the desktop match the window to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.pelora.Corvina"));
    const QLocale locale = QLocale::system();

    if (!CSingleInstance::StepA()) {
        CSingleInstance::Release();
        return -1;
    }

    RegisterSharedMetaTypes();
    CProgramStart::SetProgramPaths();
    CSingleInstance::Platform().ChangeCurrentDirectory(g_baAppDirPath.toStdString());
    QCoreApplication::addLibraryPath(g_qstrAppDirPath + QStringLiteral("/plugins"));

#if !defined(Q_OS_WIN)
    CFontSubstitutes::Install();
#endif
    g_iLanguage = locale.language();
    CTranslation::Install(&application, g_qstrAppDirPath, g_iLanguage);
    CTranslation::InstallQt(&application, QLibraryInfo::path(QLibraryInfo::TranslationsPath), g_iLanguage);

    CProgramStart::LoadLogLibrary();
    TEXTLOG("\xD6\xD0\xCE\xC4");

    // Watched before the window exists, so that a request during start-up
    // (the driver box included) takes the same road as one that comes later.
    // Also closes a dialog that is open, which ends its own event loop first.
    Corvina* window = nullptr;
    TerminationSignals::IgnoreBrokenPipes();
    TerminationSignals::Watch([&window]() {
        if (window != nullptr)
            window->CloseWithoutAsking();
        QApplication::closeAllWindows();
    });
    window = new Corvina(nullptr);
    if (window->MustEnd()) {
        delete window;
        window = nullptr;
        CSingleInstance::Release();
        return 0;
    }
    window->resize(959, 601);
    window->show();
    CentreOnScreen(window);

    const int iExitCode = application.exec();
    delete window;
    window = nullptr;
    // No device may be read (pairing, TLS) while the process and its libraries end.
    CDeviceMonitor::EndNotifications();
    CSingleInstance::Release();
    return iExitCode;
}
