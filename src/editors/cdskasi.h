#pragma once
// The save prompt of the lyrics editor, shown modally when the disc goes while the editor
// holds unsaved work: save the lyrics file, or leave it as it is. The caller closes the editor
// afterwards.
#include "ui/control.h"
#include "ui/form.h"

namespace lirafok {

class App;

class CDSKASI : public ui::Form {
public:
    explicit CDSKASI(App& app);

    App& app;
    ui::Label Label1;
    ui::Button Command1;  // save
    ui::Button Command2;  // do not save

    void Command1_Click();
    void Command2_Click();
};

}  // namespace lirafok
