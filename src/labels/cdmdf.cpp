#include "labels/cdmdf.h"

#include "common/app.h"
#include "ui/control_array.h"

namespace lirafok {

namespace {
const char* const kLabelFace = "ＭＳ Ｐゴシック";
constexpr double kTitlePoints = 10.5;
constexpr double kSongPoints = 9;
constexpr int kMargin = 120;
constexpr int kSongsTop = 720;  // below the title rule
}  // namespace

CDMDF::CDMDF(App& app)
    : ui::Form(app.svc.host, kName),
      LABEL2(*this, "LABEL2"),
      LABEL3(*this, "LABEL3"),
      LABEL1(ui::controlArray<ui::Label, 2>(*this, "LABEL1")),
      Line1(*this, "Line1"),
      Line2(*this, "Line2"),
      Line3(*this, "Line3"),
      Line4(*this, "Line4"),
      Line5(*this, "Line5"),
      Line6(*this, "Line6") {
    setCaption("MDラベル");
    setResizable(false);
    setBackColor(ui::kWhite);
    move(7200, 900, kMdLabelSize + kFrameWidth, kMdLabelSize + kFrameHeight);
    const int inner = kMdLabelSize;
    LABEL2.move(kMargin, kMargin, kMdOneColumn, 480);
    LABEL3.move(kMargin, kMargin + 240, kMdOneColumn, 240);
    for (ui::Label* l : {&LABEL2, &LABEL3}) l->setFont({kLabelFace, kTitlePoints, false, false});
    for (int c = 0; c < 2; ++c) {
        ui::Label& col = LABEL1[static_cast<std::size_t>(c)];
        col.move(kMargin + c * (kMdHalfColumn + 105), kSongsTop, kMdHalfColumn,
                 inner - kSongsTop - kMargin);
        col.setFont({kLabelFace, kSongPoints, false, false});
    }
    for (ui::Control* c :
         {static_cast<ui::Control*>(&LABEL2), static_cast<ui::Control*>(&LABEL3),
          static_cast<ui::Control*>(&LABEL1[0]), static_cast<ui::Control*>(&LABEL1[1])}) {
        c->setBackColor(ui::kWhite);
        c->setCaption("");
    }
    // The frame, the rule under the title and the rule between the columns.
    Line1.move(30, 30, inner - 60, 15);
    Line2.move(30, kSongsTop - 90, inner - 60, 15);
    Line3.move(30, inner - 45, inner - 60, 15);
    Line4.move(30, 30, 15, inner - 60);
    Line5.move(inner - 45, 30, 15, inner - 60);
    Line6.move(kMargin + kMdHalfColumn + 45, kSongsTop - 60, 15, inner - kSongsTop - kMargin + 60);
}

}  // namespace lirafok
