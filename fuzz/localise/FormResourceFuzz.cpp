// Form streams over any bytes, translated into the sample dictionary's German
// column with every option on: refused or rewritten, never read past their end.
#include "fuzz/FuzzTarget.h"
#include "localise/LocFormProc.h"
#include "platform/ResFormStream.h"
#include "tests/support/LocSamples.h"

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TLocStorage storage;
    static const int column = [] {
        testing::FillNativeSample(storage);
        return testing::AddGermanSample(storage);
    }();
    TLocFormProcessor processor(storage);
    processor.Column = column;
    processor.LanguageId = 0x0401;
    processor.SetCharset = true;
    processor.UseBiDiMode = true;
    try {
        ReadFormStream(processor.ProcessStream(std::string_view(reinterpret_cast<const char*>(data), size)));
    } catch (const EFormStreamError&) {
    }
    return 0;
}

std::vector<std::string> FuzzSeeds() { return {WriteFormStream(testing::SampleMainForm())}; }
