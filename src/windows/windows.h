#pragma once
// The composition root: every window of the program, registered with the App by its name.
// The front ends call this once, before App::run.
namespace lirafok {

class App;

void registerWindows(App& app);

}  // namespace lirafok
