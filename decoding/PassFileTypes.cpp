#include "decoding/PassFileTypes.h"

#include "platform/SysUtils.h"

#include <algorithm>

namespace kestrune {

namespace {

constexpr const char* Packed = ".gz";

}  // namespace

bool IsPassFileName(const std::string& fileName) {
    std::string name = LowerCase(ExtractFileName(fileName));
    if (ExtractFileExt(name) == Packed) name = ChangeFileExt(name, "");
    const std::string extension = ExtractFileExt(name);
    return std::any_of(PassFileTypes.begin(), PassFileTypes.end(),
                       [&](const TPassFileType& type) { return extension == type.Extension; });
}

std::string PassFileMasks(bool readable) {
    std::string masks;
    const auto add = [&](const std::string& mask) { masks += (masks.empty() ? "" : readable ? ", " : " ") + mask; };
    for (const TPassFileType& type : PassFileTypes) {
        if (readable) {
            add("*" + std::string(type.Extension));
            continue;
        }
        for (const std::string& extension : {std::string(type.Extension), type.Extension + std::string(Packed)}) {
            add("*" + extension);
            add("*" + UpperCase(extension));
        }
    }
    if (readable) add("*" + std::string(Packed));
    return masks;
}

std::string ClaimedPassExtensions() {
    std::string extensions;
    for (const TPassFileType& type : PassFileTypes) {
        if (!type.Claimed) continue;
        const std::string extension = std::string(type.Extension).substr(1);
        extensions += (extensions.empty() ? "" : ", ") + extension + ", " + extension + Packed;
    }
    return extensions;
}

}  // namespace kestrune
