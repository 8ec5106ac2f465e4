#pragma once
// A CD drive (/dev/sr0) or a CD image file (BIN/CUE, NRG, cdrdao TOC) through libcdio.
// Drives are read with cdparanoia's error correction; images are read directly.
#include <optional>
#include <string>

#include "device/real/pcm_drive.h"

namespace lirafok::device::real {

class CdioDrive final : public PcmDrive {
public:
    // `path`: a device node or an image file. `name`: what the drive list shows (the path when
    // empty).
    CdioDrive(std::string path, std::string name, ui::Scheduler& scheduler, SinkFactory makeSink);
    ~CdioDrive() override;

    std::string name() const override { return m_name; }
    // Pulls the tray in (a drive), or puts an ejected image back.
    int closeTray() override;
    const std::string& path() const { return m_path; }

protected:
    std::optional<DiscImage> loadDisc(std::string* error) override;
    bool discStillThere() override;
    bool mediumChanged() override;
    bool doorOpen() override;
    int ejectMedium() override;

private:
    enum class DriveStatus { DiscOk, NoDisc, TrayOpen, NotReady, Unknown };
    DriveStatus driveStatus();
    std::string imageStamp() const;

    std::string m_path;
    std::string m_name;
    bool m_device;
    int m_fd = -1;  // the device node, for tray and media-change queries
    std::string m_loadedStamp;
    std::optional<std::string> m_ejectStamp;  // image files only
};

}  // namespace lirafok::device::real
