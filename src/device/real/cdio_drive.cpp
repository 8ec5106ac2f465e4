#include "device/real/cdio_drive.h"

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cdio/cdio.h>
#include <cdio/device.h>

#include "device/real/cdio_source.h"

namespace lirafok::device::real {

CdioDrive::CdioDrive(std::string path, std::string name, ui::Scheduler& scheduler,
                     SinkFactory makeSink)
    : PcmDrive(scheduler, std::move(makeSink)),
      m_path(std::move(path)),
      m_name(name.empty() ? m_path : std::move(name)),
      m_device(isDevicePath(m_path)) {}

CdioDrive::~CdioDrive() {
    if (m_fd >= 0) ::close(m_fd);
}

CdioDrive::DriveStatus CdioDrive::driveStatus() {
    if (m_fd < 0) m_fd = ::open(m_path.c_str(), O_RDONLY | O_NONBLOCK);
    if (m_fd < 0) return DriveStatus::Unknown;
    switch (::ioctl(m_fd, CDROM_DRIVE_STATUS, CDSL_CURRENT)) {
        case CDS_DISC_OK:
            return DriveStatus::DiscOk;
        case CDS_NO_DISC:
            return DriveStatus::NoDisc;
        case CDS_TRAY_OPEN:
            return DriveStatus::TrayOpen;
        case CDS_DRIVE_NOT_READY:
            return DriveStatus::NotReady;
        default:
            return DriveStatus::Unknown;  // the drive cannot tell: assume a disc
    }
}

// Size and modification time of an image: a replaced or touched image is a new disc.
std::string CdioDrive::imageStamp() const {
    struct stat st {};
    if (::stat(m_path.c_str(), &st) != 0) return {};
    return std::to_string(st.st_size) + ':' + std::to_string(st.st_mtim.tv_sec) + '.' +
           std::to_string(st.st_mtim.tv_nsec);
}

std::optional<DiscImage> CdioDrive::loadDisc(std::string* error) {
    if (m_device) {
        const DriveStatus s = driveStatus();
        if (s != DriveStatus::DiscOk && s != DriveStatus::Unknown) return std::nullopt;
        // Reading the media-changed flag clears it, so that mediumChanged() sees only later
        // exchanges.
        if (m_fd >= 0) ::ioctl(m_fd, CDROM_MEDIA_CHANGED, CDSL_CURRENT);
        return readCdioDisc(m_path, true, error);
    }
    m_loadedStamp = imageStamp();
    if (m_loadedStamp.empty()) return std::nullopt;
    return readCdioDisc(m_path, false, error);
}

bool CdioDrive::discStillThere() {
    if (m_device) {
        const DriveStatus s = driveStatus();
        return s == DriveStatus::DiscOk || s == DriveStatus::Unknown;
    }
    return !imageStamp().empty();
}

bool CdioDrive::mediumChanged() {
    if (m_device) return m_fd >= 0 && ::ioctl(m_fd, CDROM_MEDIA_CHANGED, CDSL_CURRENT) == 1;
    return imageStamp() != m_loadedStamp;
}

bool CdioDrive::doorOpen() {
    if (m_device) return driveStatus() == DriveStatus::TrayOpen;
    if (m_ejectStamp && imageStamp() != *m_ejectStamp) m_ejectStamp.reset();
    return m_ejectStamp.has_value() || imageStamp().empty();
}

int CdioDrive::closeTray() {
    if (!m_device) {
        m_ejectStamp.reset();  // the image goes back in
        return errors::kNone;
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    // A drive that cannot pull its tray in (a laptop's) is closed by hand: no error.
    (void)cdio_close_tray(m_path.c_str(), nullptr);
    return errors::kNone;
}

int CdioDrive::ejectMedium() {
    if (!m_device) {
        m_ejectStamp = imageStamp();
        return errors::kNone;
    }
    // The tray cannot open while the device node is held.
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    return cdio_eject_media_drive(m_path.c_str()) == DRIVER_OP_SUCCESS
               ? errors::kNone
               : errors::kUnsupportedFunction;
}

}  // namespace lirafok::device::real
