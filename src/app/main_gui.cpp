// The GUI program: Qt services, the machine's drives and the windows, wired together once.
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QPrinter>
#include <QTranslator>
#include <memory>
#include <string>

#include "core/default_drive.h"
#include "device/real/pulse_sink.h"
#include "device/silent_sink.h"
#include "player/cdoke.h"
#include "player/player_transport.h"
#include "qt/font_resolver.h"
#include "qt/form_window.h"
#include "qt/key_preview.h"
#include "qt/mpris.h"
#include "qt/raising_instance.h"
#include "qt/qt_dialogs.h"
#include "qt/qt_form_host.h"
#include "qt/qt_printer.h"
#include "qt/qt_scheduler.h"
#include "qt/qt_services.h"
#include "qt/real_drive_set.h"
#include "common/app.h"
#include "windows/windows.h"

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("LIRAFOK"));
    // One look everywhere: Fusion draws the controls' own colours faithfully.
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setFont(lirafok::qt::applicationFont());
    // Windows come and go as the program decides; only the program's end quits.
    qapp.setQuitOnLastWindowClosed(false);
    // Every text the user reads is Japanese, Qt's own dialog texts included.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    using namespace lirafok;
    qt::QtScheduler scheduler;
    qt::QtFormHost host;
    QPrinter printer(QPrinter::HighResolution);
    qt::QtDialogs dialogs(printer);
    // One connection to the sound server for the disc's music and the cues; without a server
    // the discs still play, on time, through a clocked silent sink, and the cues are silent.
    const auto pulse = device::real::PulseConnection::connect("LIRAFOK");
    qt::QtSoundCues cues(pulse ? std::make_unique<device::real::PulseSink>(pulse, "cue", 150)
                               : nullptr);
    qt::DBusScreenSaver saver;
    qt::QtClipboard clipboard;
    qt::QtPrinter paper(printer, host);
    // Each PDF asks where it goes, proposing the label's name in the documents folder; the
    // dialog asks before it replaces a file.
    paper.askPdfPath = [](const QString& suggested) {
        return QFileDialog::getSaveFileName(QApplication::activeWindow(),
                                            QString::fromUtf8("PDF に保存"), suggested,
                                            QStringLiteral("PDF (*.pdf)"));
    };
    qt::QtInstalledFonts fonts;
    qt::QtScreen screen;
    qt::RaisingInstance instance;

    // The only command line the program knows is AutoPlay's: the program directory, a blank
    // and the drive.
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += QString::fromLocal8Bit(argv[i]).toStdString();
    }
    // The program directory is the current directory, or the one the AutoPlay command line
    // names (start-up moves there); the virtual drive's disc lives in its disc folder.
    QDir programDir = QDir::current();
    if (const auto blank = commandLine.find(' '); blank != std::string::npos)
        programDir.setPath(QString::fromStdString(commandLine.substr(0, blank)));
    core::ensureDefaultDriveData();
    qt::RealDriveSet drives(programDir.absoluteFilePath(QStringLiteral("disc")).toStdString(),
                            scheduler, [pulse]() -> std::unique_ptr<device::AudioSink> {
                                if (!pulse) return std::make_unique<device::SilentSink>();
                                return std::make_unique<device::real::PulseSink>(pulse, "CD");
                            });

    // A disc image or audio folder dropped on the main window goes into the virtual drive;
    // the main window's disc polling then finds the new disc.
    // What cannot be put in is told, naming the file.
    host.onDropPath = [&drives, &dialogs](ui::Form& form, const std::string& path) {
        if (form.name() != CDOKE::kName) return false;
        std::string error;
        if (drives.loadIntoVirtualDrive(path, &error)) return true;
        dialogs.messageBox(error, ui::mb::kOkOnly + ui::mb::kExclamation, "LIRAFOK");
        return false;
    };

    App app(Services{scheduler, host, dialogs, cues, saver, clipboard, paper, fonts, screen,
                     instance, drives});
    registerWindows(app);
    app.onEnded = [] { QCoreApplication::quit(); };

    // Another copy started by the user, the desktop's player widget: the main window comes to
    // the front.
    auto raiseMain = [&app, &host] {
        ui::Form* main = app.loadedForm<CDOKE>();
        qt::FormWindow* window = main ? host.windowOf(*main) : nullptr;
        if (!window) return;
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        window->show();
        window->raise();
        window->activateWindow();
    };
    instance.onRaiseRequest = raiseMain;
    // Space, the arrows and the media keys in the main window; media keys and player widgets
    // of the desktop through MPRIS on the session bus (without a bus the program runs alone).
    qt::KeyPreview::install();
    PlayerTransport transport(app);
    qt::MprisService mpris(transport, QStringLiteral("lirafok"));
    mpris.onRaise = raiseMain;

    if (!app.run(commandLine) || app.ended()) return 0;
    mpris.registerOn();
    return qapp.exec();
}
