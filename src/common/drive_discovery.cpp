#include "common/drive_discovery.h"

#include <algorithm>

#include "common/app.h"
#include "ui/control.h"

namespace lirafok {

class CDKANKYOX;  // the settings window, above this layer: reached by its class and control names

namespace {

// Stored indexes the drive choice recognises.
constexpr int kHighestRecognisedIndex = 9;

void showDriveChoice(App& app, bool readable) {
    ui::Form* settings = app.loadedForm<CDKANKYOX>();
    if (!settings) return;
    if (ui::Control* frame = settings->findControl("Frame8")) frame->setVisible(readable);
    if (!readable) return;
    auto* list = dynamic_cast<ui::ComboBox*>(settings->findControl("DEVX"));
    if (!list) return;
    const AppState& s = app.state;
    list->clear();
    for (const auto& name : s.DriveNames)
        if (!name.empty()) list->addItem(name);
    const int d = static_cast<unsigned char>(s.DefaultDriveData[0]);
    list->setText(d <= kHighestRecognisedIndex ? s.DriveNames[static_cast<std::size_t>(d)]
                                               : std::string());
}

}  // namespace

bool FindCdDrives(App& app) {
    AppState& s = app.state;
    // The drives do not depend on the stored value: the list is right even when it is lost.
    const auto names = app.svc.drives.names();
    for (std::size_t i = 0; i < s.DriveNames.size(); ++i)
        s.DriveNames[i] = i < names.size() ? names[i] : std::string();
    std::string data;
    const bool readable = app.svc.drives.readDefault(data) && data.size() == 4;
    s.DefaultDriveData = readable ? data : std::string();
    showDriveChoice(app, readable);
    return readable;
}

DriveChange ChangeDefaultDrive(App& app, const std::string& drive) {
    AppState& s = app.state;
    const bool readable = FindCdDrives(app);
    // The 27th entry is the list's end marker; drives are looked for in the first 26.
    const auto last = s.DriveNames.begin() + 26;
    auto at = std::find(s.DriveNames.begin(), last, drive);
    int index = at != last && !drive.empty() ? static_cast<int>(at - s.DriveNames.begin()) : -1;
    if (index < 0) {
        index = app.svc.drives.find(drive);
        if (index >= 26) index = -1;
    }
    if (index < 0) return DriveChange::UnknownDrive;
    if (!readable) return DriveChange::CannotChange;
    std::string data = s.DefaultDriveData;
    data[0] = static_cast<char>(index);
    if (!app.svc.drives.writeDefault(data)) return DriveChange::CannotChange;
    app.setCurrentDriveIndex(index);
    FindCdDrives(app);
    return DriveChange::Changed;
}

}  // namespace lirafok
