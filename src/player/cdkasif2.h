#pragma once
// The karaoke window: one panel per lyric line, the current line lit as it is sung.
#include <array>

#include "ui/control.h"
#include "ui/form.h"

namespace lirafok {

class App;

inline constexpr int kLyricPanels = 27;
inline constexpr int kLyricPanelHeight = 240;  // twips

class CDKASIF2 : public ui::Form {
public:
    static constexpr const char* kName = "CDKASIF2";
    explicit CDKASIF2(App& app);
    App& app;
    std::array<ui::Panel, kLyricPanels> KASI;

protected:
    void Form_Load() override;
    void Form_Resize() override;
    void Form_QueryUnload(bool& cancel, ui::UnloadMode mode) override;

private:
    // Panels stacked from the top of the inner coordinate system, as wide as the window.
    void stackPanels();
};

// The karaoke window, created and loaded on first use.
CDKASIF2& cdkasif2(App& app);

}  // namespace lirafok
