// Saving the current view as an image file: the displayed image, the
// geometry-corrected one, the APT-format one or the rectified GAC one, named
// from the loaded pass and the view, optionally captioned and carrying the
// temperature scale, written as JPEG or BMP through a temporary file. Never
// overwrites a file while a user is present, and falls back to the program
// folder when the chosen folder cannot be written.
#pragma once

#include "platform/SysUtils.h"
#include "render/BMPExtImage.h"
#include "render/ViewOptions.h"

#include <functional>
#include <string>

namespace kestrune {

class TRenderView;

enum TSaveMode : int { SaveDisplayed = 0, SaveCorrected = 1, SaveApt = 2, SaveGac = 3 };

// The file name (no folder) of a saved image.
std::string SavedImageName(const std::string& baseName, const std::string& imageSuffix, TSaveMode mode,
                           bool asJpeg, bool addImgFileSuffix);

// The caption template with "%Y", "%D", "%T" (the first of each; empty
// before 1957), "%NS" and "%S" replaced.
std::string ExpandCaption(const std::string& captionTemplate, TDateTime midPass, bool northbound,
                          const std::string& satelliteName);

// The scale's rectangle on the image for a position code (1..3 left, else
// right; 1 and 4 top, 3 and 6 bottom, else middle); false when the code is
// 0 or the scale does not fit with 20 pixels to spare each way.
bool CalibrationStripPlace(int imageWidth, int imageHeight, int scaleWidth, int scaleHeight, int code,
                           int& left, int& top);

class TImageSaver {
public:
    TImageSaver(TRenderView& view, TSaveSettings& settings);

    // The geometry corrections: the panorama correction (source, target,
    // Meteor pass, altitude km) and the GAC rectification; the scan-angle
    // corrections unless replaced.
    std::function<void(const TExtBitmap& source, TExtBitmap& target, bool meteor, float altitude)> CorrectPanorama;
    std::function<void(const TExtBitmap& source, TExtBitmap& target)> CorrectPanoramaGAC;
    // The pass's location file, written beside every displayed image.
    std::function<void(const std::string& baseName)> SaveLocationFile;

    // The temperature scale saved images carry; painted at a default size
    // when empty (a window keeps it a copy of its scale).
    TExtBitmap ScaleBitmap;
    // Height of the caption box drawn at the top of the image being saved.
    int CaptionBoxHeight = 0;

    // Writes the current view; returns the file written, "" when nothing was.
    std::string SaveImage(const std::string& baseName, TSaveMode mode, bool asJpeg);
    // Writes one bitmap, choosing a free name unless unattended; returns the
    // name written. Raises EWriteError (or what the writer raises) on failure.
    std::string SaveBitmapFile(const TExtBitmap& bitmap, const std::string& fileName);
    void DrawCaptionText(TExtBitmap& bitmap, int positionCode);
    // The pass description in a grey box at the top left; sets CaptionBoxHeight.
    bool DrawCaptionBox(TExtBitmap& bitmap);
    void AddCalibrationStrip(TExtBitmap& image, const TExtBitmap& scale, int positionCode);

private:
    bool MakeImage(TExtBitmap& image, TSaveMode mode);
    void CopyDisplay(TExtBitmap& image);
    void MakeCorrectedImage(TExtBitmap& image);
    bool ModeApplies(TSaveMode mode);
    bool DisplayServesAsItIs(TSaveMode mode) const;
    std::string SaveDisplay(const std::string& name);
    bool CarriesScale() const;
    std::string SaveWithFallback(const TExtBitmap& image, const std::string& name);
    const TExtBitmap& CurrentScale();

    TRenderView& view_;
    TSaveSettings& settings_;
};

}  // namespace kestrune
