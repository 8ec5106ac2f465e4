// The GUI program: Qt services, the machine's drives and the windows, wired together once.
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QPrinter>
#include <QTranslator>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "core/default_drive.h"
#include "core/program_folder.h"
#include "device/real/pulse_sink.h"
#include "device/silent_sink.h"
#include "player/cdoke.h"
#include "player/player_transport.h"
#include "qt/font_resolver.h"
#include "qt/form_window.h"
#include "qt/key_preview.h"
#include "qt/mpris.h"
#include "qt/online_client.h"
#include "qt/raising_instance.h"
#include "qt/qt_dialogs.h"
#include "qt/qt_form_host.h"
#include "qt/qt_printer.h"
#include "qt/qt_scheduler.h"
#include "qt/qt_services.h"
#include "qt/real_drive_set.h"
#include "common/app.h"
#include "windows/windows.h"

namespace {

const char kUsage[] =
    "使い方: lirafok\n"
    "        lirafok プログラムフォルダー ドライブ\n"
    "音楽CDとCDイメージを歌詞つきで演奏するカラオケCDプレーヤーです。\n"
    "\n"
    "  引数なし        プログラムフォルダーで起動します。環境変数 LIRAFOK_HOME、\n"
    "                  設定ファイル LIRAFOK.INI のある現在のフォルダー、\n"
    "                  ~/.local/share/lirafok の順に選び、初めての起動では\n"
    "                  設定・フォントリスト・ヘルプ・効果音・デモディスクを用意します。\n"
    "  フォルダー ドライブ\n"
    "                  自動演奏の起動です。そのフォルダーで起動し、ドライブ\n"
    "                  (/dev/sr0、仮想ドライブのフォルダー) から演奏します。\n"
    "  --help          この説明を表示して終了します。\n"
    "  --version       バージョンを表示して終了します。\n"
    "\n"
    "主なキー: スペース 演奏/一時停止、← → 5秒戻る/進む、↑ ↓ 前/次の曲、\n"
    "          メディアキー、Ctrl+O ディスクを開く、F11 CD+G ウィンドウ。\n"
    "詳しくは man lirafok をご覧ください。\n";

// The shipped files of this program: the source tree's data/ and the build's generator when it
// runs from its build folder, the installed ones otherwise.
lirafok::core::ShippedFiles shippedFiles() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && exe.parent_path() == std::filesystem::path(LIRAFOK_BUILD_DIR))
        return {LIRAFOK_SOURCE_DATA_DIR, LIRAFOK_BUILD_DIR "/tools/lirafok-make-demo"};
    return {LIRAFOK_INSTALLED_DATA_DIR, LIRAFOK_INSTALLED_HELPER_DIR "/lirafok-make-demo"};
}

// Prepares the user's program folder on the first start; the program runs on without it (with
// its built-in settings) when that fails.
void prepareIfNew(const std::string& folder) {
    if (!lirafok::core::needsPreparing(folder)) return;
    std::fprintf(stderr, "LIRAFOK: %s を準備しています\n", folder.c_str());
    std::string why;
    if (!lirafok::core::prepareProgramFolder(folder, shippedFiles(), &why))
        std::fprintf(stderr, "LIRAFOK: %s を準備できません: %s\n", folder.c_str(), why.c_str());
}

std::string currentDirectory() {
    char buf[PATH_MAX];
    return getcwd(buf, sizeof buf) ? std::string(buf) : std::string();
}

}  // namespace

int main(int argc, char** argv) {
    using namespace lirafok;
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("lirafok %s\n", LIRAFOK_VERSION);
        return 0;
    }
    // Without the AutoPlay command line the program runs in its program folder, prepared on
    // the first start; AutoPlay names the folder itself (start-up moves there), and the user's
    // own folder is prepared when it is the one named.
    bool autoPlay = false;
    for (int i = 1; i < argc && !autoPlay; ++i) autoPlay = i > 1 || std::strchr(argv[i], ' ');
    if (!autoPlay) {
        const std::string folder = core::programFolderForStart(currentDirectory());
        prepareIfNew(folder);
        if (chdir(folder.c_str()) != 0)
            std::fprintf(stderr, "LIRAFOK: %s に移動できません\n", folder.c_str());
    } else {
        std::error_code ec;
        const std::string own = core::userProgramFolder();
        std::string named = argv[1];
        if (const auto blank = named.find(' '); blank != std::string::npos) named.resize(blank);
        if (std::filesystem::weakly_canonical(named, ec) ==
            std::filesystem::weakly_canonical(own, ec))
            prepareIfNew(own);
    }

    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("LIRAFOK"));
    // The desktop entry: a Wayland desktop shows its name and icon for the program's windows.
    QApplication::setDesktopFileName(QStringLiteral("lirafok"));
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

    // Titles and lyrics from online databases, asked only once the user has agreed.
    qt::QtOnlineLookup online;
    App app(Services{scheduler, host, dialogs, cues, saver, clipboard, paper, fonts, screen,
                     instance, drives, &online});
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
