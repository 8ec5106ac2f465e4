#include "device/real/drive_list.h"

#include <cdio/cdio.h>
#include <cdio/device.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

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

namespace {

std::string firstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

// "HL-DT-ST DVDRAM GH24NSD1": the vendor and model the kernel reports for a device node,
// empty when it reports none.
std::string driveModel(const std::string& node) {
    std::error_code ec;
    const std::string kernelName = std::filesystem::canonical(node, ec).filename().string();
    if (ec || kernelName.empty()) return {};
    const std::string dir = "/sys/class/block/" + kernelName + "/device/";
    const std::string vendor = firstLine(dir + "vendor"), model = firstLine(dir + "model");
    if (vendor.empty()) return model;
    return model.empty() ? vendor : vendor + " " + model;
}

}  // namespace

std::string driveName(const std::string& path, bool isVirtual) {
    if (isVirtual) return std::string(kVirtualDriveName) + " (" + path + ")";
    const std::string model = driveModel(path);
    return model.empty() ? path : path + " (" + model + ")";
}

std::vector<DriveEntry> findDrives(const std::string& virtualFolder) {
    std::vector<DriveEntry> drives{{driveName(virtualFolder, true), virtualFolder, true}};
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
        drives.push_back({driveName(d, false), d, false});
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

namespace lirafok::device::real {

int findDrive(const std::vector<DriveEntry>& drives, const std::string& drive) {
    if (drive.empty()) return -1;
    auto same = [](const std::string& a, const std::string& b) {
        if (a == b) return true;
        std::error_code ea, eb;
        const auto ca = std::filesystem::weakly_canonical(a, ea);
        const auto cb = std::filesystem::weakly_canonical(b, eb);
        return !ea && !eb && ca == cb;
    };
    for (std::size_t i = 0; i < drives.size(); ++i) {
        const DriveEntry& e = drives[i];
        if (e.name == drive || (e.isVirtual && drive == kVirtualDriveName) || same(e.path, drive))
            return static_cast<int>(i);
    }
    return -1;
}

}  // namespace lirafok::device::real
