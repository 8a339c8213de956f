#pragma once
// A minimal table-driven beam tracer: the yardstick the engine's shot is
// measured against. It knows only what the benchmark board holds (blanks,
// border walls, mirrors, splitters and one firing piece), keeps the whole
// board in a few flat byte arrays and looks every rule up in one table; it
// traces in the engine's order (depth first, a splitter's left beam first),
// so both leave the same beam map, hops and hits.
#include <cstdint>
#include <vector>

namespace bench {

class ReferenceTracer {
public:
    enum Kind : uint8_t { kBlank, kWall, kMirror, kSplitter, kShooter, kKinds };

    ReferenceTracer(int width, int height);

    void set(int x, int y, Kind kind, int facing);
    // Clears the beam map, hops and hits.
    void clearShot();
    // The firing piece at (x, y) shoots along its facing.
    void fire(int x, int y);

    int width() const { return w_; }
    int height() const { return h_; }
    uint8_t ends(int x, int y) const { return ends_[index(x, y)]; }
    uint8_t passes(int x, int y) const { return passes_[index(x, y)]; }
    int hops(int x, int y) const { return hops_[index(x, y)]; }
    bool hit(int x, int y) const { return hit_[index(x, y)] != 0; }

private:
    // What a beam of one direction does at a piece of one kind and facing.
    struct Rule {
        uint8_t pass;    // goes straight on: pass mark, no end marks
        uint8_t hit;     // the piece is destroyed
        uint8_t outs;    // beams sent, 0..2
        uint8_t out[2];  // their directions, in the order they are sent
    };
    int index(int x, int y) const { return y * w_ + x; }

    int w_, h_;
    Rule rules_[kKinds][8][9];  // [kind][facing][direction 0..7, 8 = own shot]
    int step_[8];               // index offset of each direction
    std::vector<uint8_t> kind_, facing_, ends_, passes_, hops_, hit_;
    struct Pending {
        int cell;
        int direction;
    };
    std::vector<Pending> stack_;
};

}  // namespace bench
