#pragma once
// The image record: the program's one in-memory picture. The font sheet,
// button icons, pictures in help pages, the canvas background and board
// snapshots all pass through it.
//
// At any time an image holds one pixel form: 8-bit indices with a palette,
// packed 24-bit RGB, or 48-bit RGB; consumers test which buffer is present
// (a buffer is present when it is not empty). Pixels run row by row from the
// top. The palette is three planes of 256 bytes: all red values, then all
// green, then all blue.
//
// Loading never leaves an image without pixels: a file that yields none
// leaves the 256 by 256 placeholder cross, so a loaded image can always be
// drawn. Readers and writers report their errors as texts.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Size limits of every reader: a picture wider or taller than kMaxImageSide,
// or with more than kMaxImagePixels pixels, is refused.
constexpr int kMaxImageSide = 16384;
constexpr int64_t kMaxImagePixels = int64_t(1) << 26;

// True when width x height is a picture size the readers accept.
bool imageSizeAcceptable(int64_t width, int64_t height);

// The most bytes a picture may take once decoded. Every picture the program
// uses fits well within it (the font sheet, icons, page images, a snapshot
// of the largest board view is under 6 MiB); a small file that claims a
// huge picture is refused before anything is allocated for it.
constexpr int64_t kMaxDecodedBytes = int64_t(64) << 20;

// imageSizeAcceptable, and the decoded picture at bytesPerPixel (pixels,
// alpha and any buffer the reader needs for one pixel) within
// kMaxDecodedBytes; a picture over that bound is refused with an "ERROR"
// line in the debug log.
bool imageDecodedSizeAcceptable(int64_t width, int64_t height, int64_t bytesPerPixel);

// What a reader fills for Image::load; the loader moves it into the image.
struct PictureRecord {
    std::vector<uint8_t> pixels8;
    std::vector<uint8_t> pixels24;
    std::vector<uint16_t> pixels48;
    std::vector<uint8_t> alpha8;
    std::vector<uint16_t> alpha16;
    std::vector<uint8_t> palette;  // 768 bytes when pixels8 is present
    int32_t width = 0;
    int32_t height = 0;
    int32_t depth = 0;
    int32_t fileSize = 0;
    std::string formatName;  // "GIF" or "PNG"
};

// What a writer takes from an image: views of its buffers (null when the
// image does not hold that form), valid while the image is unchanged.
struct SaveRecord {
    int32_t width = 0;
    int32_t height = 0;
    const uint8_t* pixels8 = nullptr;
    const uint8_t* palette = nullptr;  // 768 bytes
    const uint8_t* pixels24 = nullptr;
    const uint16_t* pixels48 = nullptr;
    const uint8_t* alpha8 = nullptr;
    const uint16_t* alpha16 = nullptr;
};

struct Image {
    Image();
    ~Image();
    Image(const Image&) = delete;  // pictures are large: never copied by accident
    Image& operator=(const Image&) = delete;
    Image(Image&&) = default;
    Image& operator=(Image&&) = default;

    int32_t iWidth = 0;
    int32_t iHeight = 0;
    int32_t iDepth = 0;                   // bits per pixel as the loader reported it
    int32_t iFileSize = 0;                // bytes of the file it was loaded from
    std::vector<uint8_t> iPixels8;        // width x height indices
    std::vector<uint8_t> iPalette;        // 768 bytes, three planes
    std::vector<uint8_t> iPixels24;       // width x height x 3 bytes, R G B
    std::vector<uint16_t> iPixels48;      // width x height x 3 samples, R G B
    std::vector<uint8_t> iAlpha;          // width x height, 255 opaque
    std::vector<uint16_t> iAlpha16;       // width x height, 65535 opaque
    std::unique_ptr<Image> iSubImage[2];  // the first serves as a mask
    int32_t iQuality = 100;
    std::string iIdentifier;  // shown in the release trace
    std::string iFileName;    // at most 255 characters

    // Frees every pixel, palette and alpha buffer and both sub-images.
    void clear();
    // Stores the name (cut to 255 characters) and loads the file.
    [[nodiscard]] int loadFile(const char* fileName);
    // Loads the file named in iFileName: 1 on success, 0 on failure. Either
    // way the image holds pixels afterwards.
    [[nodiscard]] int load();
    // Writes the image as "GIF" or "PNG": 1 on success, 0 on failure. The
    // image itself is not changed (a GIF is written from a reduced copy).
    [[nodiscard]] int save(const char* fileName, const char* formatToken);

    // Packed 24-bit pixels from 48-bit (high bytes) or 8-bit (through the
    // palette); the source form is released. Nothing when 24-bit exist.
    void toRGB24();
    // toRGB24 when the image has neither 24-bit nor 48-bit pixels.
    void assure24();
    // Reduces 24-bit or 48-bit colour to 8-bit indices with a palette of at
    // most 256 colours; an image of 8-bit pixels only is left alone.
    void convertTo8();

    bool hasPixels() const { return !iPixels8.empty() || !iPixels24.empty() || !iPixels48.empty(); }
    SaveRecord saveRecord() const;
};

// A new, empty image (quality 100), released with deleteImage.
Image* initImage();
// Resets an existing image to the state of a new one.
void initImage(Image* image);
// Image::clear, then frees the record; a null image is ignored.
void deleteImage(Image* image);

// Fills the image with the placeholder: a grey cross on a transparent
// 256 by 256 field.
void makeXOutImage(Image* image);

// The token of the first line of "system/mformats" that matches the start of
// the file, or an empty text. The description gets the matched line's
// description, or "unknown".
std::string detectFileFormat(const char* fileName, std::string* description);

// Reads a raw ".TXR" texture (grey bytes behind a 12-byte header) into the
// picture record; false when the file cannot be opened.
[[nodiscard]] bool readRawTexture(const char* fileName, PictureRecord* picture);

// The file's size in bytes, or -1 when it cannot be opened.
int64_t fileSizeOf(const char* fileName);
