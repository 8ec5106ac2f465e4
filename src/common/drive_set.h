#pragma once
// The machine's CD drives as the program sees them: their names in order, the stored default
// drive, and the device of each. Real machines list libcdio drives and virtual drives; the
// headless runner lists simulated ones.
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
};

}  // namespace lirafok
