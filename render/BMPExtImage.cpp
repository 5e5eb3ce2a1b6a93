#include "render/BMPExtImage.h"

#include "platform/FileIO.h"
#include "platform/ParallelLines.h"
#include "render/Canvas.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>
#include <optional>
#include <string_view>
#include <vector>

namespace kestrune {

namespace {

// Bitmaps are read whole: the largest the program writes, a long pass at
// full width in colour, is well under 100 MB.
constexpr int64_t MostBitmapFileBytes = int64_t{256} << 20;
constexpr std::size_t FileHeaderSize = 14;
constexpr std::size_t InfoHeaderSize = 40;
constexpr std::size_t HeadersSize = FileHeaderSize + InfoHeaderSize;
constexpr uint16_t BitmapSignature = 0x4D42;  // "BM"
constexpr uint32_t BiRgb = 0;
constexpr uint32_t BiBitfields = 3;

// Little-endian fields at fixed offsets; callers check the length first.
uint16_t U16At(const std::vector<uint8_t>& bytes, std::size_t offset) {
    return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}
uint32_t U32At(const std::vector<uint8_t>& bytes, std::size_t offset) {
    return static_cast<uint32_t>(bytes[offset]) | (static_cast<uint32_t>(bytes[offset + 1]) << 8) |
           (static_cast<uint32_t>(bytes[offset + 2]) << 16) | (static_cast<uint32_t>(bytes[offset + 3]) << 24);
}
int32_t S32At(const std::vector<uint8_t>& bytes, std::size_t offset) {
    return static_cast<int32_t>(U32At(bytes, offset));
}
void PutU32(std::vector<uint8_t>& bytes, std::size_t offset, uint32_t value) {
    for (int k = 0; k < 4; ++k)
        bytes[offset + k] = static_cast<uint8_t>(value >> (8 * k));
}
void AppendU16(std::string& out, uint32_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}
void AppendU32(std::string& out, uint32_t value) {
    AppendU16(out, value & 0xFFFF);
    AppendU16(out, value >> 16);
}

// Bytes of a BMP row: padded to a multiple of 4.
uint64_t BmpRowBytes(uint64_t width, uint64_t bitsPerPixel) {
    return (width * bitsPerPixel + 31) / 32 * 4;
}

[[noreturn]] void InvalidBitmap(const char* why) {
    throw EInvalidGraphic(Format("Bitmap image is not valid (%s)", why));
}

// The fields of the 40-byte information header that the repairs look at.
struct TInfoFields {
    uint32_t size, sizeImage, coloursUsed, coloursImportant;
    int32_t width, height;
    uint16_t planes, bitsPerPixel;

    explicit TInfoFields(const std::vector<uint8_t>& bytes)
        : size(U32At(bytes, 14)), sizeImage(U32At(bytes, 34)), coloursUsed(U32At(bytes, 46)),
          coloursImportant(U32At(bytes, 50)), width(S32At(bytes, 18)), height(S32At(bytes, 22)),
          planes(U16At(bytes, 26)), bitsPerPixel(U16At(bytes, 28)) {}

    uint64_t Rows() const { return static_cast<uint64_t>(std::abs(static_cast<int64_t>(height))); }
};

// Some writers declare 200 or 224 colours (as used and as important) but
// store all 256 entries, so the pixels start 56 or 32 entries later than
// the declaration says. Only a file long enough for the full table and its
// pixels is taken for one: a correctly written short table is left alone.
std::optional<std::vector<uint8_t>> WithoutUndeclaredColours(const std::vector<uint8_t>& bytes,
                                                             const TInfoFields& info) {
    const uint32_t declared = info.coloursUsed;
    if (info.coloursImportant != declared || (declared != 200 && declared != 224) || info.width <= 0)
        return std::nullopt;
    const uint64_t fullTable = 256 * 4;
    const uint64_t pixels = BmpRowBytes(static_cast<uint64_t>(info.width), info.bitsPerPixel) * info.Rows();
    if (bytes.size() < HeadersSize + fullTable + pixels)
        return std::nullopt;
    std::vector<uint8_t> repaired(bytes.begin(), bytes.begin() + HeadersSize + declared * 4);
    repaired.insert(repaired.end(), bytes.begin() + HeadersSize + fullTable, bytes.end());
    return repaired;
}

// Some writers of 2080-sample-wide 8-bit images put a wrong image size in
// the header; it becomes width x height (the file header's pixel offset
// stays as it is).
std::optional<std::vector<uint8_t>> WithImageSizeMended(const std::vector<uint8_t>& bytes,
                                                        const TInfoFields& info) {
    const uint64_t expected = static_cast<uint64_t>(info.width) * info.Rows();
    if (info.planes != 1 || info.bitsPerPixel != 8 || info.width != 2080 || info.sizeImage == expected)
        return std::nullopt;
    std::vector<uint8_t> repaired = bytes;
    PutU32(repaired, 34, static_cast<uint32_t>(expected));
    return repaired;
}

std::optional<std::vector<uint8_t>> RepairedBmp(const std::vector<uint8_t>& bytes) {
    if (bytes.size() <= HeadersSize || U16At(bytes, 0) != BitmapSignature)
        return std::nullopt;
    const TInfoFields info(bytes);
    if (info.size < InfoHeaderSize)
        return std::nullopt;
    if (auto repaired = WithoutUndeclaredColours(bytes, info))
        return repaired;
    return WithImageSizeMended(bytes, info);
}

// Layout of a BMP file that the plain reader accepts.
struct TBmpLayout {
    int width = 0;
    int height = 0;
    bool topDown = false;
    TPixelFormat format = TPixelFormat::pf24bit;
    std::size_t paletteOffset = 0;
    std::size_t paletteEntries = 0;
    std::size_t paletteEntrySize = 4;
    std::size_t pixelOffset = 0;
    uint64_t rowBytes = 0;
};

TPixelFormat FormatOfBits(unsigned bitsPerPixel) {
    switch (bitsPerPixel) {
    case 8: return TPixelFormat::pf8bit;
    case 24: return TPixelFormat::pf24bit;
    case 32: return TPixelFormat::pf32bit;
    default: throw EInvalidGraphic(Format("Unsupported bitmap format: %u bits per pixel", bitsPerPixel));
    }
}

// 32-bit bit fields are accepted when they are the plain blue-green-red order.
void CheckBitFields(const std::vector<uint8_t>& bytes, std::size_t masksOffset, unsigned bitsPerPixel) {
    if (bitsPerPixel != 32 || bytes.size() < masksOffset + 12)
        InvalidBitmap("bit fields");
    if (U32At(bytes, masksOffset) != 0xFF0000 || U32At(bytes, masksOffset + 4) != 0xFF00 ||
        U32At(bytes, masksOffset + 8) != 0xFF)
        throw EInvalidGraphic("Unsupported bitmap format: colour masks");
}

// What the information header (or the old core header) declares.
struct TBmpHeader {
    int64_t width = 0;
    int64_t height = 0;  // negative: rows from the top
    unsigned bitsPerPixel = 0;
    uint32_t coloursUsed = 0;
    std::size_t headersEnd = 0;  // where the colour table starts
    std::size_t paletteEntrySize = 4;
};

TBmpHeader ReadBmpHeader(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < FileHeaderSize + 12 || U16At(bytes, 0) != BitmapSignature)
        InvalidBitmap("no bitmap header");
    const uint32_t infoSize = U32At(bytes, 14);
    TBmpHeader header;
    header.headersEnd = FileHeaderSize + infoSize;
    if (infoSize == 12) {  // the old core header
        header.width = U16At(bytes, 18);
        header.height = U16At(bytes, 20);
        header.bitsPerPixel = U16At(bytes, 24);
        header.paletteEntrySize = 3;
        return header;
    }
    if (infoSize < InfoHeaderSize || bytes.size() < header.headersEnd)
        InvalidBitmap("information header");
    header.width = S32At(bytes, 18);
    header.height = S32At(bytes, 22);
    header.bitsPerPixel = U16At(bytes, 28);
    header.coloursUsed = U32At(bytes, 46);
    const uint32_t compression = U32At(bytes, 30);
    if (compression == BiBitfields) {
        CheckBitFields(bytes, HeadersSize, header.bitsPerPixel);
        if (infoSize == InfoHeaderSize)
            header.headersEnd += 12;
    } else if (compression != BiRgb) {
        throw EInvalidGraphic("Unsupported bitmap format: compressed pixels");
    }
    return header;
}

TBmpLayout ParseBmp(const std::vector<uint8_t>& bytes) {
    const TBmpHeader header = ReadBmpHeader(bytes);
    if (header.width <= 0 || header.height == 0 || header.height < -INT32_MAX)
        InvalidBitmap("size");
    TBmpLayout layout;
    layout.width = static_cast<int>(header.width);
    layout.height = static_cast<int>(std::abs(header.height));
    layout.topDown = header.height < 0;
    layout.format = FormatOfBits(header.bitsPerPixel);
    if (layout.format == TPixelFormat::pf8bit) {
        layout.paletteEntries = header.coloursUsed == 0 ? 256 : header.coloursUsed;
        if (layout.paletteEntries > 256)
            InvalidBitmap("colour table");
    }
    layout.paletteOffset = header.headersEnd;
    layout.paletteEntrySize = header.paletteEntrySize;
    const uint64_t paletteEnd =
        header.headersEnd + static_cast<uint64_t>(layout.paletteEntries) * layout.paletteEntrySize;
    layout.rowBytes = BmpRowBytes(static_cast<uint64_t>(layout.width), header.bitsPerPixel);
    const uint64_t pixelBytes = layout.rowBytes * static_cast<uint64_t>(layout.height);
    // The declared pixel offset when it is plausible, else right after the
    // colour table (where some writers' offsets should have pointed).
    const uint64_t declaredOffset = U32At(bytes, 10);
    if (declaredOffset >= paletteEnd && declaredOffset + pixelBytes <= bytes.size())
        layout.pixelOffset = static_cast<std::size_t>(declaredOffset);
    else if (paletteEnd + pixelBytes <= bytes.size())
        layout.pixelOffset = static_cast<std::size_t>(paletteEnd);
    else
        InvalidBitmap("the file is shorter than its pixels");
    return layout;
}

std::vector<uint8_t> ReadFileBytes(const std::string& fileName) {
    std::string content;
    const TKeptFile kept = ReadKeptFile(fileName, MostBitmapFileBytes, content);
    if (kept.Kind == TKeptFile::TKind::Missing)
        throw Exception(Format("Cannot open file \"%s\". %s", fileName.c_str(), std::strerror(ENOENT)));
    if (kept.Kind != TKeptFile::TKind::Read) throw EFileLeftAlone(LeftAloneNote(kept));
    return {content.begin(), content.end()};
}

TRGBQuad PixelColour(const uint8_t* row, int x, TPixelFormat format,
                          const std::vector<TRGBQuad>& palette) {
    if (format == TPixelFormat::pf8bit)
        return row[x] < palette.size() ? palette[row[x]] : TRGBQuad{};
    const uint8_t* pixel = row + x * BytesPerPixel(format);
    return TRGBQuad{pixel[0], pixel[1], pixel[2], 0};
}

void PutPixelColour(uint8_t* row, int x, TPixelFormat format, const TRGBQuad& colour) {
    if (format == TPixelFormat::pf8bit) {
        row[x] = static_cast<uint8_t>((colour.Red * 77 + colour.Green * 150 + colour.Blue * 29) >> 8);
        return;
    }
    uint8_t* pixel = row + x * BytesPerPixel(format);
    pixel[0] = colour.Blue;
    pixel[1] = colour.Green;
    pixel[2] = colour.Red;
    if (format == TPixelFormat::pf32bit)
        pixel[3] = 0;
}

int ChannelsOfFormat(TPixelFormat format) {
    switch (format) {
    case TPixelFormat::pf8bit: return 1;
    case TPixelFormat::pf24bit: return 3;
    default: return 0;
    }
}

}  // namespace

int BytesPerPixel(TPixelFormat format) {
    switch (format) {
    case TPixelFormat::pf8bit: return 1;
    case TPixelFormat::pf24bit: return 3;
    case TPixelFormat::pf32bit: return 4;
    }
    return 3;
}

namespace {

// Rows run on from one to the next at multiples of four bytes, as in the file.
std::size_t StrideOf(int width, TPixelFormat format) {
    return (static_cast<std::size_t>(width) * BytesPerPixel(format) + 3) / 4 * 4;
}

}  // namespace

std::vector<TRGBQuad> GreyPalette() {
    std::vector<TRGBQuad> palette(256);
    for (int i = 0; i < 256; ++i) {
        const auto grey = static_cast<uint8_t>(i);
        palette[i] = TRGBQuad{grey, grey, grey, 0};
    }
    return palette;
}

// ------------------------------------------------------------- TExtBitmap

TExtBitmap::TExtBitmap() = default;

TExtBitmap::~TExtBitmap() = default;

std::size_t TExtBitmap::RowBytes() const {
    return static_cast<std::size_t>(width_) * static_cast<std::size_t>(BytesPerPixel(format_));
}

void TExtBitmap::Assign(const TExtBitmap& source) {
    if (&source == this)
        return;
    ReleaseCanvas();
    width_ = source.width_;
    height_ = source.height_;
    format_ = source.format_;
    stride_ = source.stride_;
    // Copied row by row on all processors, into memory not cleared first.
    pixels_.clear();
    pixels_.resize(source.pixels_.size());
    ForLineRanges(0, height_, [&](int32_t first, int32_t last) {
        const std::size_t from = static_cast<std::size_t>(first) * stride_;
        std::memcpy(pixels_.data() + from, source.pixels_.data() + from, static_cast<std::size_t>(last - first) * stride_);
    });
    palette_ = source.palette_;
    Changed();
}

void TExtBitmap::SwapPixels(TExtBitmap& other) {
    if (&other == this)
        return;
    other.ReleaseCanvas();
    TakePixelsOf(other);
    other.Changed();
}

void TExtBitmap::Reallocate(int width, int height, TPixelFormat format, bool keepPixels) {
    if (width < 0 || height < 0)
        throw EInvalidGraphicOperation(Format("Invalid bitmap size %d x %d", width, height));
    const std::size_t stride = StrideOf(width, format);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * BytesPerPixel(format);
    std::vector<uint8_t, TUnclearedAllocator<uint8_t>> pixels(stride * static_cast<std::size_t>(height));
    const int keptRows = keepPixels && format == format_ ? std::min(height, height_) : 0;
    const std::size_t keptBytes = keptRows > 0 ? std::min(rowBytes, RowBytes()) : 0;
    // A picture of a pass is some 30 MB: its first touch goes on all processors.
    ForLineRanges(0, height, [&](int32_t first, int32_t last) {
        for (int y = first; y < last; ++y) {
            uint8_t* row = pixels.data() + static_cast<std::size_t>(y) * stride;
            const std::size_t kept = y < keptRows ? keptBytes : 0;
            if (kept > 0) std::memcpy(row, pixels_.data() + static_cast<std::size_t>(y) * stride_, kept);
            std::memset(row + kept, 0xFF, stride - kept);
        }
    });
    ReleaseCanvas();
    pixels_ = std::move(pixels);
    SetDimensions(width, height, format);
}

void TExtBitmap::SetDimensions(int width, int height, TPixelFormat format) {
    width_ = width;
    height_ = height;
    format_ = format;
    stride_ = StrideOf(width, format);
}

void TExtBitmap::SetWidth(int width) { SetSize(width, height_); }

void TExtBitmap::SetHeight(int height) { SetSize(width_, height); }

void TExtBitmap::SetSize(int width, int height) {
    if (width == width_ && height == height_)
        return;
    Reallocate(width, height, format_, true);
    Changed();
}

bool TExtBitmap::SetSizeForOverwrite(int width, int height) {
    if (width == width_ && height == height_)
        return false;
    if (width < 0 || height < 0)
        throw EInvalidGraphicOperation(Format("Invalid bitmap size %d x %d", width, height));
    ReleaseCanvas();
    // Freed first: the old and the new picture are never held together.
    pixels_ = {};
    pixels_.resize(StrideOf(width, format_) * static_cast<std::size_t>(height));
    SetDimensions(width, height, format_);
    Changed();
    return true;
}

void TExtBitmap::SetPixelFormat(TPixelFormat format) {
    if (format == format_)
        return;
    TExtBitmap converted;
    converted.Reallocate(width_, height_, format, false);
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            PutPixelColour(converted.ScanLine(y), x, format, PixelColour(ScanLine(y), x, format_, palette_));
    if (format == TPixelFormat::pf8bit)
        converted.palette_ = GreyPalette();
    TakePixelsOf(converted);
}

uint8_t* TExtBitmap::ScanLine(int y) {
    if (y < 0 || y >= height_)
        throw EInvalidGraphicOperation("Scan line index out of range");
    return pixels_.data() + static_cast<std::size_t>(y) * stride_;
}

const uint8_t* TExtBitmap::ScanLine(int y) const { return const_cast<TExtBitmap*>(this)->ScanLine(y); }

void TExtBitmap::SetPalette(std::vector<TRGBQuad> palette) {
    if (palette.size() > 256)
        throw EInvalidGraphicOperation("A colour table holds at most 256 entries");
    palette_ = palette.empty() ? GreyPalette() : std::move(palette);
}

TCanvas& TExtBitmap::Canvas() {
    if (!canvas_)
        canvas_ = std::make_unique<TCanvas>(*this);
    return *canvas_;
}

void TExtBitmap::ReleaseCanvas() {
    if (canvas_)
        canvas_->ReleasePixels();
}

void TExtBitmap::SetModified(bool modified) {
    modified_ = modified;
    if (modified && OnChange)
        OnChange();
}

void TExtBitmap::Changed() { SetModified(true); }

void TExtBitmap::TakePixelsOf(TExtBitmap& other) {
    ReleaseCanvas();
    std::swap(width_, other.width_);
    std::swap(height_, other.height_);
    std::swap(format_, other.format_);
    std::swap(stride_, other.stride_);
    pixels_.swap(other.pixels_);
    palette_.swap(other.palette_);
    if (format_ == TPixelFormat::pf8bit && palette_.empty())
        palette_ = GreyPalette();
    if (format_ != TPixelFormat::pf8bit)
        palette_.clear();
    Changed();
}

// ------------------------------------------------------------ BMP files

std::string TExtBitmap::FileHeaderBytes() const {
    if (Empty())
        throw EInvalidGraphicOperation("Cannot save an empty bitmap");
    const bool paletted = format_ == TPixelFormat::pf8bit;
    const auto paletteBytes = static_cast<uint32_t>(paletted ? palette_.size() * 4 : 0);
    const auto pixelOffset = static_cast<uint32_t>(HeadersSize + paletteBytes);
    const uint64_t pixelBytes = static_cast<uint64_t>(stride_) * static_cast<uint64_t>(height_);
    // The file's sizes are 32-bit numbers.
    if (pixelOffset + pixelBytes > UINT32_MAX)
        throw EInvalidGraphicOperation(Format("A bitmap file holds at most 4 GB; this image of %d x %d pixels needs %.1f GB",
                                              width_, height_, static_cast<double>(pixelOffset + pixelBytes) / 1e9));
    const auto imageSize = static_cast<uint32_t>(pixelBytes);
    std::string out;
    AppendU16(out, BitmapSignature);
    AppendU32(out, pixelOffset + imageSize);
    AppendU32(out, 0);
    AppendU32(out, pixelOffset);
    AppendU32(out, InfoHeaderSize);
    AppendU32(out, static_cast<uint32_t>(width_));
    AppendU32(out, static_cast<uint32_t>(height_));  // positive: rows from the bottom
    AppendU16(out, 1);
    AppendU16(out, static_cast<uint32_t>(BytesPerPixel(format_) * 8));
    AppendU32(out, BiRgb);
    AppendU32(out, imageSize);
    AppendU32(out, 0);
    AppendU32(out, 0);
    AppendU32(out, paletteBytes / 4);
    AppendU32(out, 0);
    if (paletted)
        for (const TRGBQuad& entry : palette_)
            out.append({static_cast<char>(entry.Blue), static_cast<char>(entry.Green),
                        static_cast<char>(entry.Red), 0});
    return out;
}

void TExtBitmap::AppendFileRows(int last, int first, std::string& out) const {
    const std::string padding(stride_ - RowBytes(), '\0');
    for (int y = last; y >= first; --y) {
        out.append(reinterpret_cast<const char*>(ScanLine(y)), RowBytes());
        out.append(padding);
    }
}

std::string TExtBitmap::SaveToBytes() const {
    std::string out = FileHeaderBytes();
    out.reserve(out.size() + stride_ * static_cast<size_t>(height_));
    AppendFileRows(height_ - 1, 0, out);
    return out;
}

// Streamed a block of rows at a time, each written from where it lies: the picture is never copied.
void TExtBitmap::SaveToFile(const std::string& fileName) const {
    constexpr int RowsPerWrite = 256;
    TAtomicFileWriter file(fileName);
    file.Write(FileHeaderBytes());
    const std::string padding(stride_ - RowBytes(), '\0');
    std::vector<std::string_view> rows;
    for (int last = height_ - 1; last >= 0; last -= RowsPerWrite) {
        rows.clear();
        for (int y = last; y >= std::max(last - RowsPerWrite + 1, 0); --y) {
            rows.emplace_back(reinterpret_cast<const char*>(ScanLine(y)), RowBytes());
            if (!padding.empty()) rows.push_back(padding);
        }
        file.Write(rows);
    }
    file.Commit();
}

void TExtBitmap::LoadFromFile(const std::string& fileName) { LoadBytes(ReadFileBytes(fileName), true); }

void TExtBitmap::LoadFromStream(std::istream& stream) {
    const bool atStart = stream.tellg() == std::streampos(0);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    LoadBytes(bytes, atStart);
}

// A file of one of the malformed layouts is repaired and read; any other is
// read as it stands and, should that fail, once more without its last two
// bytes, which some writers append. The second failure is the caller's.
void TExtBitmap::LoadBytes(const std::vector<uint8_t>& bytes, bool repairs) {
    TExtBitmap loaded;
    if (const auto repaired = repairs ? RepairedBmp(bytes) : std::nullopt) {
        loaded.ReadPlainBmp(*repaired);
    } else {
        try {
            loaded.ReadPlainBmp(bytes);
        } catch (const std::exception&) {
            const auto cut = static_cast<std::ptrdiff_t>(std::min<std::size_t>(2, bytes.size()));
            const std::vector<uint8_t> shortened(bytes.begin(), bytes.end() - cut);
            loaded.ReadPlainBmp(shortened);
        }
    }
    TakePixelsOf(loaded);
}

void TExtBitmap::ReadPlainBmp(const std::vector<uint8_t>& bytes) {
    const TBmpLayout layout = ParseBmp(bytes);
    Reallocate(layout.width, layout.height, layout.format, false);
    palette_.clear();
    for (std::size_t k = 0; k < layout.paletteEntries; ++k) {
        const uint8_t* entry = bytes.data() + layout.paletteOffset + k * layout.paletteEntrySize;
        palette_.push_back(TRGBQuad{entry[0], entry[1], entry[2], 0});
    }
    for (int y = 0; y < height_; ++y) {
        const int fileRow = layout.topDown ? y : height_ - 1 - y;
        std::memcpy(ScanLine(y), bytes.data() + layout.pixelOffset + fileRow * layout.rowBytes, RowBytes());
    }
}

// --------------------------------------------------- image-library images

IplImage MakeBlankIPL(const TExtBitmap& bitmap, int width, int height) {
    if (width == 0 || height == 0)
        return {};
    const int channels = ChannelsOfFormat(bitmap.PixelFormat());
    if (channels == 0)
        throw EInvalidGraphicOperation("Error: MakeBlankIPL called without 8 or 24-bit pixels.");
    try {
        return IplImage::Allocate(width, height, channels, IplDepth::U8);
    } catch (const std::bad_alloc&) {
        throw Exception(Format("No memory can be allocated for ipl image in MakeBlankIpl\r"
                               "Request was for %d channel image, width: %d x height: %d",
                               channels, width, height));
    }
}

IplImage BitmapToIpl(const TExtBitmap& bitmap) {
    if (bitmap.Empty())
        return {};
    IplImage image = MakeBlankIPL(bitmap, bitmap.Width(), bitmap.Height());
    for (int y = 0; y < bitmap.Height(); ++y)
        std::memcpy(image.Row(y), bitmap.ScanLine(y), bitmap.RowBytes());
    return image;
}

void CopyIplToBitmap(TExtBitmap& bitmap, const IplImage& image) {
    if (image.Empty())
        return;
    TPixelFormat format = bitmap.PixelFormat();
    if (image.Channels() == 1)
        format = TPixelFormat::pf8bit;
    else if (image.Channels() == 3)
        format = TPixelFormat::pf24bit;
    if (BytesPerPixel(format) != image.Channels())
        throw EInvalidGraphicOperation(Format("Cannot copy a %d-channel image into a %d-bit bitmap",
                                              image.Channels(), 8 * BytesPerPixel(format)));
    bitmap.SetHeight(0);
    bitmap.SetPixelFormat(format);
    bitmap.SetSize(image.Width(), image.Height());
    const std::size_t samples = bitmap.RowBytes();
    for (int y = 0; y < image.Height(); ++y) {
        uint8_t* out = bitmap.ScanLine(y);
        if (image.Depth() == IplDepth::U16) {
            const uint16_t* in = image.RowAs<uint16_t>(y);
            for (std::size_t k = 0; k < samples; ++k)
                out[k] = static_cast<uint8_t>(std::min(in[k] >> 7, 255));
        } else {
            std::memcpy(out, image.Row(y), samples);
        }
    }
}

void Interpolate(TExtBitmap& bitmap, int newWidth, int newHeight, int method) {
    const int width = bitmap.Width();
    const int height = bitmap.Height();
    if ((newWidth == width && newHeight == height) || height < 3 || width < 3)
        return;
    if (newWidth < 1 || newHeight < 1)
        throw EInvalidGraphicOperation("Error: Interpolate called with a zero or negative size.");
    const bool enlarge = newWidth >= width && newHeight >= height;
    const bool shrink = newWidth <= width && newHeight <= height;
    if (!enlarge && !shrink)
        throw EInvalidGraphicOperation(
            "Error: Interpolate called with increase width and reduce height or vice-versa.");
    if (bitmap.PixelFormat() != TPixelFormat::pf8bit && bitmap.PixelFormat() != TPixelFormat::pf24bit)
        throw EInvalidGraphicOperation("Error: Interpolate called without 8-bit or 24-bit pixels.");
    if (method < -1 || method > 3)
        throw EInvalidGraphicOperation(Format("Error: Interpolate called with unknown method %d.", method));
    // Resampled before the bitmap is touched, so a failure leaves it whole.
    const IplImage source = BitmapToIpl(bitmap);
    IplImage destination = MakeBlankIPL(bitmap, newWidth, newHeight);
    if (enlarge)
        iplZoom(source, destination, static_cast<IplInterpolation>(method < 0 ? 2 : method));
    else
        iplDecimate(source, destination, static_cast<IplInterpolation>(method < 0 ? 3 : method));
    CopyIplToBitmap(bitmap, destination);
    bitmap.SetModified(true);
}

}  // namespace kestrune
