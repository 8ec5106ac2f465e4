#pragma once
// The save prompt of the timing setter, shown modally when the disc goes while the setter is
// open: save the recorded timings, or leave the lyrics file as it is. The caller closes the
// setter afterwards either way.
#include "ui/control.h"
#include "ui/form.h"

namespace lirafok {

class App;

class CDSTIME : public ui::Form {
public:
    explicit CDSTIME(App& app);

    App& app;
    ui::Label Label1;
    ui::Button Command1;  // save
    ui::Button Command2;  // do not save

    void Command1_Click();
    void Command2_Click();
};

}  // namespace lirafok
