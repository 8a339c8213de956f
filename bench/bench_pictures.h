#pragma once
// The fixed picture set of the image benchmarks, made afresh by a seeded
// generator on every run so that every machine measures the same pixels:
// photo-like pictures (soft shapes, gradients, texture and sensor noise) at
// two sizes, a flat screenshot-like picture of few colours, and a
// multi-frame GIF animation.
#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct RgbPicture {
    std::string name;
    int width = 0;
    int height = 0;
    bool photo = false;        // photo-like: many colours, noise
    std::vector<uint8_t> rgb;  // width x height x 3, R G B, rows from the top
};

// A photo-like picture: sky and ground gradients, soft blobs of colour,
// low-frequency texture, a light falloff and per-pixel noise.
RgbPicture makePhoto(const std::string& name, int width, int height, uint32_t seed);
// A flat picture like a screenshot of a desktop program: windows, title
// bars, buttons and rows of text-like marks in a few dozen colours.
RgbPicture makeScreenshot(const std::string& name, int width, int height, uint32_t seed);
// The still pictures of the set, in the order they are reported.
std::vector<RgbPicture> makeStillPictures();

// A looping animation of `frames` images sharing one 256-entry colour table
// (a ball crossing a shaded backdrop), as the bytes of a GIF89a file with a
// graphic control block before each frame. `scratchDir` holds the single
// frames while they are put together.
std::vector<uint8_t> makeAnimatedGif(int width, int height, int frames, const std::string& scratchDir);

std::vector<uint8_t> readWholeFile(const std::string& path);

}  // namespace bench
