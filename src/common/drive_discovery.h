#pragma once
// The machine's CD drives as the program offers them, and the stored default drive the
// device plays from: the drive list (DriveNames), the settings window's drive choice (its
// frame Frame8 and list DEVX, when that window is loaded), and the change of the default
// drive, at start-up from the AutoPlay command line or from the settings window.
#include <string>

namespace lirafok {

class App;

// Rebuilds DriveNames from the drive set and reads the stored default-drive value into
// DefaultDriveData. When the value cannot be read, Frame8 is hidden and false is returned;
// otherwise Frame8 shows and DEVX lists the drives with the default one as its text.
bool FindCdDrives(App& app);

enum class DriveChange {
    Changed,       // stored, and the program plays from that drive now
    UnknownDrive,  // no drive of that name
    CannotChange,  // the stored value could not be read or written; nothing changed
};

// Makes `drive` (a name of DriveNames, or what the drive set knows it by) the default drive:
// the first byte of the stored value becomes its index, the other three stay as read, and
// the drive list is rebuilt.
DriveChange ChangeDefaultDrive(App& app, const std::string& drive);

}  // namespace lirafok
