#pragma once
// The MD label printer: options and fonts of the MiniDisc label CDMDF, which it shows beside
// itself as the preview, filled from the disc data and the program editor's program list
// (CDPRG.SEL), and prints as an image. No option is stored.
#include <string>
#include <vector>

#include "ui/control.h"
#include "ui/form.h"

namespace lirafok {

class App;
class CDMDF;

// How n program entries divide between the two song columns: entries 1..first go to the
// first column, the rest to the second.
int mdFirstColumnCount(int n);

class CDMD : public ui::Form {
public:
    static constexpr const char* kName = "CDMD";
    explicit CDMD(App& app);

    App& app;
    ui::CheckBox Check1;  // title and artist on separate lines
    ui::CheckBox Check2;  // numbers
    ui::CheckBox Check3;  // times
    ui::CheckBox Check4;  // title centred
    ui::CheckBox Check5;  // two song columns
    ui::Label LabeL5, Label6;
    ui::Button SSCommand1;  // title font
    ui::Button Command3D3;  // song font
    ui::Button Command1;    // ﾌﾟﾘﾝﾀｰ設定
    ui::Button Command3D2;  // 印刷
    ui::Button Command3D1;  // 終了
    ui::Button Command3D7;  // 取消

    // Rebuilds the label's texts from the disc data and the program list.
    void MD_SET();

    void CHECK1_Click();
    void CHECK2_Click();
    void CHECK3_Click();
    void CHECK4_Click();
    void CHECK5_Click();
    void SSCommand1_Click();
    void Command3D3_Click();
    void Command1_Click();
    void Command3D2_Click();
    void Command3D1_Click();
    void Command3D7_Click();

protected:
    void Form_Load() override;
    void Form_Unload() override;

private:
    void wireEvents();
    // The label window, shown again when the user closed it.
    CDMDF& label();
};

}  // namespace lirafok
