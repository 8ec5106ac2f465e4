#pragma once
// The catalogue change window: every record of the catalogue by its title, the songs of the
// one selected, and the re-keying of that record to the disc in the drive (the same album in
// another pressing, whose total length differs a little). Its lyrics files follow the record.
#include "ui/control.h"
#include "ui/form.h"

namespace lirafok {

class App;

class CDCHG : public ui::Form {
public:
    static constexpr const char* kName = "CDCHG";
    explicit CDCHG(App& app);

    App& app;

    ui::ListBox List1;  // the title of every record, in file order
    ui::ListBox List2;  // "nn song" of the selected record
    ui::Label ART;      // the selected record's artist and one blank
    ui::Button Command1, Command2;

    void List1_Click();
    void Command1_Click();  // "変更": re-key the selected record
    void Command2_Click();  // "終了": redisplay the disc and close

protected:
    void Form_Load() override;
    void Form_QueryUnload(bool& cancel, ui::UnloadMode mode) override;

private:
    void layoutDesign();
    // The selected record (from 1), or 0 after telling the user to select one.
    int selectedRecord();
    // Asks a Yes/No question; true for Yes.
    bool confirm(const std::string& question);
};

}  // namespace lirafok
