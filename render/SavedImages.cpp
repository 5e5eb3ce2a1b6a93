#include "render/SavedImages.h"

#include "decoding/PassState.h"
#include "orbit/EarthLocations.h"
#include "orbit/Orbits.h"
#include "platform/ResCodePages.h"
#include "platform/DialogService.h"
#include "platform/FileIO.h"
#include "platform/ProgramFolder.h"
#include "platform/ProgramStrings.h"
#include "render/AptImage.h"
#include "render/Canvas.h"
#include "render/JPEGwriter.h"
#include "render/PixelLocation.h"
#include "render/RenderView.h"
#include "render/ScanAngleCorrection.h"
#include "render/TemperatureScale.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace kestrune {

namespace {

void ReplaceFirst(std::string& text, const std::string& code, const std::string& value) {
    const size_t at = text.find(code);
    if (at != std::string::npos) text.replace(at, code.size(), value);
}

bool IsJpegName(const std::string& fileName) { return LowerCase(ExtractFileExt(fileName)) == ".jpg"; }

// Ends a save as it began: caption box gone, status cleared, tools back,
// cursor and priority restored; also when the save raises.
class TSaveScope {
public:
    TSaveScope(TRenderHost& host, bool idlePriority, int& captionBoxHeight)
        : hourglass_(host, idlePriority), host_(host), captionBoxHeight_(captionBoxHeight) {}
    ~TSaveScope() {
        captionBoxHeight_ = 0;
        host_.SetStatusText("");
        host_.ShowImageTools(true);
    }
    TSaveScope(const TSaveScope&) = delete;
    TSaveScope& operator=(const TSaveScope&) = delete;

private:
    const THourglass hourglass_;
    TRenderHost& host_;
    int& captionBoxHeight_;
};

void Notice(const std::string& text, TMsgDlgType type = TMsgDlgType::mtInformation) {
    TDialogService::Instance().ShowMessage(text, {}, type);
}

}  // namespace

std::string SavedImageName(const std::string& baseName, const std::string& imageSuffix, TSaveMode mode,
                           bool asJpeg, bool addImgFileSuffix) {
    const std::string extension = asJpeg ? ".jpg" : ".bmp";
    switch (mode) {
        case SaveCorrected: return baseName + (addImgFileSuffix ? imageSuffix + "-corrected" : "") + extension;
        case SaveApt: return baseName + imageSuffix + "-APT" + extension;
        case SaveGac: return baseName + imageSuffix + "-GAC" + extension;
        default: return baseName + imageSuffix + extension;
    }
}

std::string ExpandCaption(const std::string& captionTemplate, TDateTime midPass, bool northbound,
                          const std::string& satelliteName) {
    const bool dated = DecodeDateTime(midPass).year >= 1957;
    std::string text = captionTemplate;
    ReplaceFirst(text, "%Y", dated ? FormatDateTime("yyyy", midPass) : "");
    ReplaceFirst(text, "%D", dated ? FormatDateTime("yyyy-mm-dd", midPass) : "");
    ReplaceFirst(text, "%T", dated ? FormatDateTime("hh:nn", midPass) : "");
    ReplaceFirst(text, "%NS", northbound ? "N" : "S");
    ReplaceFirst(text, "%S", satelliteName);
    return text;
}

bool CalibrationStripPlace(int imageWidth, int imageHeight, int scaleWidth, int scaleHeight, int code,
                           int& left, int& top) {
    if (code == 0 || scaleHeight + 20 > imageHeight || scaleWidth + 20 > imageWidth) return false;
    left = code >= 1 && code <= 3 ? 10 : imageWidth - 10 - scaleWidth;
    if (code == 1 || code == 4) top = 10;
    else if (code == 3 || code == 6) top = imageHeight - 10 - scaleHeight;
    else top = (imageHeight - scaleHeight) / 2;
    return true;
}

namespace {

// Keeps a rectangle of a bitmap's pixels and puts them back when it ends.
class TPixelsKept {
public:
    TPixelsKept(TExtBitmap& bitmap, int left, int top, int width, int height)
        : bitmap_(bitmap), top_(top), offset_(static_cast<size_t>(left) * PixelBytes(bitmap)),
          rowBytes_(static_cast<size_t>(width) * PixelBytes(bitmap)) {
        for (int y = top; y < top + height; ++y) {
            const uint8_t* row = bitmap.ScanLine(y) + offset_;
            kept_.insert(kept_.end(), row, row + rowBytes_);
        }
    }
    ~TPixelsKept() {
        for (size_t at = 0, y = static_cast<size_t>(top_); at < kept_.size(); at += rowBytes_, ++y)
            std::memcpy(bitmap_.ScanLine(static_cast<int>(y)) + offset_, kept_.data() + at, rowBytes_);
    }
    TPixelsKept(const TPixelsKept&) = delete;
    TPixelsKept& operator=(const TPixelsKept&) = delete;

private:
    static size_t PixelBytes(const TExtBitmap& bitmap) { return bitmap.RowBytes() / static_cast<size_t>(bitmap.Width()); }

    TExtBitmap& bitmap_;
    int top_;
    size_t offset_;
    size_t rowBytes_;
    std::vector<uint8_t> kept_;
};

}  // namespace

TImageSaver::TImageSaver(TRenderView& view, TSaveSettings& settings) : view_(view), settings_(settings) {
    CorrectPanorama = [this](const TExtBitmap& source, TExtBitmap& target, bool meteor, float altitude) {
        kestrune::CorrectPanorama(source, target, &view_.Host(), meteor, altitude);
    };
    CorrectPanoramaGAC = [](const TExtBitmap& source, TExtBitmap& target) { kestrune::CorrectPanoramaGAC(source, target); };
}

bool TImageSaver::ModeApplies(TSaveMode mode) {
    const TPassState& pass = view_.Pass();
    switch (mode) {
        case SaveCorrected:
            if (CorrectPanorama) return true;
            Notice(resStr(res::SNoCorrectedImage), TMsgDlgType::mtWarning);
            return false;
        case SaveApt:
            if (AptApplies(view_.DisplayBitmap())) return true;
            Notice(resStr(res::SNoAptImage),
                   TMsgDlgType::mtWarning);
            return false;
        case SaveGac:
            if (CorrectPanoramaGAC && IsGacFormat(pass.InputFormatCode)) return true;
            Notice(resStr(res::SNoGacImage), TMsgDlgType::mtWarning);
            return false;
        default: return true;
    }
}

// The display as shown, or as its cache file holds it.
void TImageSaver::CopyDisplay(TExtBitmap& image) {
    image.Assign(view_.DisplayBitmap());
    if (settings_.CacheFileName.empty()) return;
    try {
        image.LoadFromFile(settings_.CacheFileName);
    } catch (const std::exception&) {
        // The copy of the display serves as well.
    }
}

void TImageSaver::MakeCorrectedImage(TExtBitmap& image) {
    TRenderHost& host = view_.Host();
    const TPassState& pass = view_.Pass();
    host.ShowProgress(true);
    host.SetStatusText(resStr(res::SCorrectGeometry));
    host.ProcessPendingEvents();
    CorrectPanorama(view_.DisplayBitmap(), image, pass.MeteorPass, pass.EarthLocations->Altitude);
    if (settings_.TimestampRawImage) DrawCaptionBox(image);
    host.ShowProgress(false);
}

bool TImageSaver::MakeImage(TExtBitmap& image, TSaveMode mode) {
    bool caption = settings_.CaptionOnDisplayed;
    switch (mode) {
        case SaveCorrected:
            MakeCorrectedImage(image);
            caption = settings_.CaptionOnCorrected;
            break;
        case SaveApt:
            view_.Host().ProcessPendingEvents();
            ConvertToAPT(view_.DisplayBitmap(), image);
            caption = settings_.CaptionOnAPT;
            break;
        case SaveGac:
            view_.Host().ProcessPendingEvents();
            CorrectPanoramaGAC(view_.DisplayBitmap(), image);
            caption = settings_.CaptionOnGAC;
            break;
        default: CopyDisplay(image); break;
    }
    if (caption) DrawCaptionText(image, settings_.TextCaptionLocn);
    return !image.Empty();
}

// No caption to draw on the displayed image and no cache file to read it
// from: it is written without a copy.
bool TImageSaver::DisplayServesAsItIs(TSaveMode mode) const {
    return mode == SaveDisplayed && !settings_.CaptionOnDisplayed && settings_.CacheFileName.empty();
}

// A temperature scale is drawn on the display itself for the save, and the
// pixels beneath it are put back afterwards, also when the save fails.
std::string TImageSaver::SaveDisplay(const std::string& name) {
    TExtBitmap& display = view_.DisplayBitmap();
    view_.Host().ShowImageTools(false);
    if (!CarriesScale()) return SaveWithFallback(display, name);
    const TExtBitmap& scale = CurrentScale();
    int left = 0, top = 0;
    if (scale.Empty() || !CalibrationStripPlace(display.Width(), display.Height(), scale.Width(), scale.Height(),
                                                settings_.TempCalibLocn, left, top))
        return SaveWithFallback(display, name);
    const TPixelsKept beneath(display, left, top, scale.Width(), scale.Height());
    AddCalibrationStrip(display, scale, settings_.TempCalibLocn);
    return SaveWithFallback(display, name);
}

bool TImageSaver::CarriesScale() const { return view_.ViewIndex() == ViewTemperature || view_.ViewIndex() == ViewSst; }

const TExtBitmap& TImageSaver::CurrentScale() {
    const bool sized = !ScaleBitmap.Empty();
    TTemperatureScaleInputs inputs;
    inputs.View = view_.ViewIndex();
    inputs.UserRange = view_.Options.CheckBoxUserRange;
    inputs.UserMin = view_.Options.UpDownUserMinTemp;
    inputs.UserMax = view_.Options.UpDownUserMaxTemp;
    inputs.Sensor = view_.Pass().Sensor.get();
    PaintTemperatureScale(ScaleBitmap, sized ? ScaleBitmap.Width() : DefaultScaleWidth,
                          sized ? ScaleBitmap.Height() : DefaultScaleHeight, inputs);
    return ScaleBitmap;
}

std::string TImageSaver::SaveImage(const std::string& baseName, TSaveMode mode, bool asJpeg) {
    if (baseName.empty() || view_.DisplayBitmap().Empty() || !ModeApplies(mode)) return {};
    TRenderHost& host = view_.Host();
    TSaveScope scope(host, settings_.ReceiverRunning, CaptionBoxHeight);
    const std::string name = SavedImageName(baseName, view_.ImageSuffix(), mode, asJpeg, settings_.AddImgFileSuffix);
    if (mode == SaveDisplayed && SaveLocationFile) SaveLocationFile(baseName);
    if (DisplayServesAsItIs(mode)) return SaveDisplay(name);
    TExtBitmap image;
    if (!MakeImage(image, mode)) return {};
    host.ShowImageTools(false);
    if (CarriesScale()) AddCalibrationStrip(image, CurrentScale(), settings_.TempCalibLocn);
    return SaveWithFallback(image, name);
}

std::string TImageSaver::SaveWithFallback(const TExtBitmap& image, const std::string& name) {
    const bool toResults = !settings_.ResultsFolder.empty();
    const std::string folder =
        toResults ? IncludeTrailingPathDelimiter(settings_.ResultsFolder) : view_.Pass().InputFolder;
    std::string cause;
    try {
        return SaveBitmapFile(image, folder + name);
    } catch (const std::exception& failure) {
        cause = failure.what();
    }
    const std::string elsewhere = WritableProgramFile(name);
    try {
        const std::string written = SaveBitmapFile(image, elsewhere);
        Notice(FormatResStr(res::SSavedElsewhere, {resStr(toResults ? res::SResultsFolder : res::SSourceFolder), ShownFileNameText(folder), cause, ShownFileNameText(written)}),
               TMsgDlgType::mtWarning);
        return written;
    } catch (const std::exception& failure) {
        // The place asked for first, then why the program's own folder would not do either.
        Notice(FormatResStr(res::SNoWriteAccess, {FormatResStr(res::SImageNorIn, {cause, ShownFileNameText(ExtractFilePath(elsewhere)), failure.what()})}),
               TMsgDlgType::mtError);
        return {};
    }
}

std::string TImageSaver::SaveBitmapFile(const TExtBitmap& bitmap, const std::string& fileName) {
    const bool jpeg = IsJpegName(fileName);
    std::string saved = fileName;
    if (!settings_.Unattended)
        for (int k = 1; FileExists(saved); ++k)
            saved = ChangeFileExt(fileName, "." + std::to_string(k) + (jpeg ? ".jpg" : ".bmp"));
    TRenderHost& host = view_.Host();
    host.SetStatusText(FormatResStr(res::SSavingTo, {ShownFileNameText(saved)}));
    if (jpeg) SaveBitmapAsJPEG(bitmap, saved, static_cast<uint8_t>(std::clamp(settings_.JpegSaveQuality, 0, 255)));
    else bitmap.SaveToFile(saved);
    host.SetStatusText("");
    if (saved != fileName && !settings_.Unattended)
        Notice(FormatResStr(res::SSavedAsOther, {ShownFileNameText(fileName), ShownFileNameText(saved)}));
    return saved;
}

void TImageSaver::DrawCaptionText(TExtBitmap& bitmap, int positionCode) {
    if (positionCode == 0 || settings_.CaptionText.empty() || bitmap.Empty()) return;
    const TPassState& pass = view_.Pass();
    const TEarthLocations& locations = *pass.EarthLocations;
    const std::string satellite = pass.Orbit ? pass.Orbit->SatelliteName : std::string();
    const std::string text = " " + ExpandCaption(settings_.CaptionText, (locations.StartTime + locations.EndTime) / 2,
                                                 pass.Northbound, satellite) + " ";
    TCanvas& canvas = bitmap.Canvas();
    const int fontSize = canvas.Font.Size;
    if (bitmap.Width() > 1000) canvas.Font.Size = fontSize * 3;
    const TSize extent = canvas.TextExtent(text);
    const int x = positionCode >= 1 && positionCode <= 3 ? 0 : bitmap.Width() - extent.Width;
    int y = (bitmap.Height() - extent.Height) / 2;
    if (positionCode == 1 || positionCode == 4) y = CaptionBoxHeight;
    else if (positionCode == 3 || positionCode == 6) y = bitmap.Height() - extent.Height;
    canvas.TextOut(x, y, text);
    canvas.Font.Size = fontSize;
}

bool TImageSaver::DrawCaptionBox(TExtBitmap& bitmap) {
    CaptionBoxHeight = 0;
    const std::string& description = view_.Pass().PassDescription;
    if (view_.DisplayBitmap().Empty() || description.empty() || bitmap.Empty()) return false;
    TCanvas& canvas = bitmap.Canvas();
    const TFont font = canvas.Font;
    const TBrush brush = canvas.Brush;
    if (bitmap.Width() > 1000) canvas.Font.Size = font.Size * 3;
    canvas.Font.Color = 0x202020;
    canvas.Brush.Color = 0xE0E0E0;
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.TextOut(0, 0, " " + description + " ");
    CaptionBoxHeight = canvas.TextHeight("X;_");
    canvas.Font = font;
    canvas.Brush = brush;
    return true;
}

void TImageSaver::AddCalibrationStrip(TExtBitmap& image, const TExtBitmap& scale, int positionCode) {
    int left = 0, top = 0;
    if (image.Empty() || scale.Empty() ||
        !CalibrationStripPlace(image.Width(), image.Height(), scale.Width(), scale.Height(), positionCode, left, top))
        return;
    image.Canvas().Draw(left, top, scale);
}

}  // namespace kestrune
