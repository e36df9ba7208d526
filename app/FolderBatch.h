// The folder batch: which files it takes, how it sizes and writes them, the gallery copies, and
// the batch itself, which works from a value of settings and tells the user what it does through
// one small interface (the converter window implements it).
#pragma once

#include <cstdint>
#include <vector>

#include "app/Converter.h"
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

// Everything a batch works from, taken when it starts: what the user does meanwhile changes none
// of it.
struct TBatchSettings {
    String Mask = "*.*";                       // which files of the source folder
    TOutputType Type = TOutputType::Cancel;
    bool ExactSize = false;
    int32_t ExactWidth = 0, ExactHeight = 0;  // the new size in exact mode
    int Percent = 100;                        // the new size otherwise
    int Quality = 85;                         // for JPEG
    TBatchFolders Folders{};
};

// What a batch counts, kept up to date while it runs (also when it ends by an error).
struct TBatchTally {
    int32_t Count = 0;                // the convertible files taken by the batch
    int32_t Converted = 0;            // those whose converted file was written or found already there
    bool JpegThumbnailsMade = false;  // JPEG thumbnails wait for a gallery: set by a JPEG file,
                                      // cleared once an index page is written
};

// Where a batch tells the user what it does: the converter's status lines, the results window,
// and the holder that keeps the picture last converted.
class TBatchView {
public:
    virtual ~TBatchView() = default;
    // Status line 1 to 4.
    virtual void SetNote(int line, const String& text) = 0;
    // The results list emptied and shown.
    virtual void StartResults() = 0;
    virtual void AddResult(const String& line) = 0;
    virtual int ResultCount() const = 0;
    virtual void SetResultStatus(const String& text, gfx::TColor color) = 0;
    // The picture just converted, kept until the next one.
    virtual void KeepPicture(gfx::TBitmap picture) = 0;
};

// Converts every file of settings.Folders.Source that matches the mask into the output folder,
// makes the gallery copies, offers the gallery and sums up in the results. tally.Count starts
// again at 0; tally.JpegThumbnailsMade carries over from batch to batch. Does nothing while a
// batch runs.
void RunFolderBatch(const TBatchSettings& settings, TBatchView& view, TBatchTally& tally);
// True while a folder batch runs.
bool FolderBatchRunning();

// Converts one decoded picture of the source file `name` to the new size and writes it into the
// output folder under name with the output type's extension, counting it in the tally.
void ConvertFolderFile(const String& name, const gfx::TGraphic* picture, const TBatchSettings& settings,
                       TBatchView& view, TBatchTally& tally);

// The file-kind chooser's title for the converter's percent text ("50%"; empty after an exact size).
String ChooserTitle(const String& percentText);

// Reads the whole source file into memory, then writes it as dest (created or replaced).
// True on success; false on any failure, which raises nothing and is told in problem if given.
bool CopyFileViaStream(const String& source, const String& dest, String* problem = nullptr);

}  // namespace app
