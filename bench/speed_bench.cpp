// The speed of the engine and of the image code against their peers, in one
// process, as medians of paired runs (the project's run and the peer's run
// back to back, their order alternating):
//   - a full shot across a 254 by 254 board of mirrors and splitters, against
//     a minimal table-driven tracer of the same rules;
//   - GIF decoding and encoding of the fixed picture set, against giflib;
//   - the 256-colour quantiser, against ImageMagick's "-colors 256", in time
//     and in mean squared error against the original.
// Times are CPU time of the benchmark's thread, so that other programs
// loading the machine count as little as they can. The peers take part when
// the benchmark's script built them in
// (bench/run.sh). Options: --runs N, --pictures DIR (writes the picture set
// there as PNG and GIF files, to look at), --only shot|gif|quantise.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_pictures.h"
#include "bench/cpu_clock.h"
#include "bench/peers.h"
#include "bench/reference_tracer.h"
#include "framework/image/gif.h"
#include "framework/image/png.h"
#include "framework/image/quantize.h"
#include "game/board/board.h"
#include "game/board/tests/stub_game.h"

namespace {

// Times are the CPU time of this thread (see cpu_clock.h).
double millisSince(double t0) { return bench::cpuMillis() - t0; }

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string loadAverage() {
    char text[128] = {};
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (!std::fgets(text, sizeof text, f)) text[0] = 0;
        std::fclose(f);
    }
    std::string s = text;
    // The 1, 5 and 15 minute figures only.
    std::size_t cut = 0;
    for (int fields = 0; fields < 3 && cut != std::string::npos; ++fields) cut = s.find(' ', cut + 1);
    return s.substr(0, cut);
}

// The medians of paired runs. A run returns its time in milliseconds; the
// peer's run may return a negative time when the peer is missing or fails.
struct Paired {
    double ours = 0, peer = -1, ratio = -1;
};

Paired pairedRuns(int runs, const std::function<double()>& ours, const std::function<double()>& peer) {
    std::vector<double> a, b, r;
    for (int i = 0; i < runs; ++i) {
        double ta, tb = -1;
        if (peer && i % 2) {
            tb = peer();
            ta = ours();
        } else {
            ta = ours();
            if (peer) tb = peer();
        }
        a.push_back(ta);
        if (tb > 0) {
            b.push_back(tb);
            r.push_back(ta / tb);
        }
    }
    Paired p;
    p.ours = median(a);
    if (!b.empty() && b.size() == a.size()) {
        p.peer = median(b);
        p.ratio = median(r);
    }
    return p;
}

// The goals of the table, met or not, collected for the summary.
struct Goal {
    std::string what;
    bool measured;
    bool met;
};
std::vector<Goal> goals;

void note(const std::string& what, bool measured, bool met) { goals.push_back({what, measured, met}); }

std::string fmtRatio(double r) {
    if (r < 0) return "    -";
    char b[32];
    std::snprintf(b, sizeof b, "%5.2f", r);
    return b;
}

std::string fmtMs(double ms) {
    if (ms < 0) return "       -";
    char b[32];
    std::snprintf(b, sizeof b, "%8.2f", ms);
    return b;
}

// ---- the shot ---------------------------------------------------------------

// The benchmark board: a serpentine through the whole play area that the
// beam runs there and back, again and again, until every piece on it has
// handled its 11 arrivals. The firing piece stands in the bottom-left
// corner and shoots up into a splitter that sends the beam along the
// second row from the bottom; the rows are joined by mirrors at their ends
// and filled with mirrors and splitters that let it pass; a mirror at the
// far end turns it back. Coming back, the beam meets the splitter head-on:
// one half breaks the firing piece, the other is turned back by a mirror
// above the splitter and sent round again through the splitter's side.
struct BoardCell {
    bench::ReferenceTracer::Kind kind;
    int facing;
};

std::vector<std::vector<BoardCell>> serpentineBoard(int n, std::mt19937& rng) {
    using K = bench::ReferenceTracer;
    std::vector<std::vector<BoardCell>> cells(n + 2, std::vector<BoardCell>(n + 2, {K::kBlank, 0}));  // [x][y]
    for (int i = 0; i < n + 2; ++i) cells[i][0] = cells[i][n + 1] = cells[0][i] = cells[n + 1][i] = {K::kWall, 0};
    cells[1][n] = {K::kShooter, 0};
    cells[1][n - 1] = {K::kSplitter, 6};
    cells[1][n - 2] = {K::kMirror, 0};  // straight back down
    // Along a row, a mirror lying along it or a splitter standing diagonally
    // lets the beam through.
    for (int y = 1; y <= n - 1; ++y)
        for (int x = 2; x <= n; ++x)
            cells[x][y] =
                rng() % 3 ? BoardCell{K::kMirror, int(rng() % 2) * 4} : BoardCell{K::kSplitter, int(rng() % 4) * 2 + 1};
    for (int y = n - 1; y >= 1; --y) {
        if ((n - 1 - y) % 2 == 0) {  // a row run rightward: up into the next one, or back at the far end
            cells[n][y] = {K::kMirror, y == 1 ? 2 : 7};
            if (y > 1) cells[n][y - 1] = {K::kMirror, 5};
        } else {
            cells[2][y] = {K::kMirror, 5};
            if (y > 1) cells[2][y - 1] = {K::kMirror, 7};
        }
    }
    return cells;
}

void benchShot(int runs) {
    constexpr int n = OrvexBoard::kMaxPlayArea;  // play area; with the border n + 2
    board_test::StubGame game;                   // a shot asks nothing of the turn state
    OrvexBoard* board = game.board.get();
    board->setStyle(1);
    board->setPlayAreaSize(n + 2, n + 2);
    bench::ReferenceTracer reference(n + 2, n + 2);
    std::mt19937 rng(254);
    const auto cells = serpentineBoard(n, rng);
    const int shooterX = 1, shooterY = n;
    for (int y = 0; y < n + 2; ++y)
        for (int x = 0; x < n + 2; ++x) {
            const BoardCell c = cells[x][y];
            std::unique_ptr<OrvexPiece> piece;
            switch (c.kind) {
            case bench::ReferenceTracer::kWall: piece = std::make_unique<OrvexWall>(board, x, y); break;
            case bench::ReferenceTracer::kShooter: piece = std::make_unique<OrvexOrvex>(board, x, y, 1); break;
            case bench::ReferenceTracer::kMirror: piece = std::make_unique<OrvexMirror>(board, x, y, 1); break;
            case bench::ReferenceTracer::kSplitter: piece = std::make_unique<OrvexSplitter>(board, x, y, 2); break;
            default: piece = std::make_unique<OrvexBlank>(board, x, y); break;
            }
            piece->iDirection = c.facing;
            reference.set(x, y, c.kind, c.facing);
            board->putPiece(std::move(piece));
        }
    OrvexPiece* shooter = board->getPiece(shooterX, shooterY);

    auto engineShot = [&] {
        board->clearBeams();
        shooter->iShotsUsed = 0;
        const double t0 = bench::cpuMillis();
        shooter->fire();
        return millisSince(t0);
    };
    auto referenceShot = [&] {
        reference.clearShot();
        const double t0 = bench::cpuMillis();
        reference.fire(shooterX, shooterY);
        return millisSince(t0);
    };

    // Both must have traced the same shot.
    engineShot();
    referenceShot();
    long arrivals = 0, hits = 0, differences = 0;
    for (int y = 0; y < n + 2; ++y)
        for (int x = 0; x < n + 2; ++x) {
            const OrvexPiece* p = board->getPiece(x, y);
            arrivals += p->iHops;
            hits += p->iHit;
            if (p->iHops != reference.hops(x, y) || board->iBeamEnds[x][y] != reference.ends(x, y) ||
                board->iBeamPasses[x][y] != reference.passes(x, y) || (p->iHit != 0) != reference.hit(x, y))
                ++differences;
        }

    const Paired p = pairedRuns(runs, engineShot, referenceShot);
    std::printf("\nShot across a %d by %d board of mirrors and splitters (%ld arrivals, %ld pieces hit)\n", n, n,
                arrivals, hits);
    if (differences) std::printf("  ERROR: the engine and the reference disagree on %ld cells\n", differences);
    std::printf("  %-28s %s ms\n  %-28s %s ms\n  %-28s %s   (goal: within 3x)\n", "engine", fmtMs(p.ours).c_str(),
                "reference tracer", fmtMs(p.peer).c_str(), "ratio engine / reference", fmtRatio(p.ratio).c_str());
    note("shot within 3x of the reference tracer", true, differences == 0 && p.ratio > 0 && p.ratio <= 3.0);
}

// ---- GIF ----------------------------------------------------------------------

struct IndexedPicture {
    std::string name;
    int width = 0, height = 0;
    bool photo = false;
    std::vector<uint8_t> indices, palette;
    std::vector<uint8_t> gif;  // our writer's file of it
};

std::string scratchDir;

std::vector<uint8_t> writeOurGif(const IndexedPicture& p, const std::string& path) {
    SaveRecord r;
    r.width = p.width;
    r.height = p.height;
    r.pixels8 = p.indices.data();
    r.palette = p.palette.data();
    if (!writeGIF(path.c_str(), r).empty()) return {};
    return bench::readWholeFile(path);
}

void benchGif(int runs, const std::vector<IndexedPicture>& pictures, const std::vector<uint8_t>& animation) {
    std::printf("\nGIF decode (file in memory to pixels), against giflib\n");
    std::printf("  %-12s %-10s %10s %10s %7s   %s\n", "picture", "size", "ours ms", "giflib ms", "ratio", "goal");
    struct Input {
        std::string name, size;
        bool photo;
        const std::vector<uint8_t>* file;
        bool frames;
    };
    std::vector<Input> inputs;
    for (const IndexedPicture& p : pictures)
        inputs.push_back({p.name, std::to_string(p.width) + "x" + std::to_string(p.height), p.photo, &p.gif, false});
    inputs.push_back({"animation", "320x240x12", false, &animation, true});
    for (const Input& in : inputs) {
        auto ours = [&] {
            PictureRecord picture;
            const double t0 = bench::cpuMillis();
            const std::string error = parseGif(in.file->data(), in.file->size(), &picture);
            const double ms = millisSince(t0);
            if (!error.empty() && error != "EOF") std::printf("  ERROR: our reader: %s\n", error.c_str());
            return ms;
        };
        std::function<double()> peer;
        if (bench::haveGiflib())
            peer = [&] {
                const double t0 = bench::cpuMillis();
                const long pixels = in.frames ? bench::giflibFirstImage(*in.file) : bench::giflibSlurp(*in.file);
                return pixels > 0 ? millisSince(t0) : -1.0;
            };
        const Paired p = pairedRuns(runs, ours, peer);
        const char* goal = in.photo ? "<= 1.0" : "";
        std::printf("  %-12s %-10s %s %s   %s   %s%s\n", in.name.c_str(), in.size.c_str(), fmtMs(p.ours).c_str(),
                    fmtMs(p.peer).c_str(), fmtRatio(p.ratio).c_str(), goal,
                    in.frames ? "  (giflib: first image decoded, the rest skipped, as ours)" : "");
        if (in.photo)
            note("GIF decode of " + in.name + " at most 1.0x giflib", p.ratio > 0, p.ratio > 0 && p.ratio <= 1.0);
    }

    std::printf("\nGIF encode (pixels to a file), against giflib\n");
    std::printf("  %-12s %-10s %10s %10s %7s   %s\n", "picture", "size", "ours ms", "giflib ms", "ratio", "goal");
    const std::string ourPath = scratchDir + "/ours.gif", peerPath = scratchDir + "/giflib.gif";
    for (const IndexedPicture& pic : pictures) {
        SaveRecord r;
        r.width = pic.width;
        r.height = pic.height;
        r.pixels8 = pic.indices.data();
        r.palette = pic.palette.data();
        auto ours = [&] {
            const double t0 = bench::cpuMillis();
            const std::string error = writeGIF(ourPath.c_str(), r);
            const double ms = millisSince(t0);
            if (!error.empty()) {
                std::fprintf(stderr, "our GIF writer failed on %s: %s\n", ourPath.c_str(), error.c_str());
                std::exit(1);
            }
            return ms;
        };
        std::function<double()> peer;
        if (bench::haveGiflib())
            peer = [&] {
                const double t0 = bench::cpuMillis();
                const bool ok =
                    bench::giflibWrite(peerPath, pic.width, pic.height, pic.indices.data(), pic.palette.data());
                return ok ? millisSince(t0) : -1.0;
            };
        const Paired p = pairedRuns(runs, ours, peer);
        const std::string sizes =
            "ours " + std::to_string(bench::readWholeFile(ourPath).size()) + " bytes" +
            (bench::haveGiflib() ? ", giflib " + std::to_string(bench::readWholeFile(peerPath).size()) : std::string());
        std::printf("  %-12s %-10s %s %s   %s   <= 1.0   (files: %s)\n", pic.name.c_str(),
                    (std::to_string(pic.width) + "x" + std::to_string(pic.height)).c_str(), fmtMs(p.ours).c_str(),
                    fmtMs(p.peer).c_str(), fmtRatio(p.ratio).c_str(), sizes.c_str());
        note("GIF encode of " + pic.name + " at most 1.0x giflib", p.ratio > 0, p.ratio > 0 && p.ratio <= 1.0);
    }
    std::remove(ourPath.c_str());
    std::remove(peerPath.c_str());
}

// ---- the quantiser --------------------------------------------------------------

// Mean squared error per sample (R, G and B counted alike) of `approx`
// against `original`.
double meanSquaredError(const std::vector<uint8_t>& original, const std::vector<uint8_t>& approx) {
    double sum = 0;
    for (std::size_t i = 0; i < original.size(); ++i) {
        const double d = double(original[i]) - double(approx[i]);
        sum += d * d;
    }
    return original.empty() ? 0 : sum / double(original.size());
}

std::vector<uint8_t> expand(const std::vector<uint8_t>& indices, const std::vector<uint8_t>& palette) {
    std::vector<uint8_t> rgb(indices.size() * 3);
    for (std::size_t i = 0; i < indices.size(); ++i) {
        rgb[3 * i] = palette[indices[i]];
        rgb[3 * i + 1] = palette[256 + indices[i]];
        rgb[3 * i + 2] = palette[512 + indices[i]];
    }
    return rgb;
}

IndexedPicture quantiseOurs(const bench::RgbPicture& pic, double* millis) {
    IndexedPicture out{pic.name, pic.width, pic.height, pic.photo, {}, {}, {}};
    out.indices.assign(std::size_t(pic.width) * pic.height, 0);
    out.palette.assign(768, 0);
    const double t0 = bench::cpuMillis();
    ppmQuantRaw24(out.indices.data(), pic.rgb.data(), out.palette.data(), pic.width, pic.height, 256);
    if (millis) *millis = millisSince(t0);
    return out;
}

std::vector<IndexedPicture> benchQuantiser(int runs, const std::vector<bench::RgbPicture>& pictures, bool report) {
    std::vector<IndexedPicture> indexed;
    if (report) {
        std::printf("\nQuantiser to 256 colours, against ImageMagick's -colors 256 (one thread, its default dither)\n");
        std::printf("  %-12s %-10s %10s %10s %7s   %9s %9s %7s   %-24s %15s\n", "picture", "size", "ours ms", "IM ms",
                    "ratio", "ours MSE", "IM MSE", "ratio", "goal", "(IM undithered)");
    }
    for (const bench::RgbPicture& pic : pictures) {
        indexed.push_back(quantiseOurs(pic, nullptr));
        if (!report) continue;
        const double ourError = meanSquaredError(pic.rgb, expand(indexed.back().indices, indexed.back().palette));
        double peerError = -1;
        auto ours = [&] {
            double ms;
            quantiseOurs(pic, &ms);
            return ms;
        };
        std::function<double()> peer;
        if (bench::haveMagick())
            peer = [&] {
                std::vector<uint8_t> out;
                const double ms = bench::magickQuantise(pic.rgb, pic.width, pic.height, 256, true, &out);
                if (ms >= 0 && peerError < 0) peerError = meanSquaredError(pic.rgb, out);
                return ms;
            };
        const Paired p = pairedRuns(runs, ours, peer);
        double plainError = -1;  // ImageMagick without its dither, for comparison only
        if (bench::haveMagick()) {
            std::vector<uint8_t> out;
            if (bench::magickQuantise(pic.rgb, pic.width, pic.height, 256, false, &out) >= 0)
                plainError = meanSquaredError(pic.rgb, out);
        }
        const double errorRatio = peerError > 0 ? ourError / peerError : -1;
        char errors[64];
        std::snprintf(errors, sizeof errors, "%9.2f %9s %s", ourError,
                      peerError < 0 ? "-" : std::to_string(peerError).substr(0, 6).c_str(),
                      fmtRatio(errorRatio).c_str());
        std::printf("  %-12s %-10s %s %s   %s   %s   %-24s %15.2f\n", pic.name.c_str(),
                    (std::to_string(pic.width) + "x" + std::to_string(pic.height)).c_str(), fmtMs(p.ours).c_str(),
                    fmtMs(p.peer).c_str(), fmtRatio(p.ratio).c_str(), errors,
                    pic.photo ? "time <= 1.0, MSE <= 1.0" : "", plainError);
        if (pic.photo) {
            note("quantiser time on " + pic.name + " at most ImageMagick's", p.ratio > 0,
                 p.ratio > 0 && p.ratio <= 1.0);
            // An exact match on both sides (a zero error) meets the goal too.
            const bool errorMet = peerError >= 0 && ourError <= peerError;
            note("quantiser MSE on " + pic.name + " at most ImageMagick's", peerError >= 0, errorMet);
        }
    }
    return indexed;
}

void writePictures(const std::string& dir, const std::vector<bench::RgbPicture>& pictures,
                   const std::vector<IndexedPicture>& indexed, const std::vector<uint8_t>& animation) {
    mkdir(dir.c_str(), 0755);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        SaveRecord r;
        r.width = pictures[i].width;
        r.height = pictures[i].height;
        r.pixels24 = pictures[i].rgb.data();
        const std::string png = dir + "/" + pictures[i].name + ".png";
        if (!savePNG(png.c_str(), r, 0).empty()) std::fprintf(stderr, "%s could not be written\n", png.c_str());
        writeOurGif(indexed[i], dir + "/" + pictures[i].name + ".gif");
    }
    if (FILE* f = std::fopen((dir + "/animation.gif").c_str(), "wb")) {
        std::fwrite(animation.data(), 1, animation.size(), f);
        std::fclose(f);
    }
    std::printf("pictures written to %s\n", dir.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 15;
    std::string only, picturesDir;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (a == "--only" && i + 1 < argc)
            only = argv[++i];
        else if (a == "--pictures" && i + 1 < argc)
            picturesDir = argv[++i];
        else {
            std::fprintf(stderr, "usage: %s [--runs N] [--only shot|gif|quantise] [--pictures DIR]\n", argv[0]);
            return 2;
        }
    }
    if (!picturesDir.empty() && picturesDir[0] != '/') {
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd)) picturesDir = std::string(cwd) + "/" + picturesDir;
    }
    // An empty working folder of our own: no "test.env" there, so the debug
    // log is off as in ordinary play, and scratch files land in it.
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp ? tmp : "/tmp") + "/speed-bench-XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back(0);
    if (!mkdtemp(buf.data()) || chdir(buf.data()) != 0) {
        std::perror("speed_bench: scratch folder");
        return 1;
    }
    scratchDir = buf.data();
    bench::magickStart(argv[0]);

    std::printf(
        "speed_bench: medians of %d paired runs, CPU time of this thread; load average at the start %s; %ld cores\n",
        runs, loadAverage().c_str(), sysconf(_SC_NPROCESSORS_ONLN));
    std::printf("peers: %s\n", bench::peerVersions().c_str());

    if (only.empty() || only == "shot") benchShot(runs);
    if (only.empty() || only == "gif" || only == "quantise" || !picturesDir.empty()) {
        const std::vector<bench::RgbPicture> pictures = bench::makeStillPictures();
        const std::vector<uint8_t> animation = bench::makeAnimatedGif(320, 240, 12, scratchDir);
        const bool quantiseReport = only.empty() || only == "quantise";
        std::vector<IndexedPicture> indexed = benchQuantiser(runs, pictures, quantiseReport);
        for (IndexedPicture& p : indexed) p.gif = writeOurGif(p, scratchDir + "/input.gif");
        std::remove((scratchDir + "/input.gif").c_str());
        if (only.empty() || only == "gif") benchGif(runs, indexed, animation);
        if (!picturesDir.empty()) writePictures(picturesDir, pictures, indexed, animation);
    }

    std::printf("\nGoals (load average at the end %s):\n", loadAverage().c_str());
    for (const Goal& g : goals)
        std::printf("  %-52s %s\n", g.what.c_str(),
                    !g.measured ? "not measured (peer missing)"
                    : g.met     ? "met"
                                : "NOT met");
    bench::magickStop();
    rmdir(scratchDir.c_str());
    return 0;
}
