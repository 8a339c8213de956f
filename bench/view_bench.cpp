// Frames per second of the 3D board scene on this machine's OpenGL (Mesa's
// llvmpipe under Xvfb in the tests): each style's default board and a
// 30 by 30 board full of pieces and beams, drawn into a 512 by 512 window.
// Every frame is one animation step, one whole scene and a buffer swap,
// finished before the clock is read. The board window needs 20 frames a
// second; the goal is 60. Beside the frames a second it prints the
// processor time a frame takes over all threads (llvmpipe rasterises on
// several), which varies less than the frame rate on a busy machine.
//
// Run from the top of the source tree, on a display:
//     tools/with-xvfb.sh build/bench/view_bench [boards folder]
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <GL/gl.h>

#include "framework/app/options.h"
#include "framework/draw/render.h"
#include "game/board/board.h"
#include "game/board/game.h"
#include "game/view/scene.h"
#include "platform/ui/glwindow.h"
#include "platform/ui/ui.h"
#include "platform/ui/window.h"

namespace fs = std::filesystem;

namespace {

// The processor time of the whole process (every thread), in seconds.
double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

constexpr int kSize = 512;
constexpr double kGoal = 60.0;

class BenchGame : public OrvexGame {
public:
    void play(int seat) { iLocalSeat = seat; }
};

// A 30 by 30 play area with a piece of every kind on every cell, all four
// seats, every direction.
std::string bigBoard() {
    const char kinds[] = {'L', 'S', 'O', 'M', 'W', 'K', 'H', 'D', 'T', 'B', 'C'};
    std::string s = "KZ+V Orvex Chess\nversion: 1.0 size: 30 30 style: gkv players: 4\n";
    uint32_t r = 12345;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 30; ++x) {
            r = r * 1103515245u + 12345u;
            s += kinds[(r >> 16) % sizeof kinds];
            s += static_cast<char>('0' + (r >> 8) % 8);
            s += static_cast<char>('1' + (r >> 4) % 4);
            s += '0';
        }
        s += '\n';
    }
    return s;
}

// Beams across every cell, as after a shot through a crowded board.
void fillBeams(OrvexBoard& b) {
    uint32_t r = 777;
    for (int y = 0; y < b.getHeight(); ++y)
        for (int x = 0; x < b.getWidth(); ++x) {
            r = r * 1103515245u + 12345u;
            b.iBeamPasses[x][y] = static_cast<uint8_t>((r >> 12) & 0x0f);
            b.iBeamEnds[x][y] = static_cast<uint8_t>(r >> 20);
        }
}

struct Case {
    std::string name;
    std::string file;
    bool crowded;
};

}  // namespace

int main(int argc, char** argv) {
    const fs::path source = fs::absolute(argc > 1 ? argv[1] : "data/boards");
    if (!platform::ui::displayAvailable()) {
        std::fprintf(stderr, "view_bench: no display (run it under tools/with-xvfb.sh)\n");
        return 2;
    }
    // A program folder of its own, with the default boards and the big one.
    char folder[] = "/tmp/vurn-view-bench-XXXXXX";
    if (!mkdtemp(folder)) return 2;
    fs::create_directories(fs::path(folder) / "boards");
    std::error_code ec;
    for (const char* name : {"default.kv", "default.gkv", "default.oth", "default.chk"})
        fs::copy_file(source / name, fs::path(folder) / "boards" / name, ec);
    std::ofstream(fs::path(folder) / "boards" / "crowded.gkv") << bigBoard();
    if (chdir(folder) != 0) return 2;
    Options store;
    options = &store;

    platform::ui::Frame frame(0, 0, kSize, kSize, "view bench");
    platform::ui::Canvas canvas(&frame, {0, 0, kSize, kSize});
    frame.setClient(&canvas);
    platform::ui::GlWindow gl(&canvas, {0, 0, kSize, kSize}, setupPixelFormat());
    struct Listener : platform::ui::GlWindowListener {
        void onGlContextCreated() override { initGLLighting(); }
        void onGlResize(int w, int h) override { setupProjection(w, h); }
    } listener;
    gl.setListener(&listener);
    frame.show();
    gl.show();
    for (int i = 0; i < 100 && !gl.shown(); ++i) platform::ui::processEvents(0.02);
    platform::ui::processEvents(0.2);

    const Case cases[] = {{"kv default 9x9", "default.kv", false},
                          {"gkv default 11x11", "default.gkv", false},
                          {"oth default 8x8", "default.oth", false},
                          {"chk default 8x8", "default.chk", false},
                          {"30x30 pieces+beams", "crowded.gkv", true}};
    bool allMet = true;
    std::printf("%-22s %10s %10s %14s\n", "board", "fps", "ms/frame", "cpu ms/frame");
    for (const Case& c : cases) {
        BenchGame game;
        setStringOption("lastDefaultGame", "default.gkv");
        game.createBoard();
        OrvexBoard& board = *game.getBoard();
        if (!board.loadFile(c.file.c_str())) {
            std::fprintf(stderr, "view_bench: cannot load %s\n", c.file.c_str());
            return 2;
        }
        game.play(1);
        if (c.crowded) fillBeams(board);
        SceneInput in;
        in.game = &game;
        in.inGame = 1;
        in.settings.gridBrightness = 49;
        SceneState state;
        CameraTurn camera;
        auto frameOnce = [&] {
            advanceScene(&game, camera, state);
            in.camera = camera;
            gl.withContext([&] {
                drawScene(in, state);
                gl.swapBuffers();
                glFinish();
            });
        };
        for (int i = 0; i < 10; ++i) frameOnce();  // the context, the mark's list
        // The median of five runs of at least 40 frames and half a second each.
        std::vector<double> runs, cpu;
        for (int run = 0; run < 5; ++run) {
            const double c0 = cpuSeconds();
            const auto t0 = std::chrono::steady_clock::now();
            int frames = 0;
            double seconds = 0;
            while (frames < 40 || seconds < 0.5) {
                frameOnce();
                ++frames;
                seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            }
            runs.push_back(frames / seconds);
            cpu.push_back((cpuSeconds() - c0) * 1000.0 / frames);
            platform::ui::processEvents(0.0);
        }
        std::sort(runs.begin(), runs.end());
        std::sort(cpu.begin(), cpu.end());
        const double fps = runs[runs.size() / 2];
        allMet = allMet && fps >= kGoal;
        std::printf("%-22s %10.1f %10.2f %14.2f%s\n", c.name.c_str(), fps, 1000.0 / fps, cpu[cpu.size() / 2],
                    fps >= kGoal ? "" : "  below 60");
    }
    std::printf("goal: at least %.0f frames a second on every board: %s\n", kGoal, allMet ? "met" : "NOT met");
    options = nullptr;
    fs::remove_all(folder, ec);
    return allMet ? 0 : 1;
}
