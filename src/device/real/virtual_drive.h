#pragma once
// A drive whose disc lives in a folder, as in a tray that holds one disc: a CUE sheet with its
// audio files (FLAC, WAV, Ogg, ...), a BIN/CUE, NRG or cdrdao TOC image, a sub-folder of audio
// files, or the folder's own audio files taken as tracks in name order. With several there,
// the one placed last is the disc; one that cannot be read (a damaged sheet) gives way to the
// next. Ejecting takes the disc out until the folder changes (a disc is added, put back,
// replaced or touched); a dropped .cue file or folder can be put in with loadImage().
#include <optional>
#include <string>
#include <vector>

#include "device/real/pcm_drive.h"

namespace lirafok::device::real {

class VirtualDrive final : public PcmDrive {
public:
    // `folder` is where the drive looks for its disc; `name` is what the drive list shows.
    VirtualDrive(std::string folder, std::string name, ui::Scheduler& scheduler,
                 SinkFactory makeSink);

    std::string name() const override { return m_name; }
    const std::string& folder() const { return m_folder; }

    // Inserts the disc at `path`: a .cue (or .nrg/.toc) file or a folder holding a disc, without
    // changing the folder the drive watches. A disc that was in the drive is taken out (mode()
    // reports DoorOpen once, so that the window resets and loads the new one). Returns
    // kInvalidFile, with a Japanese `error` naming the file, and changes nothing when the path
    // holds no usable disc.
    int loadImage(const std::string& path, std::string* error = nullptr);
    // The ejected disc of the folder goes back in, as a closed tray (LOAD).
    int closeTray() override;

protected:
    std::optional<DiscImage> loadDisc(std::string* error) override;
    bool discStillThere() override;
    bool mediumChanged() override;
    bool doorOpen() override;
    int ejectMedium() override;

private:
    // The folder whose changes count: the image's folder, or the drive folder itself.
    std::string watchedFolder() const;

    std::string m_folder;
    std::string m_name;
    std::string m_image;  // a specific image file put in by loadImage(); empty: scan m_folder
    std::optional<std::string> m_ejectStamp;
    std::string m_loadedStamp;
    std::vector<std::string> m_loadedFiles;  // what the loaded disc reads from
};

// Finds the disc in `path` (a folder or an image file) and reads it. Exposed for tests and
// tools: the same rules the virtual drive follows. `files` receives the files the disc uses;
// `error` says in Japanese, naming the file, why there is no disc.
std::optional<DiscImage> readVirtualDisc(const std::string& path, std::vector<std::string>* files,
                                         std::string* error);

}  // namespace lirafok::device::real
