// Building a language library for a program of 3,000 resource strings and
// ten forms: reading the native and the translated language files into the
// dictionary, and writing the translated resource-only library.
#include "localise/LocLangFile.h"
#include "tests/support/LocSamples.h"
#include "tools/localise/LangFileWriter.h"
#include "tools/localise/ProgramResources.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace kestrune {
namespace {

constexpr int ProgramStrings = 3000;
constexpr int ProgramForms = 10;

struct TProgram {
    TBytes image;
    TBytes nativeFile;
    TBytes germanFile;
    std::string library = (std::filesystem::temp_directory_path() / "kestrune-bench-talvessa.deu").string();

    TProgram() {
        TLocStorage storage;
        testing::FillProgramOfStrings(storage, ProgramStrings);
        std::vector<TFormResource> forms;
        for (int i = 0; i < ProgramForms; ++i) {
            TFormObject form = testing::SampleMainForm();
            form.ClassName = "TForm" + std::to_string(i);
            storage.Forms.FindOrAdd("Form" + std::to_string(i));
            forms.push_back({"TFORM" + std::to_string(i), WriteFormStream(form)});
        }
        testing::FillNativeSample(storage);
        const int german = testing::AddGermanSample(storage);
        TLangFile header;
        header.LanguageId = testing::English;
        header.Stamp = testing::NativeStamp;
        header.EnglishName = "English";
        header.IsNative = true;
        image = WriteProgramResources(storage, forms, header);
        nativeFile = WriteLangFile(header, storage, 0);
        header.LanguageId = testing::German;
        header.IsNative = false;
        germanFile = WriteLangFile(header, storage, german);
    }
    ~TProgram() { std::filesystem::remove(library); }
};

void BM_BuildLanguageLibrary(benchmark::State& state) {
    const TProgram program;
    for (auto _ : state) {
        TLocStorage storage;
        TLangFile native;
        native.ReadBody(program.nativeFile, &storage, 0, -1);
        TLangFile german;
        german.ReadLangFileHeader(program.germanFile);
        german.Column = storage.AddLanguage(0, german.LanguageId);
        german.ReadBody(program.germanFile, &storage, 0, german.Column);
        german.CreateLanguageDLL(program.image, program.library, true, storage, "");
    }
}
BENCHMARK(BM_BuildLanguageLibrary)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestrune
