#pragma once
// The choice among several releases an online look-up found for the disc: each listed by
// title and artist, the selected one's title, artist, country, date, label, catalogue number
// and track count shown below; 決定 fills the registration window from it.
#include <array>

#include "ui/control.h"
#include "ui/form.h"

namespace lirafok {

class App;

inline constexpr int kReleaseFacts = 7;

class CDNETSEL : public ui::Form {
public:
    static constexpr const char* kName = "CDNETSEL";
    explicit CDNETSEL(App& app);

    App& app;
    ui::ListBox LIST;
    std::array<ui::Label, kReleaseFacts> FACTNAME;  // タイトル, アーティスト, 国, …
    std::array<ui::Label, kReleaseFacts> FACT;      // the selected release's values
    ui::Button Command1, Command2;                  // 決定, 取消

    void LIST_Click();
    void Command1_Click();
    void Command2_Click();

protected:
    void Form_Load() override;

private:
    void showFacts(int index);
};

}  // namespace lirafok
