#pragma once
// The repeat window: repeat the whole disc or list, the current track, or a range from A
// (STRX) to B (ENDX). Opened modeless by the main window's REPEAT button; A and B are taken
// from the position while the disc plays.
#include "ui/control.h"
#include "ui/form.h"

namespace lirafok {

class App;

class CDREP : public ui::Form {
public:
    static constexpr const char* kName = "CDREP";
    explicit CDREP(App& app);

    App& app;
    ui::Frame Frame3D1;     // range repeat, holds STRX and ENDX
    ui::Button STRX;        // set A; caption colour blue once A is set
    ui::Button ENDX;        // set B
    ui::Button Command3D1;  // repeat all
    ui::Button Command3D2;  // repeat one track
    ui::Button Command3D5;  // cancel every repeat

    void Command3D1_Click();
    void Command3D2_Click();
    void STRX_Click();
    void ENDX_Click();
    void Command3D5_Click();

private:
    void close();
};

}  // namespace lirafok
