// The dialogs' stored placement over any bytes: what reads writes back the same.
#include "fuzz/FuzzTarget.h"
#include "shell/FHyFolderBrowseDlg.h"

#include <cstdlib>

using namespace kestrune::shell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    THyFolderBrowseDlg dialog;
    if (!dialog.LoadPlacement(std::string_view(reinterpret_cast<const char*>(data), size))) return 0;
    THyFolderBrowseDlg again;
    if (!again.LoadPlacement(dialog.SavePlacement()) || again.SavePlacement() != dialog.SavePlacement()) std::abort();
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    THyFolderBrowseDlg dialog;
    dialog.FormWidth = 356;
    dialog.FormHeight = 313;
    return {dialog.SavePlacement()};
}
