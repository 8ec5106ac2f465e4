#pragma once
// The drives the program can play from: the virtual drive (a folder of disc images) first,
// then the machine's CD drives in libcdio's order. The default drive is the entry whose
// index the per-user default-drive value names.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "device/real/pcm_drive.h"

namespace lirafok::device::real {

struct DriveEntry {
    std::string name;  // shown in the drive list ("仮想ドライブ", "/dev/sr0")
    std::string path;  // the folder of the virtual drive, or the device node
    bool isVirtual = false;
};

// The name the virtual drive carries in the drive list.
inline constexpr const char* kVirtualDriveName = "仮想ドライブ";

// $XDG_DATA_HOME/lirafok/disc (or ~/.local/share/lirafok/disc): where the virtual drive looks
// for its disc unless the program is told otherwise.
std::string defaultVirtualFolder();

// What the drive list shows for a drive: "仮想ドライブ (folder)" for the virtual drive, the
// device node and the model the kernel reports for a CD drive ("/dev/sr0 (HL-DT-ST DVDRAM
// GH24NSD1)"), or the node alone when no model is known.
std::string driveName(const std::string& path, bool isVirtual);

// The virtual drive on `virtualFolder`, then every CD drive libcdio finds (device nodes).
std::vector<DriveEntry> findDrives(const std::string& virtualFolder);

// Index of the default drive in `drives`: the first byte of the per-user default-drive value
// when it names an existing entry, else 0.
std::size_t defaultDriveIndex(const std::vector<DriveEntry>& drives);

// The entry a command line names: by its name, by its device node or folder (links and a
// trailing "/" do not matter; /dev/cdrom finds /dev/sr0), or "仮想ドライブ" for the virtual
// drive. -1 when none does.
int findDrive(const std::vector<DriveEntry>& drives, const std::string& drive);

// The drive behind an entry: a VirtualDrive or a CdioDrive.
std::unique_ptr<PcmDrive> makeDrive(const DriveEntry& entry, ui::Scheduler& scheduler,
                                    SinkFactory makeSink);

}  // namespace lirafok::device::real
