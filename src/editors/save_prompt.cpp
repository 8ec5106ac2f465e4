#include "editors/save_prompt.h"

#include "common/app.h"

namespace lirafok {

namespace {
constexpr int kInnerHeight = 1500;  // twips
constexpr int kButtonWidth = 1200;
constexpr int kButtonHeight = 420;
constexpr int kButtonGap = 420;  // from the middle to each button
}  // namespace

SavePrompt::SavePrompt(App& a, const std::string& name, const std::string& caption,
                       const std::string& question, int innerWidth)
    : ui::Form(a.svc.host, name),
      app(a),
      Label1(*this, "Label1"),
      Command1(*this, "Command1"),
      Command2(*this, "Command2") {
    setCaption(caption);
    setResizable(false);
    move(3000, 3000, innerWidth + kFrameWidth, kInnerHeight + kFrameHeight);
    Label1.move(240, 240, innerWidth - 480, 360);
    Label1.setAlignment(ui::align::kCentre);
    Label1.setCaption(question);
    Command1.move(innerWidth / 2 - kButtonGap - kButtonWidth, 840, kButtonWidth, kButtonHeight);
    Command1.setCaption("保  存");
    Command2.move(innerWidth / 2 + kButtonGap, 840, kButtonWidth, kButtonHeight);
    Command2.setCaption("取  消");
    Command1.onClick = [this] { Command1_Click(); };
    Command2.onClick = [this] { Command2_Click(); };
    setToolTips({{"Command1", "保存してから閉じる"}, {"Command2", "保存せずに閉じる"}});
}

void SavePrompt::Command2_Click() {
    app.unloadForm(name());
}

}  // namespace lirafok
