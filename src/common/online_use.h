#pragma once
// The user stays in charge of online look-ups: nothing goes out until the user has agreed
// once (a question on first use, or the switch in the settings window), and the servers are
// the ones the program's online settings file names.
#include <string>

#include "core/online_settings.h"
#include "ui/online.h"

namespace lirafok {

class App;

// The online settings file in the program folder.
std::string OnlineSettingsPath(const App& app);
OnlineSettings LoadOnlineSettings(const App& app);
ui::OnlineServers ServersOf(const OnlineSettings& s);

// Whether a look-up may go out now. Allowed: true. Never asked: asks the first-use question
// (what is sent, to whom); a yes is stored and gives true, a no is stored and gives false.
// Refused: tells the user where to switch it on and gives false. A file that cannot be
// written is told; the answer still holds for this time.
bool OnlineAllowed(App& app);
// Allowed without asking (for look-ups that start by themselves).
bool OnlineAllowedQuietly(const App& app);

}  // namespace lirafok
