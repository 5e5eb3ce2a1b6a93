// "Disable desktop composition" on the X desktop: a window asks the
// compositor to leave it alone (_NET_WM_BYPASS_COMPOSITOR), which takes
// effect at once. Other window systems offer nothing of the kind.
#pragma once

class QWidget;

namespace kestrune {

// Whether this window system lets a window ask to bypass the compositor.
bool CompositionSwitchAvailable();
// Sets the window's request (1) or takes it back; nothing where unavailable.
void SetBypassCompositor(QWidget& window, bool bypass);

}  // namespace kestrune
