#include "localise/LocUtils.h"

#include "localise/LocCommon.h"
#include "localise/LocLangFile.h"
#include "localise/LocResources.h"
#include "platform/ProgramFolder.h"
#include "platform/ResCodePages.h"

namespace kestrune {

namespace {

constexpr std::string_view LibrarySignature = "LDLL";
constexpr std::string_view ExecutableSignature = "QEXE";
constexpr size_t WideNameEndToSecondStamp = 4;  // the version and the reserved word

[[noreturn]] void InvalidResLibrary(const std::string& fileName) {
    throw ELocUtilsError("Invalid resource file format \"" + fileName + "\"");
}

[[noreturn]] void OutOfVersion(const std::string& fileName) {
    throw ELocUtilsError(FormatRes("Resource file %s is not synhronized with executable.\r\nPlease, update the file "
                                   "(using \"Refresh\" operation in Localizer or \"Create DLL\" command in Language "
                                   "Manager) and try again",
                                   fileName));
}

thread_local std::string ParsedFile;
[[noreturn]] void ShortBlock() { InvalidResLibrary(ParsedFile); }

}  // namespace

TDLLInfoItem ParseDLLSettings(std::string_view block, const std::string& fileName) {
    ParsedFile = fileName;
    TByteReader in(block, ShortBlock);
    in.Skip(4);
    TDLLInfoItem item;
    item.Stamp = in.U32();
    item.LanguageId = in.U16();
    item.AnsiName = std::string(in.Bytes(in.U16()));
    item.WideName = in.Wide(in.U16());
    // The second stamp when it is there whole; a block cut inside it counts as one without.
    if (in.Left() >= WideNameEndToSecondStamp + 4) {
        in.Skip(WideNameEndToSecondStamp);
        item.SecondStamp = in.U32();
    }
    return item;
}

std::unique_ptr<TResModule> TResModule::FromImage(std::string_view image, const std::string& name) {
    auto module = std::make_unique<TResModule>();
    module->fileName_ = name;
    if (!image.empty()) module->set_.LoadResourcesFromModule(image);
    return module;
}

std::unique_ptr<TResModule> TResModule::LoadLibrary(const std::string& fileName) {
    auto module = std::make_unique<TResModule>();
    module->fileName_ = fileName;
    try {
        module->set_.LoadResourcesFromFile(fileName);
    } catch (const std::exception&) {
        throw ELocUtilsError(FormatRes("Error loading resource file \"%s\"", fileName));
    }
    return module;
}

TDLLInfoItem TResModule::ReadSettings(bool isLibrary) const {
    const std::string_view block = RCDataItem(isLibrary ? LibSettingsName : ExeSettingsName);
    if (block.substr(0, 4) != (isLibrary ? LibrarySignature : ExecutableSignature)) InvalidResLibrary(fileName_);
    return ParseDLLSettings(block, fileName_);
}

const std::u16string* TResModule::FindString(uint16_t id) const {
    const TResString* strings = set_.Strings();
    const TResStringItem* item = strings ? strings->FindString(id) : nullptr;
    return item ? &item->Value : nullptr;
}

std::string_view TResModule::RCDataItem(std::string_view name) const {
    const TResRCData* rcdata = set_.RCData();
    const int index = rcdata ? rcdata->IndexOfName(std::string(name)) : -1;
    return index >= 0 ? std::string_view(rcdata->Items(static_cast<size_t>(index)).Data) : std::string_view();
}

TQLocUtils& TQLocUtils::Instance() {
    static TQLocUtils utils;
    return utils;
}

const TResModule& TQLocUtils::ProgramModule() {
    if (!program_) program_ = TResModule::FromImage(ProgramResourceImage(), ExecutablePath());
    return *program_;
}

const TResModule& TQLocUtils::ResourceModule() { return library_ ? *library_ : ProgramModule(); }

std::unique_ptr<TResModule> TQLocUtils::LoadResourceDLL(const std::string& fileName) {
    auto library = TResModule::LoadLibrary(fileName);
    if (library->ReadSettings(true).Stamp == ProgramModule().ReadSettings(false).Stamp) return library;
    if (IgnoreVersion) return nullptr;
    OutOfVersion(fileName);
}

void TQLocUtils::SetResourceModule(std::shared_ptr<const TResModule> library) { library_ = std::move(library); }

TDLLInfoItem TQLocUtils::GetResourceInfo() {
    TDLLInfoItem info = ResourceModule().ReadSettings(true);
    info.FileName = ResourceModule().FileName();
    return info;
}

bool TQLocUtils::CheckResourceVersion() {
    const TDLLInfoItem info = GetResourceInfo();
    if (info.Stamp == ProgramModule().ReadSettings(false).Stamp) return true;
    if (!IgnoreVersion) OutOfVersion(info.FileName);  // mended: the message names the module's file
    return false;
}

std::string TQLocUtils::LoadString(uint16_t id) {
    // An error met while the program's own resources are being read speaks English.
    thread_local bool reading = false;
    if (reading) return ResourceText(id);
    reading = true;
    std::string text = ResourceText(id);
    try {
        if (const std::u16string* found = ResourceModule().FindString(id)) text = Utf16ToUtf8(*found);
        else if (const std::u16string* own = ProgramModule().FindString(id)) text = Utf16ToUtf8(*own);
    } catch (...) {
        // The built-in text stands.
    }
    reading = false;
    return text;
}

void TQLocUtils::Reset() {
    library_.reset();
    program_.reset();
}

std::string LibraryText(uint16_t id) { return TQLocUtils::Instance().LoadString(id); }

namespace {
// Every text the program sets goes through the resources in use from the start.
const bool LookupInstalled = (SetResStrLookup([](uint16_t id) { return TQLocUtils::Instance().LoadString(id); }), true);
}  // namespace

}  // namespace kestrune
