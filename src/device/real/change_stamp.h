#pragma once
// A fingerprint of the disc files in a folder and its sub-folders one level down (images, CUE
// sheets and audio files: names, sizes, modification and change times; the sub-folders
// themselves), so that a drive can tell whether a disc was added, put back, replaced or
// touched since it last looked. Other files (lyrics, catalogue) do not count.
#include <string>

namespace lirafok::device::real {

// True for the extensions (".flac", ".CUE", ...) of files that make up a disc.
bool isDiscFileExtension(std::string extension);

// Empty when the folder does not exist.
std::string folderStamp(const std::string& folder);

}  // namespace lirafok::device::real
