#include "bench/reference_tracer.h"

#include <algorithm>

namespace bench {

ReferenceTracer::ReferenceTracer(int width, int height)
    : w_(width), h_(height), kind_(std::size_t(width) * height, kWall), facing_(kind_.size()), ends_(kind_.size()),
      passes_(kind_.size()), hops_(kind_.size()), hit_(kind_.size()) {
    static const int dx[8] = {0, 1, 1, 1, 0, -1, -1, -1};
    static const int dy[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
    for (int d = 0; d < 8; ++d) step_[d] = dy[d] * w_ + dx[d];

    for (int o = 0; o < 8; ++o)
        for (int dir = 0; dir <= 8; ++dir) {
            const int r = (dir - o) & 7;
            const int k = o - dir;
            auto one = [](int d) { return Rule{0, 0, 1, {uint8_t(d & 7), 0}}; };
            rules_[kBlank][o][dir] = Rule{1, 0, 1, {uint8_t(dir & 7), 0}};
            rules_[kWall][o][dir] = Rule{};
            // Mirror: straight back along its axis, turned by a quarter when
            // it stands at 45 degrees, through when it lies along the beam.
            if (k == 0 || k == 4 || k == -4)
                rules_[kMirror][o][dir] = one(dir + 4);
            else if (r == 1 || r == 5)
                rules_[kMirror][o][dir] = one(dir + 2);
            else if (r == 3 || r == 7)
                rules_[kMirror][o][dir] = one(dir + 6);
            else
                rules_[kMirror][o][dir] = one(dir);
            // Splitter: head-on it forks left then right; from the sides it
            // sends the beam out of its back; from behind it breaks.
            if (k == 0)
                rules_[kSplitter][o][dir] = Rule{0, 0, 2, {uint8_t((o + 6) & 7), uint8_t((o + 2) & 7)}};
            else if (k == 2 || k == -2 || k == 6 || k == -6)
                rules_[kSplitter][o][dir] = one(o + 4);
            else if (k == 4 || k == -4)
                rules_[kSplitter][o][dir] = Rule{0, 1, 0, {0, 0}};
            else
                rules_[kSplitter][o][dir] = one(dir);
            // Firing piece: its own shot leaves along its facing; any other
            // beam destroys it.
            rules_[kShooter][o][dir] = dir == 8 ? one(o) : Rule{0, 1, 0, {0, 0}};
        }
}

void ReferenceTracer::set(int x, int y, Kind kind, int facing) {
    kind_[index(x, y)] = kind;
    facing_[index(x, y)] = static_cast<uint8_t>(facing & 7);
}

void ReferenceTracer::clearShot() {
    std::fill(ends_.begin(), ends_.end(), 0);
    std::fill(passes_.begin(), passes_.end(), 0);
    std::fill(hops_.begin(), hops_.end(), 0);
    std::fill(hit_.begin(), hit_.end(), 0);
}

void ReferenceTracer::fire(int x, int y) {
    // Every cell off the border has all eight neighbours and the border
    // walls send nothing on, so no step needs a bounds test. The arrays are
    // reached through locals: the byte stores could otherwise alias the
    // vectors' own pointers and force them to be reloaded at every step.
    const uint8_t* const kind = kind_.data();
    const uint8_t* const facing = facing_.data();
    uint8_t* const ends = ends_.data();
    uint8_t* const passes = passes_.data();
    uint8_t* const hops = hops_.data();
    uint8_t* const hit = hit_.data();
    const int* const step = step_;
    std::size_t capacity = std::max<std::size_t>(stack_.size(), 1024);
    stack_.resize(capacity);
    Pending* stack = stack_.data();
    std::size_t top = 0;
    stack[top++] = {index(x, y), 8};
    while (top > 0) {
        const Pending p = stack[--top];
        if (hops[p.cell] > 10) {  // counted, not handled
            if (hops[p.cell] < 255) ++hops[p.cell];
            continue;
        }
        ++hops[p.cell];
        const Rule& rule = rules_[kind[p.cell]][facing[p.cell]][p.direction];
        if (top + 2 > capacity) {
            capacity *= 2;
            stack_.resize(capacity);
            stack = stack_.data();
        }
        if (rule.pass) {
            passes[p.cell] |= uint8_t(1u << (p.direction & 3));
            stack[top++] = {p.cell + step[p.direction], p.direction};
            continue;
        }
        if (p.direction < 8) ends[p.cell] |= uint8_t(1u << ((p.direction + 4) & 7));
        if (rule.hit) hit[p.cell] = 1;
        for (int i = rule.outs - 1; i >= 0; --i) {  // the first beam sent is traced first
            const int d = rule.out[i];
            ends[p.cell] |= uint8_t(1u << d);
            stack[top++] = {p.cell + step[d], d};
        }
    }
}

}  // namespace bench
