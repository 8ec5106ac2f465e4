#pragma once
// The machine's CD drives as the program sees them: their names in order, the stored default
// drive, and the device of each. Real machines list libcdio drives and virtual drives; the
// headless runner lists simulated ones.
#include <functional>
#include <string>
#include <vector>

#include "device/cd_audio_device.h"

namespace lirafok {

class DriveSet {
public:
    virtual ~DriveSet() = default;
    // Drive names in order ("Q:", "/dev/sr0", "仮想ドライブ"); index 0 is the first CD drive.
    virtual std::vector<std::string> names() = 0;
    // The stored default-drive value (4 raw bytes), or false when it cannot be read.
    virtual bool readDefault(std::string& data) = 0;
    // Stores the default-drive value; false when it cannot be written.
    virtual bool writeDefault(const std::string& data) = 0;
    // The device of drive `index` (owned by the set); nullptr when there is no such drive.
    virtual device::CdAudioDevice* device(int index) = 0;
    // How a drive tells the user what no command asked about: a disc placed in a watched folder
    // that cannot be read. The running program sets it (a message box); a drive set calls it
    // on the window thread, from an event of its own rather than from inside a device call,
    // with a Japanese text that names the file. Unset: nobody is told.
    std::function<void(const std::string& message)> tellUser;

    // Puts the disc at `path` (a CUE sheet, a disc image or a folder of audio files) into the
    // virtual drive, as a drop on the main window does; the disc polling then loads it. False,
    // with a Japanese `error` naming the file, when the path holds no disc or there is no
    // virtual drive.
    virtual bool loadIntoVirtualDrive(const std::string& path, std::string* error) {
        if (error) *error = "仮想ドライブがありません";
        return false;
    }

    // Index of the drive that `drive` names (as a command line gives it), -1 for none. A set
    // whose names carry more than the drive itself (a model, a folder) also knows the drive by
    // what its name begins with; by default only the exact name counts.
    virtual int find(const std::string& drive) {
        const auto list = names();
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i] == drive) return static_cast<int>(i);
        return -1;
    }
};

}  // namespace lirafok
