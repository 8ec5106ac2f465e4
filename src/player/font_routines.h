#pragma once
// The main window's font sets: the check of configured fonts at start-up and applying a set.
namespace lirafok {

class App;

// Verifies every configured font is installed; when one is not, asks for a replacement
// (cannot be left without a name), rewrites the font list and applies set 0's faces.
void CheckFonts(App& app);
// Applies name, size, bold and italic of every row of CurrentFontSet to the main window. The
// artist panel takes the smaller of the set's size and the size fitted to its caption; the
// title panels keep the size of their arrangement (TitleFontSize).
void ShowDiscFonts(App& app);

}  // namespace lirafok
