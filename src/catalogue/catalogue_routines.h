#pragma once
// The catalogue as the main window shows it: looking up the loaded disc and fitting the
// artist panel.
#include <string>

namespace lirafok {

class App;

void LookupDisc(App& app);
// Sets the artist panel's caption and fits its font size to the caption's byte length.
void FitArtistFont(App& app, const std::string& caption);

}  // namespace lirafok
