// The unattended command-line run: after the deferred open, the parameters
// from the second on set overlays, the output location, and product items
// that select a view, render it and save it; two fixed product groups; and
// closing the program. The run drives the main window's core through
// TOutputTarget, so it can be followed call by call.
#pragma once

#include "render/SavedImages.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kestrune {

// The program's parameters, parameter 1 first (the program's name left out).
using TParams = std::vector<std::string>;

// The four overlay settings the run's switches change.
struct TOverlaySwitches {
    bool OverlayBoundaries = false;
    bool OverlayGridlines = false;
    bool OverlayGridPoleMarkers = false;
    bool OverlayGridlabels = true;
    bool operator==(const TOverlaySwitches&) const = default;
};

// A product's writing, made ready where it is asked for: Write may run on a
// thread of its own and gives whether the product was written where asked
// (or the pass has nothing of that kind to write); Finished, when there is
// one, follows on the run's thread once Write has run.
struct TProductWrite {
    std::function<bool()> Write;
    std::function<void()> Finished;
};
// A product written already, with its outcome.
TProductWrite WriteDone(bool written);

// What the run needs of the main window's core.
class TOutputTarget {
public:
    virtual ~TOutputTarget() = default;

    virtual std::string LoadedFileName() const = 0;
    virtual uint8_t InputFormatCode() const = 0;

    // Settings the run changes and restores.
    virtual std::string ResultsFolder() const = 0;
    virtual void SetResultsFolder(const std::string& folder) = 0;
    virtual TOverlaySwitches OverlaySwitches() const = 0;
    virtual void SetOverlaySwitches(const TOverlaySwitches& switches) = 0;

    // The view tabs offered for the pass; selecting one redisplays.
    virtual std::vector<std::string> ViewTabs() const = 0;
    virtual void SelectViewTab(size_t index) = 0;
    virtual void Redisplay() = 0;

    // View parameters; the caller redisplays afterwards. A palette is taken
    // only when the file is one (true); a file that is not one leaves the
    // view without a palette.
    virtual bool SetNdviPalette(const std::string& fileName) = 0;
    virtual bool SetSstPalette(const std::string& fileName) = 0;
    virtual void ClearNdviPalette() = 0;
    virtual void ClearSstPalette() = 0;
    // The user SST range, as if typed into the range up-downs; gives the
    // range stored.
    virtual std::pair<int, int> SetUserSstRange(int low, int high) = 0;
    // Channels 1..10 of the RGB view.
    virtual void SetRgbChannels(int red, int green, int blue) = 0;
    // The pass holds the channel's samples.
    virtual bool HasChannel(int channel) const = 0;
    virtual void SetColourVegetation(bool checked) = 0;

    // Threads the products may be written on at once; 0 writes each where
    // and when it is asked for. Their work drops to the idle scheduling
    // class with IdlePriority (while a reception program runs).
    virtual unsigned ProductThreads() const { return 0; }
    virtual bool IdlePriority() const { return false; }

    // The products, each as it stands when asked for. The image of the
    // current view; the caption box of corrected images follows the setting
    // "TimestampRawImage".
    virtual TProductWrite ImageWrite(const std::string& baseName, TSaveMode mode, bool jpeg) = 0;
    virtual TProductWrite RawChannelsWrite() = 0;
    virtual TProductWrite AlbedoFilesWrite() = 0;
    virtual TProductWrite TemperatureDataWrite(int channel, const std::string& suffix) = 0;
    virtual TProductWrite SstDataWrite(const std::string& suffix) = 0;
    // Written at once, each true when written where asked (the diagnostics
    // after every product before them, whose messages they hold).
    virtual bool SaveDiagnostics() = 0;
    virtual bool SaveFireText(const std::string& baseName) = 0;
    // Products that could not go where asked and were saved elsewhere, told
    // once by their saver with where they went (they count as not written
    // where asked, without a second line).
    virtual int ProductsSavedElsewhere() const { return 0; }
};

// The number after the first letter in text (its leading decimal digits, at
// most 99 characters looked at); 0 when there is no letter or no digit.
int ParseOutputValue(const std::string& text, char letter);

// "(low,high)" anywhere in text: the two numbers, when both are numbers.
std::optional<std::pair<int, int>> ParseBracketedRange(const std::string& text);
// "low<separator>high": low is the text without its trailing digits and one
// more character, high the text from its second character without its
// leading digits, so the separator becomes the high value's sign ("10-25"
// gives 10 and -25). Nothing when either is empty or not a number.
std::optional<std::pair<int, int>> ParseSeparatedRange(const std::string& text);
// "R<n>G<n>B<n>" (at least 6 characters) with every number in 1..10.
std::optional<std::array<int, 3>> ParseRgbChannels(const std::string& text);
// The palette file as named, else of that name in the program folder; "" when
// nothing stands under either name.
std::string FindPaletteFile(const std::string& name, const std::string& programFolder);

class TProductJobs;

class TCommandLineRun {
public:
    // Without a pass loaded the product items are known but make nothing.
    TCommandLineRun(TParams params, TOutputTarget& target, std::string programFolder, bool passLoaded = true);
    ~TCommandLineRun();

    // Overlay switches, every item from parameter 2 on, and the restoring of
    // the overlays and the results folder. outputName is the loaded file's
    // name (or "" when none). True when the program is to close.
    bool Run(std::string outputName);

    // One product item (case ignored): "-" + keyword [+ view parameters] +
    // ":" + output. False when the item is not of that keyword.
    bool ProcessOutputItem(const std::string& item, const std::string& keyword, uint8_t view,
                           const std::string& outputName);

    // Products asked for but not written where asked, and parameters that
    // matched no switch or item, items that name no file, and items done
    // otherwise than written (a channel, palette or folder they name could
    // not be taken); each was told on a line of its own.
    int MissingProducts() const { return missing_; }
    int UnknownParameters() const { return unknown_; }
    // What the process ends with: 0, or 3 when a product is missing, else 4
    // when a parameter was not understood or not done as written.
    int ExitCode() const;

private:
    bool Known(size_t index, const std::string& item) const;
    // Counts and tells a product not written; true when it was.
    bool Written(bool written, const std::string& item, const std::string& what);
    // Writes a product, told as Written in the order asked for.
    void Product(TProductWrite write, const std::string& item, const std::string& what);
    // A parameter that names no item, or an item without a file name: counted and told.
    void Unknown(const std::string& param, const std::string& item);
    void NotUnderstood(const std::string& message);
    // An item that raised: counted and told, and the run goes on.
    void Failed(const std::string& param, const std::string& reason);
    TOverlaySwitches SwitchedOverlays(TOverlaySwitches switches) const;
    bool SwitchGiven(const std::string& name) const;
    void ProcessGroup(bool withAlbedos, const std::string& outputName);
    void RemoveEmptyMadeFolders();
    bool ApplyViewParameters(const std::string& item, uint8_t view, size_t colon);
    bool ApplyNdviParameters(const std::string& item, const std::string& parameters);
    bool ApplySstParameters(const std::string& item, const std::string& parameters);
    bool ApplyRgbParameters(const std::string& item, const std::string& parameters);
    void ApplySstRange(const std::string& item, std::pair<int, int> range);
    // A palette that could not be taken: told, and the view drawn without one.
    bool PaletteRefused(const std::string& message, uint8_t view);
    void TellTakenAsImage(const std::string& item, const std::string& keyword);
    void SaveViewImage(const std::string& item, const std::string& output, const std::string& outputName);

    TParams params_;
    TOutputTarget& target_;
    std::string programFolder_;
    bool passLoaded_ = true;
    std::unique_ptr<TProductJobs> jobs_;
    std::string param_;  // the parameter in work
    int missing_ = 0;
    int unknown_ = 0;
    int elsewhereBefore_ = 0;
    std::vector<std::filesystem::path> madeFolders_;  // by "-OUTPUT:", outer ones first
};

}  // namespace kestrune
