#include "qt/real_drive_set.h"

#include "core/default_drive.h"
#include "device/real/virtual_drive.h"

namespace lirafok::qt {

RealDriveSet::RealDriveSet(std::string virtualFolder, ui::Scheduler& scheduler,
                           device::real::SinkFactory makeSink)
    : m_entries(device::real::findDrives(virtualFolder)),
      m_scheduler(scheduler),
      m_makeSink(std::move(makeSink)) {
    m_drives.resize(m_entries.size());
}

RealDriveSet::~RealDriveSet() {
    for (auto& d : m_drives)
        if (d) d->close();
}

std::vector<std::string> RealDriveSet::names() {
    std::vector<std::string> out;
    for (const auto& e : m_entries) out.push_back(e.name);
    return out;
}

bool RealDriveSet::readDefault(std::string& data) {
    auto value = core::readDefaultDriveData();
    if (!value) return false;
    data = *value;
    return true;
}

bool RealDriveSet::writeDefault(const std::string& data) {
    return core::writeDefaultDriveData(data);
}

device::CdAudioDevice* RealDriveSet::device(int index) {
    if (index < 0 || index >= static_cast<int>(m_entries.size())) return nullptr;
    auto& drive = m_drives[static_cast<std::size_t>(index)];
    if (!drive) {
        drive = device::real::makeDrive(m_entries[static_cast<std::size_t>(index)], m_scheduler,
                                        m_makeSink);
        if (auto* v = dynamic_cast<device::real::VirtualDrive*>(drive.get())) {
            v->setUnreadableHandler([this](const std::string& message) {
                if (tellUser) tellUser(message);
            });
        }
    }
    return drive.get();
}

int RealDriveSet::find(const std::string& drive) {
    return device::real::findDrive(m_entries, drive);
}

bool RealDriveSet::loadIntoVirtualDrive(const std::string& path, std::string* error) {
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (!m_entries[i].isVirtual) continue;
        auto* drive = dynamic_cast<device::real::VirtualDrive*>(device(static_cast<int>(i)));
        return drive && drive->loadImage(path, error) == device::errors::kNone;
    }
    if (error) *error = "仮想ドライブがありません";
    return false;
}

}  // namespace lirafok::qt
