// The folder batch's own routines: which files it takes, how it sizes them, how it copies files
// for the gallery.
#pragma once

#include <cstdint>
#include <vector>

#include "app/Globals.h"

namespace app {

// True when the name's extension (from its last "."), upper-cased, is one the batch converts:
// ".JPG", ".ICO", ".BMP", ".EMF", ".TIF" or ".GIF". ".jpeg", ".tiff" and ".png" are not.
bool IsConvertibleFile(const String& name);

// The names of the plain files in folder that match mask, in the order the file system lists
// them; folders and hidden files are skipped. The list is taken whole before the batch writes
// anything, so files that the batch itself creates in the folder are never taken.
std::vector<String> FindBatchFiles(const String& folder, const String& mask);

// The folders of a batch as the user chooses them, and whether it runs at all.
struct TBatchFolders {
    bool FolderMode = false;  // false: the save command saves the one picture chosen
    String Source{};          // where the pictures are read
    String Output{};          // where the converted files go
    String Web{};             // where the gallery goes
    bool MakeWebPage = false;
};

// A folder as the batch uses it: blanks trimmed, "~" for the home folder, made absolute, ending in
// "/". Empty stays empty. The process's current folder is read, never changed.
String BatchFolderPath(const String& text);

// What keeps the choice from running a folder batch, as told to the user; empty when it can run
// (every folder it needs exists). Nothing is needed outside folder mode.
String BatchFoldersProblem(const TBatchFolders& folders);

class TFrmadjust;

// The save command in folder mode: asks which pictures and which output type, converts every
// matching picture of SourceFolder into OutputFolder, makes the gallery copies, offers the gallery
// and sums up in the results window. The converter's commands are disabled while it runs, and the
// size, output type and quality are those it started with. Does nothing while a batch runs.
void RunFolderBatch(TFrmadjust& converter);
// True while a folder batch runs.
bool FolderBatchRunning();

// Converts the picture just loaded into the converter's ImageHidden to the converter's new size
// and writes it into OutputFolder under name with the output type's extension.
void ConvertFolderFile(const String& name);

// The file-kind chooser's title for the converter's percent text ("50%"; empty after an exact size).
String ChooserTitle(const String& percentText);

// Shows the folder window from the converter; on OK sets FolderMode, SourceFolder, OutputFolder,
// WebFolder and MakeWebPage.
void ChooseBatchFolders(TFrmadjust& converter);

// Reads the whole source file into memory, then writes it as dest (created or replaced).
// True on success; false on any failure, which raises nothing.
bool CopyFileViaStream(const String& source, const String& dest);

}  // namespace app
