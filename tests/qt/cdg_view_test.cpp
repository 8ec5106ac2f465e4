// The CD+G picture on the screen: scaled at 4:3 on black, repainting what changed, and the
// window going full screen and back.
#include <gtest/gtest.h>

#include "cdg/encoder.h"
#include "qt/views_cdg.h"
#include "qt_test_support.h"
#include "ui/cdg_picture.h"

namespace lirafok::qt::test {
namespace {

class PictureForm : public ui::Form {
public:
    explicit PictureForm(ui::FormHost& h) : ui::Form(h, "PICT"), PICTURE(*this, "PICTURE") {
        move(0, 0, 8000 + kFrameWidth, 4000 + kFrameHeight);
        PICTURE.move(0, 0, 8000, 4000);
    }
    ui::CdgPicture PICTURE;
};

class CdgView : public ::testing::Test {
protected:
    void SetUp() override {
        app();
        cdg::apply(
            screen,
            cdg::encode::loadColours(false, {0x000, 0xF00, 0x0F0, 0x00F, 0, 0, 0, 0}).data());
        cdg::apply(screen, cdg::encode::memoryPreset(2).data());
        form.show();
        window = host.windowOf(form);
        ASSERT_TRUE(waitUntil([&] { return window->isVisible(); }));
        widget = dynamic_cast<CdgPictureView*>(window->viewOf(form.PICTURE))->picture();
    }
    void TearDown() override { form.destroySilently(); }

    QtScheduler scheduler;
    QtFormHost host;
    PictureForm form{host};
    cdg::Screen screen;
    FormWindow* window = nullptr;
    CdgWidget* widget = nullptr;
};

TEST_F(CdgView, ThePictureFillsAFourByThreeFrameCentredOnBlack) {
    form.PICTURE.showScreen(screen);
    pump(50);
    // 533 x 400 in the middle of 533 x 267 pixels.
    const QSize size = widget->size();
    const QRect r = widget->pictureRect();
    EXPECT_EQ(r.height(), size.height());
    EXPECT_NEAR(r.width() * 3, r.height() * 4, 4);
    EXPECT_NEAR(r.center().x(), size.width() / 2, 1);
    const QImage shot = widget->grab().toImage();
    EXPECT_EQ(shot.pixelColor(r.center()), QColor(0, 255, 0));
    EXPECT_EQ(shot.pixelColor(2, size.height() / 2), QColor(0, 0, 0));
}

TEST_F(CdgView, NothingToShowIsBlack) {
    form.PICTURE.showScreen(screen);
    form.PICTURE.clear();
    pump(50);
    EXPECT_EQ(widget->grab().toImage().pixelColor(widget->pictureRect().center()), QColor(0, 0, 0));
}

TEST_F(CdgView, EveryPixelOfTheScreenReachesTheImage) {
    cdg::apply(screen,
               cdg::encode::tile(17, 49, 1, 3, {0x3F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01}).data());
    form.PICTURE.showScreen(screen);
    const QImage& img = widget->image();
    ASSERT_EQ(img.size(), QSize(300, 216));
    for (int y = 0; y < 216; y += 7)
        for (int x = 0; x < 300; x += 5)
            ASSERT_EQ(img.pixel(x, y) & 0xFFFFFF, screen.rgbAt(x, y)) << x << "," << y;
    // The tile in the last row and column: its top row all ink (blue), its bottom row ink at
    // the last pixel only, ground (red) elsewhere.
    EXPECT_EQ(img.pixel(294, 204) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(img.pixel(294, 215) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(img.pixel(299, 215) & 0xFFFFFF, 0x0000FFu);
}

TEST_F(CdgView, FullScreenFillsTheMonitorAndComesBackToTheWindow) {
    const QSize windowed = widget->size();
    form.setFullScreen(true, 0);
    ASSERT_TRUE(waitUntil([&] { return window->isFullScreen(); }));
    pump(50);
    EXPECT_EQ(widget->size(), window->client()->size());
    EXPECT_EQ(window->geometry().size(), window->screen()->geometry().size());
    form.setFullScreen(false);
    ASSERT_TRUE(waitUntil([&] { return !window->isFullScreen(); }));
    pump(50);
    EXPECT_EQ(widget->size(), windowed);
    EXPECT_EQ(form.width(), 8000 + ui::Form::kFrameWidth);  // the form kept its own size
}

}  // namespace
}  // namespace lirafok::qt::test
