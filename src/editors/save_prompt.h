#pragma once
// The modal save prompts shown when the disc leaves the drive while an editor holds unsaved
// work: a question, "保  存" (Command1) and "取  消" (Command2). Closing the prompt by its frame
// answers as Command2 does: nothing is saved.
#include <string>

#include "ui/control.h"
#include "ui/form.h"

namespace lirafok {

class App;

class SavePrompt : public ui::Form {
public:
    // `innerWidth` in twips; the two buttons sit below the question, either side of the middle.
    SavePrompt(App& app, const std::string& name, const std::string& caption,
               const std::string& question, int innerWidth = 4200);

    App& app;
    ui::Label Label1;
    ui::Button Command1;  // save
    ui::Button Command2;  // do not save

    // Saves what the editor holds, then closes the prompt.
    virtual void Command1_Click() = 0;
    // Closes the prompt; nothing is saved.
    virtual void Command2_Click();
};

}  // namespace lirafok
