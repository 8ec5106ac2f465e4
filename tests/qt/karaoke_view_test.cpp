// The karaoke screen on the screen: the wipe's edge where the lyric time puts it, the sung part
// in the current-line colour and the rest in the coming colour, readings wiped with their
// kanji, a line lit whole at once, and only the strip the edge crossed drawn again.
#include <gtest/gtest.h>

#include <memory>

#include "qt/views_karaoke.h"
#include "qt_test_support.h"
#include "ui/karaoke_screen.h"

namespace lirafok::qt::test {
namespace {

class ScreenForm : public ui::Form {
public:
    explicit ScreenForm(ui::FormHost& h) : ui::Form(h, "KARA"), SCREEN(*this, "SCREEN") {
        move(0, 0, 12000 + kFrameWidth, 6750 + kFrameHeight);
        SCREEN.move(0, 0, 12000, 6750);
    }
    ui::KaraokeScreen SCREEN;
};

constexpr ui::Color kRedish = 0x0000FF;  // 0x00BBGGRR: red
constexpr ui::Color kBluish = 0xFF0000;  // blue
constexpr ui::Color kGreenish = 0x00C000;

class KaraokeView : public ::testing::Test {
protected:
    void SetUp() override {
        app();
        auto scene = std::make_shared<ui::KaraokeScene>();
        ui::KaraokeLine upper;
        upper.lyricLine = 0;
        upper.wipe = true;
        upper.pieces = {{"ああ", 1000, 2000}, {"いい", 2000, 3000}};
        upper.rubies = {{2, 2, "かな"}};
        upper.start = 1000;
        upper.end = 3000;
        upper.appear = 0;
        upper.vanish = 10000;
        upper.row = 0;
        ui::KaraokeLine lower;
        lower.lyricLine = 1;
        lower.pieces = {{"ううう", 5000, 5000}};
        lower.start = 5000;
        lower.end = 6000;
        lower.appear = 0;
        lower.vanish = 10000;
        lower.row = 1;
        scene->lines = {upper, lower};
        form.SCREEN.setColours({ui::kWhite, kBluish, kRedish, kGreenish});
        form.SCREEN.setClock([this] { return now; });
        form.SCREEN.setScene(scene);
        form.show();
        window = host.windowOf(form);
        ASSERT_TRUE(waitUntil([&] { return window->isVisible(); }));
        widget = dynamic_cast<KaraokeScreenView*>(window->viewOf(form.SCREEN))->screen();
    }
    void TearDown() override { form.destroySilently(); }

    // How many pixels of a colour family lie in a band of the widget.
    int count(const QImage& img, QRect band, bool (*is)(QColor)) {
        int n = 0;
        band &= img.rect();
        for (int y = band.top(); y <= band.bottom(); ++y)
            for (int x = band.left(); x <= band.right(); ++x) n += is(img.pixelColor(x, y)) ? 1 : 0;
        return n;
    }
    static bool red(QColor c) { return c.red() > 150 && c.blue() < 100 && c.green() < 100; }
    static bool blue(QColor c) { return c.blue() > 150 && c.red() < 100 && c.green() < 100; }
    static bool green(QColor c) { return c.green() > 120 && c.red() < 100 && c.blue() < 100; }

    QImage frameAt(std::int32_t t) {
        now = t;
        form.SCREEN.refresh(t);
        widget->update();
        pump(30);
        return widget->grab().toImage();
    }

    std::int32_t now = 0;
    QtScheduler scheduler;
    QtFormHost host;
    ScreenForm form{host};
    FormWindow* window = nullptr;
    KaraokeWidget* widget = nullptr;
};

TEST_F(KaraokeView, TheWipeFollowsTheLyricTime) {
    const struct {
        std::int32_t t;
        double part;  // of the upper line's width wiped
    } cases[] = {{500, 0}, {1500, 0.25}, {2000, 0.5}, {2500, 0.75}, {3500, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.t);
        const QImage img = frameAt(c.t);
        const QRect row = widget->rowRect(0);
        ASSERT_FALSE(row.isEmpty());
        const double edge = widget->edgeAt(0, c.t);
        ASSERT_GE(edge, 0);
        // Left of the edge only the wipe's colour, right of it only the coming colour.
        const QRect base(row.left(), row.top() + row.height() / 2, row.width(), row.height() / 2);
        const QRect left(base.left(), base.top(), static_cast<int>(edge) - base.left() - 1,
                         base.height());
        const QRect right(static_cast<int>(edge) + 2, base.top(),
                          base.right() - static_cast<int>(edge), base.height());
        EXPECT_EQ(count(img, left, blue), 0);
        EXPECT_EQ(count(img, right, red), 0);
        if (c.part > 0 && c.part < 1) {
            EXPECT_GT(count(img, left, red), 0);
            EXPECT_GT(count(img, right, blue), 0);
        }
        if (c.part == 1 || c.t >= 3000) EXPECT_GT(count(img, base, green), 0);  // sung: passed
    }
    // The edge moves evenly through the two syllables of equal width.
    const double a = widget->edgeAt(0, 1000), b = widget->edgeAt(0, 2000),
                 c = widget->edgeAt(0, 3000);
    EXPECT_NEAR(b - a, c - b, 2);
    EXPECT_NEAR(widget->edgeAt(0, 1500) - a, (b - a) / 2, 1);
}

TEST_F(KaraokeView, ReadingsAreWipedWithTheirKanji) {
    // Halfway through いい: half of its reading かな is wiped.
    const QImage img = frameAt(2500);
    const QRect row = widget->rowRect(0);
    const QRect readings(row.left(), row.top(), row.width(), row.height() / 4);
    EXPECT_GT(count(img, readings, red), 0);
    EXPECT_GT(count(img, readings, blue), 0);
    const QImage before = frameAt(1900);
    EXPECT_EQ(count(before, readings, red), 0);  // its kanji not reached yet
}

TEST_F(KaraokeView, AWholeLineLightsAtOnce) {
    QImage img = frameAt(4999);
    const QRect row = widget->rowRect(1);
    EXPECT_GT(count(img, row, blue), 0);
    EXPECT_EQ(count(img, row, red), 0);
    img = frameAt(5000);
    EXPECT_GT(count(img, row, red), 0);
    EXPECT_EQ(count(img, row, blue), 0);
}

TEST_F(KaraokeView, AFrameDrawsOnlyWhatMoved) {
    frameAt(1200);
    std::vector<KaraokeWidget::FrameRecord> frames;
    widget->onFrame = [&](const KaraokeWidget::FrameRecord& r) { frames.push_back(r); };
    now = 1250;
    form.SCREEN.refresh(now);
    pump(30);
    widget->onFrame = nullptr;
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.back().drawnFor, 1250);
    EXPECT_NEAR(frames.back().edge, widget->edgeAt(0, 1250), 1);
}

}  // namespace
}  // namespace lirafok::qt::test
