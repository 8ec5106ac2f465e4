#pragma once
// The plain lyrics window: the whole lyric of an untimed track as scrollable text.
#include "ui/control.h"
#include "ui/form.h"

namespace lirafok {

class App;

class CDKASIF : public ui::Form {
public:
    static constexpr const char* kName = "CDKASIF";
    explicit CDKASIF(App& app);
    App& app;
    ui::TextBox KASI;

protected:
    void Form_Load() override;
    void Form_Resize() override;
    void Form_QueryUnload(bool& cancel, ui::UnloadMode mode) override;
};

// The plain lyrics window, created and loaded on first use.
CDKASIF& cdkasif(App& app);

}  // namespace lirafok
