#include "app/DroppedFiles.h"

#include "app/RunReport.h"
#include "decoding/PassFileTypes.h"
#include "platform/ProgramStrings.h"
#include "platform/ResCodePages.h"

namespace kestrune {

std::string DropNotOpenedCause(const std::vector<std::string>& files) {
    if (files.empty()) return {};
    if (files.size() > 1) return FormatResStr(res::SDropSeveralFiles, {std::to_string(files.size())});
    const std::string& file = files.front();
    if (const std::string cause = UnloadedFileCause(file); !cause.empty()) return FormatResStr(res::SDropNotOpened, {cause});
    if (!IsPassFileName(file)) return FormatResStr(res::SDropNotPassFile, {ShownFileNameText(file), PassFileMasks(true)});
    return {};
}

}  // namespace kestrune
