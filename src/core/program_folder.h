#pragma once
// The per-user program folder (~/.local/share/lirafok): where the program finds its settings,
// font list, help, sound cues, catalogue, lyrics and the virtual drive's disc, and how a new
// one is prepared from the files the program ships.
#include <string>
#include <vector>

namespace lirafok::core {

// Where the shipped files are: the installed ones (DATADIR/lirafok and the private helper
// folder) or, for a program run from its build tree, the source tree's data/ and the build's
// generator.
struct ShippedFiles {
    std::string dataDir;   // holds LIRAFOK.FOX and LIRAFOK.HLP (and the sound cues, when shipped)
    std::string makeDemo;  // the demo-disc generator, lirafok-make-demo
};

// The user's program folder: $LIRAFOK_HOME when set, else $XDG_DATA_HOME/lirafok, else
// $HOME/.local/share/lirafok. No trailing "/".
std::string userProgramFolder();

// The folder that a start without a command line uses: $LIRAFOK_HOME when set; else the
// current directory `cwd` when it holds a settings file (a program folder someone started the
// program in); else the user's program folder.
std::string programFolderForStart(const std::string& cwd);

// True when `folder` has no settings file yet, so that it needs preparing.
bool needsPreparing(const std::string& folder);

// The settings a new program folder starts with, one "KEY=value" line each (UTF-8): the
// lyrics folder inside `folder`, lyrics shown, automatic play, sound cues, karaoke colours
// (white lines on black, the sung line yellow, sung lines grey), the lyrics font bold at 12
// points, window positions kept from run to run with the panel window below the main window,
// and faces that exist on this system.
std::vector<std::string> firstSettings(const std::string& folder);

// Prepares `folder`: creates it, copies the font list, the help and (when shipped) the sound
// cues, runs the generator for the demo disc, its catalogue and lyrics (and the cues when not
// shipped), and writes the first settings last, so that a preparation cut short is done again
// at the next start. Nothing that is already there is replaced (a folder that only lost its settings keeps its catalogue, lyrics
// and disc). False with the reason in `why` when a step fails; the settings are then not
// written.
bool prepareProgramFolder(const std::string& folder, const ShippedFiles& shipped,
                          std::string* why);

}  // namespace lirafok::core
