#pragma once
// The drives of this machine for the program: the virtual drive on a folder first, then the
// CD drives libcdio finds. Each drive is made on first use and plays through the sink the
// factory makes. The default-drive value is the per-user stand-in of the system's value.
#include <memory>
#include <string>
#include <vector>

#include "device/real/drive_list.h"
#include "common/drive_set.h"

namespace lirafok::qt {

class RealDriveSet : public DriveSet {
public:
    RealDriveSet(std::string virtualFolder, ui::Scheduler& scheduler,
                 device::real::SinkFactory makeSink);
    ~RealDriveSet() override;

    std::vector<std::string> names() override;
    bool readDefault(std::string& data) override;
    bool writeDefault(const std::string& data) override;
    device::CdAudioDevice* device(int index) override;
    int find(const std::string& drive) override;

    // Puts the disc at `path` (a .cue/.nrg/.toc file or a folder holding a disc) into the
    // virtual drive. False, with a Japanese `error` naming the file, when there is no virtual
    // drive or the path holds no usable disc; the drive is then as it was.
    bool loadIntoVirtualDrive(const std::string& path, std::string* error = nullptr) override;

private:
    std::vector<device::real::DriveEntry> m_entries;
    std::vector<std::unique_ptr<device::real::PcmDrive>> m_drives;  // parallel to m_entries
    ui::Scheduler& m_scheduler;
    device::real::SinkFactory m_makeSink;
};

}  // namespace lirafok::qt
