#pragma once
// The three arrangements of the main window: full (disc with a record), compact (disc without
// a record) and reduced (remote-control-like).
namespace lirafok {

class App;

// Records the design geometry of the main window and its controls (start-up, once).
void CaptureLayoutGeometry(App& app);
// Switches between full and reduced and flips ReducedLayout; re-applies the full arrangement
// that matches the disc's record status.
void ToggleLayout(App& app);
void ArrangeTitlePanels(App& app);
// The title panels' font size for the title shown: 13 points for one line, 11 for two (what
// their 400- and 270-twip panels hold). Font sets give the title its face, not its size.
double TitleFontSize(App& app);
void PlaceVolumeControls(App& app);
// The list height rule of the window's resize event.
void ResizeMainWindow(App& app);

}  // namespace lirafok
