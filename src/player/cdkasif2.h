#pragma once
// The karaoke window: one panel per lyric line, the current line lit as it is sung.
#include <array>

#include "ui/control.h"
#include "ui/form.h"

namespace lirafok {

class App;

inline constexpr int kLyricPanels = 27;
inline constexpr int kLyricPanelHeight = 240;  // twips (window units when zoomed)
// Up to this inner width (twips) the lines are drawn at their own size; a wider window zooms
// its lines and their text with its width.
inline constexpr int kLyricDesignWidth = 8400;

class CDKASIF2 : public ui::Form {
public:
    static constexpr const char* kName = "CDKASIF2";
    explicit CDKASIF2(App& app);
    App& app;
    std::array<ui::Panel, kLyricPanels> KASI;

    // A click on a line's panel plays from that line's time (while the disc plays or pauses).
    void KASI_Click(int index);

    // The height the lines are stacked in, in panel units: the inner height, less the zoom.
    double lineAreaHeight() const { return innerHeight() / m_zoom; }
    // Sizes and stacks the lines for the window's width and panel 0's font: a window wider
    // than kLyricDesignWidth shows its lines and their text that much larger (a maximised
    // window or a TV fills with the lyric, not small text in a corner), and a font above 12
    // points makes the lines taller, so that they never overlap.
    void layLines();

protected:
    void Form_Load() override;
    void Form_Resize() override;
    void Form_QueryUnload(bool& cancel, ui::UnloadMode mode) override;

private:
    // Panels stacked from the top of the inner coordinate system, as wide as the window.
    void stackPanels();

    double m_zoom = 1;
};

// The karaoke window, created and loaded on first use.
CDKASIF2& cdkasif2(App& app);

}  // namespace lirafok
