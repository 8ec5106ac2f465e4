#pragma once
// A lyrics folder as a whole: whether it holds a catalogue, and copying one folder's catalogue
// and lyrics files into another when the user moves to a new folder.
#include <string>

namespace lirafok {

// The folder holds a catalogue file (LIRAFOK.TXT).
bool holdsCatalogue(const std::string& folder);

struct FolderCopy {
    bool ok = true;
    int copied = 0;     // files copied
    int kept = 0;       // files the target already had, left as they were
    std::string error;  // Japanese, naming the file, when !ok
};

// Copies the catalogue, the tracks' key/tempo file (LIRAFOK.KEY) and every file that belongs
// to a disc (a name that starts with a disc key's eight digits, a dot and three digits: lyrics,
// private lists and their side files) from `from` into `to`. Nothing is moved or deleted, and
// a file `to` already has is kept. Each copy goes to a temporary file first, so a full disk
// leaves no half-written file behind; the first failure stops the copy.
FolderCopy copyLyricsFolder(const std::string& from, const std::string& to);

}  // namespace lirafok
