#pragma once
// The save prompt shown modally when the disc leaves the drive while the registration window
// is open: saves the window's record or lets it go.
#include "ui/control.h"
#include "ui/form.h"

namespace lirafok {

class App;

class CDSDATA : public ui::Form {
public:
    explicit CDSDATA(App& app);

    App& app;
    ui::Label Label1;
    ui::Button Command1;  // save
    ui::Button Command2;  // cancel

    void Command1_Click();
    void Command2_Click();
};

}  // namespace lirafok
