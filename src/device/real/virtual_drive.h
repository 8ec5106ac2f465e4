#pragma once
// A drive whose disc lives in a folder, as in a tray that holds one disc: a CUE sheet with its
// audio files (FLAC, WAV, Ogg, ...), a BIN/CUE, NRG or cdrdao TOC image, a sub-folder of audio
// files, or the folder's own audio files taken as tracks in name order. With several there,
// the one placed last is the disc; one that cannot be read (a damaged sheet) gives way to the
// next, and a loaded disc plays on when one that cannot be read is placed beside it. A disc
// placed in the folder that cannot be read is told once per placement (see
// setUnreadableHandler); while the folder stays as it was, nothing in it is read again.
// Ejecting takes the disc out until the folder changes (a disc is added, put back,
// replaced or touched); a dropped .cue file or folder can be put in with loadImage().
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "device/real/pcm_drive.h"

namespace lirafok::device::real {

class VirtualDrive final : public PcmDrive {
public:
    // `folder` is where the drive looks for its disc; `name` is what the drive list shows.
    VirtualDrive(std::string folder, std::string name, ui::Scheduler& scheduler,
                 SinkFactory makeSink);
    ~VirtualDrive() override;

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

    // Called with a Japanese text naming the file when a disc placed in the watched folder
    // cannot be read (the one placed last, when a disc beside it is used instead): once per
    // placement (a disc put in again, or changed, is told again), once the folder has stayed
    // as it is for kSettleMs (a disc still being copied in is not told), from a scheduled
    // event of the window thread. Seen whenever the drive reads its folder. Dropped discs are
    // not told here: the drop is answered by loadImage().
    void setUnreadableHandler(std::function<void(const std::string&)> handler) {
        m_onUnreadable = std::move(handler);
    }
    static constexpr std::int64_t kSettleMs = 1500;
    // A folder that gave no disc is read again only when it changes, or after this long (its
    // stamp does not see files deeper than one sub-folder, which a sheet may name).
    static constexpr std::int64_t kRereadMs = 30000;

protected:
    std::optional<DiscImage> loadDisc(std::string* error) override;
    bool discStillThere() override;
    bool mediumChanged() override;
    bool doorOpen() override;
    int ejectMedium() override;

private:
    // The folder whose changes count: the image's folder, or the drive folder itself.
    std::string watchedFolder() const;
    static std::vector<std::int64_t> shapeOf(const DiscImage& disc);
    // A disc the folder holds that cannot be read was seen at folder stamp `stamp` (`error`
    // empty: none was).
    void noteRefusal(const std::string& stamp, const std::string& path, std::int64_t placed,
                     const std::string& error);
    // Tells the pending refusal when the folder is still as it was when it was seen.
    void settle();

    struct Pending {
        std::string key;    // the placement: path, when placed, why it cannot be read
        std::string stamp;  // the folder as it was when it was seen
        std::string message;
    };

    std::string m_folder;
    std::string m_name;
    std::string m_image;  // a specific image file put in by loadImage(); empty: scan m_folder
    std::optional<std::string> m_ejectStamp;
    std::string m_loadedStamp;
    std::vector<std::string> m_loadedFiles;   // what the loaded disc reads from
    std::vector<std::int64_t> m_loadedShape;  // its track starts and lead-out, in sectors
    // The folder as it was when it last gave no disc, and why: not read again until it changes.
    std::optional<std::string> m_failedStamp;
    std::string m_failedError;
    std::int64_t m_failedAtMs = 0;
    std::optional<Pending> m_pending;
    ui::TaskId m_settleTask = 0;
    std::set<std::string> m_told;  // placements told, by Pending::key
    std::function<void(const std::string&)> m_onUnreadable;
};

// Finds the disc in `path` (a folder or an image file) and reads it. Exposed for tests and
// tools: the same rules the virtual drive follows. `files` receives the files the disc uses;
// `error` says in Japanese, naming the file, why there is no disc.
std::optional<DiscImage> readVirtualDisc(const std::string& path, std::vector<std::string>* files,
                                         std::string* error);

}  // namespace lirafok::device::real
