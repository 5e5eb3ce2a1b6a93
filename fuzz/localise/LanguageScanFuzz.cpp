// A language file of any bytes beside the program: the scan takes it into
// the Language menu or leaves it out, switching to it builds its library or
// is refused, and switching back gives the program its own texts again.
#include "fuzz/FuzzFiles.h"
#include "fuzz/FuzzTarget.h"
#include "localise/LocOnFly.h"
#include "localise/LocResources.h"
#include "localise/LocUtils.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"
#include "tests/support/LocSamples.h"
#include "tools/localise/LangFileWriter.h"
#include "tools/localise/ProgramResources.h"

#include <cstdlib>
#include <filesystem>

using namespace kestrune;

namespace {

TLocStorage NativeDictionary() {
    TLocStorage storage;
    testing::FillNativeSample(storage);
    return storage;
}

// The program: its resources, its native language file, and no stored choice.
const fuzz::TFuzzFolder& Program() {
    static const fuzz::TFuzzFolder folder("langscan");
    static const TBytes image = WriteProgramResources(NativeDictionary(), {}, ProgramNativeHeader(NativeDictionary()));
    static const bool ready = [] {
        SetProgramNameOverride("kestrune");
        SetProgramResourceImage(image);
        const TBytes native = WriteLangFile(ProgramNativeHeader(NativeDictionary()), NativeDictionary(), 0);
        folder.WriteInput("program/kestrune.ntv.lng", reinterpret_cast<const uint8_t*>(native.data()), native.size());
        return true;
    }();
    (void)ready;
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fuzz::TFuzzFolder& folder = Program();
    folder.WriteInput("program/kestrune.deu.lng", data, size);
    std::error_code ignored;
    std::filesystem::remove(folder.ProgramFolder() / "kestrune.DEU", ignored);
    TRegistry registry;
    if (registry.OpenKey("Software\\Borland\\Locales", true)) registry.DeleteValue(ExecutablePath());

    TQLocalizerOnFly& localizer = TQLocalizerOnFly::Instance();
    localizer.Reset();
    TQLocUtils::Instance().Reset();
    localizer.ShowError = [](const std::string&) {};
    localizer.InitLocalizer();
    localizer.SwitchToExtension("DEU");
    localizer.SwitchToExtension("ntv");
    // Whatever the file claimed, the program's own texts are back.
    if (TQLocUtils::Instance().UsesOwnResources() && TQLocUtils::Instance().LoadString(100) != "Open…") std::abort();
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    TLocStorage storage = NativeDictionary();
    const int german = testing::AddGermanSample(storage);
    TLangFile header = ProgramNativeHeader(storage);
    header.LanguageId = testing::German;
    header.EnglishName = "German";
    header.NativeName = u"Deutsch";
    header.IsNative = false;
    header.SecondStamp = 7;
    return {WriteLangFile(header, storage, german), WriteLangFile(ProgramNativeHeader(storage), storage, 0), "LF"};
}
