// The program as a desktop citizen: the window's keys before its controls, a second copy
// raising the first, and the MPRIS player on a real session bus driven with gdbus.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <thread>
#include <unistd.h>

#include "../support/temp_folder.h"
#include "core/text.h"
#include "player/cdoke.h"
#include "player/player_transport.h"
#include "qt/key_preview.h"
#include "qt/mpris.h"
#include "qt/raising_instance.h"
#include "qt/views_basic.h"
#include "qt_test_support.h"
#include "scenario/headless.h"
#include "windows/windows.h"

namespace lirafok::qt::test {
namespace {

// A form that takes Space and Left for itself.
class KeyedSink : public KitchenSink {
public:
    using KitchenSink::KitchenSink;
    std::vector<std::pair<int, int>> keys;

protected:
    bool Form_KeyDown(int keyCode, int shift) override {
        keys.emplace_back(keyCode, shift);
        return keyCode == ui::key::kSpace || keyCode == ui::key::kLeft;
    }
};

TEST(KeyPreviewTest, TheWindowSeesKeysBeforeItsFocusedControl) {
    app();
    KeyPreview::install();
    QtScheduler scheduler;
    QtFormHost host;
    KeyedSink form(host, scheduler);
    form.show();
    FormWindow* window = host.windowOf(form);
    ASSERT_NE(window, nullptr);
    QApplication::setActiveWindow(window);
    ASSERT_TRUE(waitUntil([&] { return window->isVisible(); }));
    auto* b = dynamic_cast<ButtonView*>(window->viewOf(form.button))->button();
    b->setFocus();
    ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == b; }));

    // Space is the window's: the focused button is not pressed.
    key(b, Qt::Key_Space, " ");
    pump();
    EXPECT_EQ(form.count("button.click"), 0);
    // The media play key (XF86AudioPlay) is play/pause; a key the window leaves (Return, which
    // the timing setter's word mode uses) goes on to the control, and the window saw it once,
    // not once per parent widget.
    key(b, Qt::Key_MediaPlay);
    // The tempo keys reach the window by their own codes.
    key(b, Qt::Key_BracketLeft, "[");
    key(b, Qt::Key_BracketRight, "]");
    key(b, Qt::Key_Return);
    EXPECT_TRUE(waitUntil([&] { return form.count("button.click") == 1; }));
    const std::vector<std::pair<int, int>> seen = {{ui::key::kSpace, 0},
                                                   {ui::key::kMediaPlayPause, 0},
                                                   {ui::key::kBracketLeft, 0},
                                                   {ui::key::kBracketRight, 0},
                                                   {ui::key::kReturn, 0}};
    EXPECT_EQ(form.keys, seen);
    form.destroySilently();
}

TEST(RaisingInstanceTest, ASecondCopyAsksTheFirstToComeForward) {
    app();
    QTemporaryDir dir;
    const QString path = dir.filePath("lirafok.lock");
    RaisingInstance first(path);
    int raised = 0;
    first.onRaiseRequest = [&raised] { ++raised; };
    ASSERT_TRUE(first.acquire());

    // The second copy blocks while it asks; the first answers on its event loop.
    std::atomic<bool> done = false, acquired = true, asked = false;
    std::thread second([&] {
        RaisingInstance copy(path);
        acquired = copy.acquire();
        asked = copy.asked();
        done = true;
    });
    EXPECT_TRUE(waitUntil([&] { return done.load(); }, 5000));
    second.join();
    EXPECT_FALSE(acquired);
    EXPECT_TRUE(asked);
    EXPECT_EQ(raised, 1);
}

// gdbus run without blocking this process's event loop, which has to answer it.
struct Gdbus {
    QString service;
    QString run(const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral("gdbus"), args);
        waitUntil([&] { return p.state() == QProcess::NotRunning; }, 10000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    QString call(const QString& method, const QStringList& args = {}) {
        return run(QStringList{"call", "--session", "--dest", service, "--object-path",
                               "/org/mpris/MediaPlayer2", "--method", method} +
                   args);
    }
    QString get(const QString& property) {
        return call("org.freedesktop.DBus.Properties.Get",
                    {"org.mpris.MediaPlayer2.Player", property});
    }
};

class MprisTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            GTEST_SKIP() << "no session bus (the dbus-run-session test runs this)";
        app();
        char old[4096];
        ASSERT_NE(getcwd(old, sizeof old), nullptr);
        m_oldDir = old;
        ASSERT_EQ(chdir(m_dir.path().c_str()), 0);
        auto write = [this](const std::string& name, const std::string& utf8) {
            std::filesystem::create_directories(std::filesystem::path(m_dir / name).parent_path());
            lirafok::testing::writeRaw(m_dir / name, text::toCp932(utf8));
        };
        write("LIRAFOK.FOT", "00NNoto Sans CJK JP\r\n");
        write("LIRAFOK.INI", "KASID=cat/\r\nKASIH=1\r\n");
        write("cat/LIRAFOK.TXT",
              "000120000-00-夜空の歌\r\n000120000-AR-歌手\r\n"
              "000120000-01-星\r\n000120000-02-月\r\n");
        // Track 2 (from 62000 ms): two timed lines.
        write("cat/00012000.002", "一行目\r\n二行目\r\n\x03\r\n000 001000 0\r\n001 004000 0\r\n");
        m.drives.current().insertDisc({60000, 60000});
        program = std::make_unique<App>(m.services());
        registerWindows(*program);
        ASSERT_TRUE(program->run(""));
        transport = std::make_unique<PlayerTransport>(*program);
        mpris = std::make_unique<MprisService>(*transport, QStringLiteral("lirafok"), 20);
        mpris->onRaise = [this] { ++raised; };
        ASSERT_TRUE(mpris->registerOn(QStringLiteral("lirafok_test")));
        bus.service = mpris->serviceName();
    }
    void TearDown() override {
        mpris.reset();
        transport.reset();
        if (program) program->endProgram();
        program.reset();
        if (!m_oldDir.empty()) {
            EXPECT_EQ(chdir(m_oldDir.c_str()), 0);
        }
    }

    lirafok::testing::TempFolder m_dir{"mpris"};
    std::string m_oldDir;
    scenario::HeadlessMachine m;
    std::unique_ptr<App> program;
    std::unique_ptr<PlayerTransport> transport;
    std::unique_ptr<MprisService> mpris;
    Gdbus bus;
    int raised = 0;
};

TEST_F(MprisTest, MediaKeysAndWidgetsDriveThePlayer) {
    EXPECT_EQ(
        bus.call("org.freedesktop.DBus.Properties.Get", {"org.mpris.MediaPlayer2", "Identity"}),
        "(<'LIRAFOK'>,)");
    EXPECT_EQ(
        bus.call("org.freedesktop.DBus.Properties.Get", {"org.mpris.MediaPlayer2", "DesktopEntry"}),
        "(<'lirafok'>,)");
    EXPECT_EQ(bus.get("PlaybackStatus"), "(<'Stopped'>,)");
    EXPECT_EQ(bus.get("CanSeek"), "(<false>,)");

    // What the desktop hears: changes are announced.
    QProcess monitor;
    monitor.start("gdbus", {"monitor", "--session", "--dest", bus.service});
    ASSERT_TRUE(monitor.waitForStarted());
    // The monitor hears only what comes after it has subscribed, which it reports by naming
    // the service's owner; on a busy machine that takes longer than any fixed wait.
    QByteArray early;
    QElapsedTimer subscribing;
    subscribing.start();
    while (!early.contains("is owned by") && subscribing.elapsed() < 10000) {
        pump(50);
        early += monitor.readAllStandardOutput();
    }

    bus.call("org.mpris.MediaPlayer2.Player.PlayPause");
    EXPECT_EQ(m.drives.current().mode(), device::DeviceMode::Playing);
    EXPECT_EQ(bus.get("PlaybackStatus"), "(<'Playing'>,)");
    // Into track 2, 4.5 s after its start: the second lyric line is being sung.
    m.sched.advance(60000 + 4500 - 300);
    const QString meta = bus.get("Metadata");
    EXPECT_TRUE(meta.contains("'xesam:title': <'月'>")) << meta.toStdString();
    EXPECT_TRUE(meta.contains("'xesam:artist': <['歌手']>")) << meta.toStdString();
    EXPECT_TRUE(meta.contains("'xesam:album': <'夜空の歌'>")) << meta.toStdString();
    EXPECT_TRUE(meta.contains("'xesam:trackNumber': <2>")) << meta.toStdString();
    EXPECT_TRUE(meta.contains("'mpris:length': <int64 60000000>")) << meta.toStdString();
    EXPECT_TRUE(meta.contains("'xesam:asText': <'二行目'>")) << meta.toStdString();
    EXPECT_TRUE(
        meta.contains("'mpris:trackid': <objectpath '/org/lirafok/disc_000120000/track_2'>"))
        << meta.toStdString();
    EXPECT_EQ(bus.get("Position"), "(<int64 4200000>,)");

    // Seek forward 10 s, then to an exact place; a stale track id is ignored.
    bus.call("org.mpris.MediaPlayer2.Player.Seek", {"10000000"});
    EXPECT_EQ(m.drives.current().lastPlay()->first, 62000 + 14200);
    bus.call("org.mpris.MediaPlayer2.Player.SetPosition",
             {"/org/lirafok/disc_000120000/track_2", "30000000"});
    EXPECT_EQ(m.drives.current().lastPlay()->first, 62000 + 30000);
    bus.call("org.mpris.MediaPlayer2.Player.SetPosition",
             {"/org/lirafok/disc_000120000/track_1", "1000000"});
    EXPECT_EQ(m.drives.current().lastPlay()->first, 62000 + 30000);

    bus.call("org.mpris.MediaPlayer2.Player.Pause");
    EXPECT_EQ(m.drives.current().mode(), device::DeviceMode::Paused);
    pump(200);  // a widget reads the new state before the next press
    bus.call("org.mpris.MediaPlayer2.Player.Play");
    EXPECT_EQ(m.drives.current().mode(), device::DeviceMode::Playing);
    // Back to the start of the track, and again within its first 3 s: the track before.
    bus.call("org.mpris.MediaPlayer2.Player.Previous");
    bus.call("org.mpris.MediaPlayer2.Player.Previous");
    m.sched.advance(1000);
    EXPECT_TRUE(bus.get("Metadata").contains("'xesam:title': <'星'>"));

    // Volume: both channels, in the spinners' steps.
    bus.call("org.freedesktop.DBus.Properties.Set",
             {"org.mpris.MediaPlayer2.Player", "Volume", "<0.5>"});
    EXPECT_EQ(program->state.VolumeLevel[0], 33 * 1024);
    EXPECT_EQ(program->state.VolumeLevel[1], 33 * 1024);

    // Repeat and shuffle as the REP window and the RAN/NOR buttons set them.
    auto set = [&](const char* property, const char* value) {
        bus.call("org.freedesktop.DBus.Properties.Set",
                 {"org.mpris.MediaPlayer2.Player", property, value});
    };
    EXPECT_EQ(bus.get("LoopStatus"), "(<'None'>,)");
    set("LoopStatus", "<'Track'>");
    EXPECT_EQ(program->form<CDOKE>().REPEAT.foreColor(), ui::kBlue);
    EXPECT_EQ(bus.get("LoopStatus"), "(<'Track'>,)");
    set("LoopStatus", "<'Playlist'>");
    EXPECT_EQ(bus.get("LoopStatus"), "(<'Playlist'>,)");
    set("LoopStatus", "<'None'>");
    EXPECT_EQ(program->form<CDOKE>().REPEAT.foreColor(), ui::kBlack);

    bus.call("org.mpris.MediaPlayer2.Player.Stop");
    EXPECT_EQ(m.drives.current().mode(), device::DeviceMode::Stopped);
    EXPECT_EQ(bus.get("Shuffle"), "(<false>,)");
    set("Shuffle", "<true>");
    EXPECT_EQ(program->form<CDOKE>().STATUS2.caption(), "RANDOM");
    EXPECT_EQ(bus.get("Shuffle"), "(<true>,)");
    bus.call("org.mpris.MediaPlayer2.Player.Stop");
    set("Shuffle", "<false>");
    EXPECT_EQ(bus.get("Shuffle"), "(<false>,)");
    bus.call("org.mpris.MediaPlayer2.Raise");
    EXPECT_EQ(raised, 1);

    // The rate is the tempo, in the key/tempo window's 5 % steps and range; the key stays.
    auto rate = [&](const char* property) {
        QString v = bus.get(property);  // "(<0.80000000000000004>,)"
        v.remove(QStringLiteral("(<")).remove(QStringLiteral(">,)"));
        return v.toDouble();
    };
    EXPECT_DOUBLE_EQ(rate("MinimumRate"), 0.5);
    EXPECT_DOUBLE_EQ(rate("MaximumRate"), 1.5);
    EXPECT_DOUBLE_EQ(rate("Rate"), 1.0);
    CDOKE& main = program->form<CDOKE>();
    main.keyTempo.keyUp();
    const struct {
        const char* set;
        int tempo;
    } rates[] = {{"<0.8>", 80}, {"<0.93>", 95}, {"<3.0>", 150}, {"<0.1>", 50}, {"<1.0>", 100}};
    for (const auto& r : rates) {
        set("Rate", r.set);
        EXPECT_EQ(main.keyTempo.current().tempo, r.tempo) << r.set;
        EXPECT_EQ(m.drives.current().keyTempo().tempo, r.tempo) << r.set;
        EXPECT_EQ(m.drives.current().keyTempo().semitones, 1) << r.set;
        EXPECT_DOUBLE_EQ(rate("Rate"), r.tempo / 100.0) << r.set;
    }
    set("Rate", "<0.8>");
    EXPECT_EQ(main.KEYTEMPO.caption(), "KEY +1 · 80%");

    pump(300);
    monitor.terminate();
    monitor.waitForFinished();
    const QString heard = QString::fromUtf8(early + monitor.readAllStandardOutput());
    EXPECT_TRUE(heard.contains("'PlaybackStatus': <'Playing'>")) << heard.toStdString();
    EXPECT_TRUE(heard.contains("'PlaybackStatus': <'Paused'>")) << heard.toStdString();
    EXPECT_TRUE(heard.contains("'PlaybackStatus': <'Stopped'>")) << heard.toStdString();
    EXPECT_TRUE(heard.contains("'xesam:title': <'月'>")) << heard.toStdString();
    EXPECT_TRUE(heard.contains("Seeked (int64 30000000,)")) << heard.toStdString();
    EXPECT_TRUE(heard.contains("'LoopStatus': <'Playlist'>")) << heard.toStdString();
    EXPECT_TRUE(heard.contains("'Shuffle': <true>")) << heard.toStdString();
    EXPECT_TRUE(heard.contains("'Rate': <0.8")) << heard.toStdString();
    EXPECT_TRUE(heard.contains("'Rate': <1.5>")) << heard.toStdString();
}

}  // namespace
}  // namespace lirafok::qt::test
