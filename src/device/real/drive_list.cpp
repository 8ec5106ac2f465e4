#include "device/real/drive_list.h"

#include <cdio/cdio.h>
#include <cdio/device.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "core/default_drive.h"
#include "device/real/cdio_drive.h"
#include "device/real/virtual_drive.h"

namespace lirafok::device::real {

std::string defaultVirtualFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && *data) return std::string(data) + "/lirafok/disc";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/share/lirafok/disc";
}

std::vector<DriveEntry> findDrives(const std::string& virtualFolder) {
    std::vector<DriveEntry> drives{{kVirtualDriveName, virtualFolder, true}};
    std::vector<std::string> devices;
    if (char** list = cdio_get_devices(DRIVER_DEVICE)) {
        for (char** d = list; *d; ++d) devices.emplace_back(*d);
        cdio_free_device_list(list);
    }
    // Symbolic links (/dev/cdrom -> sr0) would list one drive twice: keep one name per node.
    std::vector<std::string> seen;
    for (const auto& d : devices) {
        std::error_code ec;
        const std::string target = std::filesystem::weakly_canonical(d, ec).string();
        if (std::find(seen.begin(), seen.end(), target) != seen.end()) continue;
        seen.push_back(target);
        drives.push_back({d, d, false});
    }
    return drives;
}

std::size_t defaultDriveIndex(const std::vector<DriveEntry>& drives) {
    const auto data = core::readDefaultDriveData();
    if (!data) return 0;
    const std::size_t index = static_cast<unsigned char>((*data)[0]);
    return index < drives.size() ? index : 0;
}

std::unique_ptr<PcmDrive> makeDrive(const DriveEntry& entry, ui::Scheduler& scheduler,
                                    SinkFactory makeSink) {
    if (entry.isVirtual) {
        return std::make_unique<VirtualDrive>(entry.path, entry.name, scheduler,
                                              std::move(makeSink));
    }
    return std::make_unique<CdioDrive>(entry.path, entry.name, scheduler, std::move(makeSink));
}

}  // namespace lirafok::device::real
