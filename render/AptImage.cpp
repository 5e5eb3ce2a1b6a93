#include "render/AptImage.h"

#include "render/BMPExtImage.h"

#include <array>
#include <vector>

namespace kestrune {

namespace {

// A run of input pixels that becomes a run of output pixels, per colour byte.
enum class TAptRule { Copy, TwoOfThreeLeft, Half, Third, Quarter, TwoOfThreeRight };

struct TAptGroup {
    int repetitions;
    int inputs;
    TAptRule rule;
};

// Left to right; the weight 2 of the three-to-two groups falls on the pixel
// nearer that side's edge.
constexpr std::array<TAptGroup, 9> AptGroups{{
    {121, 1, TAptRule::Copy},
    {31, 3, TAptRule::TwoOfThreeLeft},
    {83, 2, TAptRule::Half},
    {110, 3, TAptRule::Third},
    {157, 4, TAptRule::Quarter},
    {110, 3, TAptRule::Third},
    {83, 2, TAptRule::Half},
    {31, 3, TAptRule::TwoOfThreeRight},
    {121, 1, TAptRule::Copy},
}};

// One merged line of samples (one colour byte every step bytes) into the
// output line's bytes at the same step.
void ResampleLine(const uint8_t* in, uint8_t* out, int step) {
    auto at = [&](int k) { return static_cast<int>(in[k * step]); };
    auto put = [&](int value) {
        *out = static_cast<uint8_t>(value);
        out += step;
    };
    for (const TAptGroup& group : AptGroups)
        for (int r = 0; r < group.repetitions; ++r, in += group.inputs * step) {
            switch (group.rule) {
                case TAptRule::Copy: put(at(0)); break;
                case TAptRule::TwoOfThreeLeft:
                    put((2 * at(0) + at(1)) / 3);
                    put((2 * at(1) + at(2)) / 3);
                    break;
                case TAptRule::TwoOfThreeRight:
                    put((at(0) + 2 * at(1)) / 3);
                    put((at(1) + 2 * at(2)) / 3);
                    break;
                case TAptRule::Half: put((at(0) + at(1)) / 2); break;
                case TAptRule::Third: put((at(0) + at(1) + at(2)) / 3); break;
                case TAptRule::Quarter: put((at(0) + at(1) + at(2) + at(3)) / 4); break;
            }
        }
}

}  // namespace

bool AptApplies(const TExtBitmap& source) {
    return source.Width() == AptSourceWidth && (source.PixelFormat() == TPixelFormat::pf8bit ||
                                                source.PixelFormat() == TPixelFormat::pf24bit);
}

void ConvertToAPT(const TExtBitmap& source, TExtBitmap& target) {
    if (source.Width() != AptSourceWidth) return;
    target.SetPixelFormat(source.PixelFormat());
    target.SetSize(AptWidth, source.Height() / 3);
    SetGreyPalette(target);
    if (!AptApplies(source)) return;
    const int step = BytesPerPixel(source.PixelFormat());
    std::vector<uint8_t> merged(static_cast<size_t>(AptSourceWidth) * step);
    for (int k = 0; k < target.Height(); ++k) {
        const uint8_t* a = source.ScanLine(3 * k);
        const uint8_t* b = source.ScanLine(3 * k + 1);
        const uint8_t* c = source.ScanLine(3 * k + 2);
        for (size_t i = 0; i < merged.size(); ++i) merged[i] = static_cast<uint8_t>((a[i] + 2 * b[i] + c[i]) / 4);
        uint8_t* out = target.ScanLine(k);
        for (int colour = 0; colour < step; ++colour) ResampleLine(merged.data() + colour, out + colour, step);
    }
}

void SetGreyPalette(TExtBitmap& bitmap) {
    if (bitmap.PixelFormat() == TPixelFormat::pf8bit) bitmap.SetPalette(GreyPalette());
}

}  // namespace kestrune
