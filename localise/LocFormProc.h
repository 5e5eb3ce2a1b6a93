// Translation of form resources: each form stream of a resource set is
// copied byte for byte, except the values of translatable properties, which
// take the dictionary's values of one language column.
#pragma once

#include "localise/LocStorage.h"
#include "platform/ResBytes.h"
#include "platform/SysUtils.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

class TResProcessor;

class ELocFormProcessorError : public Exception {
public:
    using Exception::Exception;
};

class TLocFormProcessor {
public:
    explicit TLocFormProcessor(const TLocStorage& storage) : storage_(storage) {}

    int Column = 0;
    uint16_t LanguageId = 9;
    std::vector<std::string> FormNames;  // dictionary form names (class names without their first letter)
    bool SetCharset = false;             // set font charsets to the language's
    bool UseBiDiMode = false;            // make right-to-left languages read right to left
    bool UseOutdatedTranslations = false;
    std::string NameTemplate;            // "${FormName}" stands for the form's name

    // Translates every form of FormNames found in the set's RCDATA ("T" or "TME" + name, upper case).
    void ProcessResources(TResProcessor& set);
    void ProcessForm(TResProcessor& set, const std::string& name);
    TBytes ProcessStream(std::string_view input);

    // The framework's name of a font charset, or its number as text.
    static std::string CharsetIdent(uint8_t charset);

private:
    const TLocStorage& storage_;
    std::string charsetIdent_ = "DEFAULT_CHARSET";
    uint8_t charset_ = 1;
    bool rightToLeft_ = false;
};

}  // namespace kestrune
