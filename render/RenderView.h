// The view of a decoded pass: which of the 28 views is shown, the redisplay
// that maps the selected view tab to a view, lays out the side panel and
// renders, and the renderer that turns the samples into the 24-bit display
// bitmap through the view's colour tables. Nothing here knows a widget: the
// window owns one TRenderView, binds its controls to Options, shows
// DisplayBitmap and applies the side panel through the host.
#pragma once

#include "platform/Ipl.h"
#include "render/BMPExtImage.h"
#include "render/ClutImages.h"
#include "render/FireDetection.h"
#include "render/OverlayCanvas.h"
#include "render/RenderHost.h"
#include "render/ViewOptions.h"
#include "render/ViewTable.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

struct TPassState;

// What the overlay, fire, location and land-mask units add to the view.
// Each is optional: a missing one behaves as "nothing there".
struct TRenderServices {
    // Image pixel to latitude and longitude (degrees), nudge applied.
    std::function<bool(int x, int y, float& latitude, float& longitude)> PixelLocation;
    // Drawn on DisplayBitmap after rendering, and on a smaller copy of it
    // for the screen; true when something was drawn.
    std::function<bool(TOverlayCanvas& canvas)> DrawOverlay;
    std::function<bool(TOverlayCanvas& canvas)> DrawFireRegion;
    // First boundary overlay file, for the overlay error message.
    std::function<std::string()> BoundaryFileName;
    // Fills the caller's table (FireClassTableSize bytes).
    std::function<void(TFireClassTable& table)> BuildFireClassTable;
    // Fire filter images 1..3 (16-bit, pass width x lines); nullptr while absent.
    std::function<const IplImage*(int image)> FireImage;
    // The video adjust window: told the RGB channels; its transfer tables
    // (colour 0 red, 1 green, 2 blue) or nullptr when it does not use them.
    std::function<void(int red, int green, int blue)> SetAdjustChannels;
    std::function<const int32_t*(int colour)> AdjustTransfer;
};

class TRenderView {
public:
    TRenderView(TPassState& pass, TRenderHost& host);
    TRenderView(const TRenderView&) = delete;
    TRenderView& operator=(const TRenderView&) = delete;

    TViewOptions Options;
    TRenderSettings Settings;
    TRenderServices Services;
    // The overlay switch (the overlay button's state).
    bool OverlayShown = true;
    // False as the settings "AddImgFileSuffix" says.
    bool AddImgFileSuffix = true;
    // Copy of the display written after every redisplay; "" none.
    std::string CacheFileName;
    // The window shows the view smaller than it is: each redisplay keeps
    // the picture without its overlays for ScreenPicture.
    bool KeepsPictureForScreen = false;

    // The view tabs: the names of the views offered for the pass, and the
    // one selected. A name that is not offered cannot be selected.
    void SetViewTabs(std::vector<std::string> names);
    const std::vector<std::string>& ViewTabs() const { return viewTabs_; }
    bool IsViewOffered(uint8_t view) const;
    // Selects the tab and redisplays; false (nothing changes) when no tab has the name.
    bool SelectView(std::string_view name);
    // The named tab is selected and DisplayBitmap shows it as the options
    // and settings now ask (rendered since the last pass came, not cut short).
    bool ShowsCurrent(std::string_view name) const;
    const std::string& SelectedTab() const { return selectedTab_; }

    // The one redisplay: does nothing while one runs. Returns whether the
    // bitmap changed.
    bool Redisplay();
    // Renders ViewIndex into DisplayBitmap; false when it refused to run.
    bool RenderView();

    // Gives the picture shown, with the view, options and settings it was
    // drawn with, to receiver (a view of the same pass that saves it on a
    // thread of its own); this view shows nothing until it draws again.
    void HandOver(TRenderView& receiver);
    // Takes back the picture handed to receiver, unless this view has
    // redisplayed since.
    void TakeBack(TRenderView& receiver);

    TExtBitmap& DisplayBitmap() { return displayBitmap_; }
    const TExtBitmap& DisplayBitmap() const { return displayBitmap_; }
    // DisplayBitmap at width x height for the screen: the picture scaled
    // smoothly, and the overlays drawn again at that scale.
    void ScreenPicture(TExtBitmap& picture, int width, int height);
    uint8_t ViewIndex() const { return viewIndex_; }
    const std::string& ImageSuffix() const { return imageSuffix_; }
    bool RedisplayBusy() const { return redisplayBusy_; }
    bool RenderBusy() const { return renderBusy_; }
    // The side panel and caption of the last redisplay.
    const TSidePanelLayout& SidePanel() const { return sidePanel_; }
    const std::string& MappingCaption() const { return mappingCaption_; }
    int MappingHelpContext() const { return mappingHelpContext_; }

    TPassState& Pass() { return pass_; }
    TRenderHost& Host() { return host_; }

private:
    class TRenderer;

    void LayOutSidePanel();
    void ApplySstRange();
    // The pass is located and the overlay switch is on.
    bool OverlaysApply() const;
    // On the display's canvas, or on a scaled one; an error is reported
    // when asked.
    bool DrawOverlays(TOverlayCanvas& canvas, bool reportErrors);

    TPassState& pass_;
    TRenderHost& host_;
    TExtBitmap displayBitmap_;
    // The display before the overlays of the last redisplay were drawn on
    // it; empty when none were.
    TExtBitmap pictureWithoutOverlays_;
    std::vector<std::string> viewTabs_;
    std::string selectedTab_;
    uint8_t viewIndex_ = NoView;
    std::string imageSuffix_;
    bool redisplayBusy_ = false;
    bool renderBusy_ = false;
    // What the last whole redisplay showed.
    struct TShown {
        uint8_t View;
        TViewOptions Options;
        TRenderSettings Settings;
        bool OverlayShown;
    };
    std::optional<TShown> shown_;
    // Redisplays so far; a view that received a picture keeps the count it was handed at.
    uint64_t redisplays_ = 0;
    TSidePanelLayout sidePanel_;
    std::string mappingCaption_;
    int mappingHelpContext_ = 0;
    // The colour tables read at every redraw tell a file they leave alone once.
    TLeftAloneTold clutTold_;
    TLeftAloneTold ashPaletteTold_;
};

}  // namespace kestrune
