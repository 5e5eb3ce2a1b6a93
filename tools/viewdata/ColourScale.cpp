#include "tools/viewdata/ColourScale.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace kestrune::viewdata {

namespace {

[[noreturn]] void Fail(size_t lineNumber, const std::string& what) {
    throw EColourScaleError("Line " + std::to_string(lineNumber) + " of the colour table: " + what);
}

bool Separator(char c) { return c == ' ' || c == '\t' || c == '/'; }

// Words split at blanks, tabs and slashes (GMT writes r/g/b or r g b).
std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && Separator(line[i])) ++i;
        const size_t start = i;
        while (i < line.size() && !Separator(line[i])) ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

bool Number(std::string_view word, double& value) {
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return error == std::errc() && end == word.data() + word.size() && std::isfinite(value);
}

}  // namespace

TColourScale TColourScale::Read(std::string_view text) {
    TColourScale scale;
    const std::vector<std::string> lines = SplitLines(text);
    for (size_t index = 0; index < lines.size(); ++index) {
        const size_t lineNumber = index + 1;
        std::string_view line = lines[index];
        // Comments, and the label GMT may write after a semicolon.
        line = line.substr(0, std::min({line.find('#'), line.find(';'), line.size()}));
        const auto words = Words(line);
        if (words.empty() || words[0] == "B" || words[0] == "F" || words[0] == "N") continue;
        // z0 r g b z1 r g b, and GMT's optional annotation flag (L, U or B) after them.
        double values[8];
        const bool flagged = words.size() == 9 && (words[8] == "L" || words[8] == "U" || words[8] == "B");
        if (words.size() != 8 && !flagged) Fail(lineNumber, "not a slice of two RGB colours");
        for (size_t i = 0; i < 8; ++i)
            if (!Number(words[i], values[i])) Fail(lineNumber, "not a slice of two RGB colours");
        TSlice slice{values[0], values[4], {values[1], values[2], values[3]}, {values[5], values[6], values[7]}};
        for (double component : {values[1], values[2], values[3], values[5], values[6], values[7]})
            if (component < 0 || component > 255) Fail(lineNumber, "a colour beyond 0..255");
        if (slice.High <= slice.Low || (!scale.slices_.empty() && slice.Low < scale.slices_.back().High))
            Fail(lineNumber, "a slice out of order");
        scale.slices_.push_back(slice);
    }
    if (scale.slices_.empty()) throw EColourScaleError("The colour table holds no slices");
    return scale;
}

TBgrEntry TColourScale::At(double fraction) const {
    const double low = slices_.front().Low;
    const double z = low + std::clamp(fraction, 0.0, 1.0) * (slices_.back().High - low);
    // The first slice reaching z; a gap between slices takes the next one's low colour.
    const auto slice = std::find_if(slices_.begin(), slices_.end() - 1, [&](const TSlice& s) { return z <= s.High; });
    const double f = std::clamp((z - slice->Low) / (slice->High - slice->Low), 0.0, 1.0);
    double rgb[3];
    for (int k = 0; k < 3; ++k) rgb[k] = slice->LowColour[k] + f * (slice->HighColour[k] - slice->LowColour[k]);
    const auto byte = [](double value) { return static_cast<uint8_t>(std::lround(value)); };
    return {byte(rgb[2]), byte(rgb[1]), byte(rgb[0])};
}

}  // namespace kestrune::viewdata
