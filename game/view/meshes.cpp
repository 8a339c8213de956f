#include "game/view/meshes.h"

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <initializer_list>
#include <vector>

namespace {

constexpr float kRear = -0.015f;  // the second colour of an emblem
constexpr float kSixth = 1.0f / 6.0f;
constexpr float kDegree = 3.14159265f / 180.0f;
constexpr int kChipStep = 10;  // degrees

struct Point {
    float x, y;
};

// The drawing state of the GUI thread (all drawing happens there).
struct ShapeState {
    Rgba colour;
    EmblemPlacement placement;
    float cosA = 1, sinA = 0;
    Shape shape = Shape::Polygon;
    bool batching = false;
    bool litByHand = false;
    GLuint shapeStart = 0;
    std::vector<float> xyz;     // the batch: 3 floats a vertex
    std::vector<float> rgba;    // 4 floats a vertex
    std::vector<GLuint> index;  // 3 a triangle
};
ShapeState state;

GLuint batchVertices() { return static_cast<GLuint>(state.xyz.size() / 3); }

void polygon(std::initializer_list<Point> points, float z = 0.0f) {
    beginShape(Shape::Polygon);
    for (const Point& p : points) texVertex(p.x, p.y, z);
    endShape();
}

// An axis-aligned rectangle from (x0, y0) to (x1, y1).
void rect(float x0, float y0, float x1, float y1, float z = 0.0f) {
    polygon({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, z);
}

// The corners of an octagon with corners (±1/6, ±r) and (±r, ±1/6),
// counter-clockwise from the top right.
void octagonCorners(float r, Point out[8]) {
    const Point c[8] = {{kSixth, r},   {-kSixth, r}, {-r, kSixth}, {-r, -kSixth},
                        {-kSixth, -r}, {kSixth, -r}, {r, -kSixth}, {r, kSixth}};
    for (int i = 0; i < 8; ++i) out[i] = c[i];
}

// Segment i of the frame between two octagons: 0 top, 1 upper left,
// 2 left, 3 lower left, 4 bottom, 5 lower right, 6 right, 7 upper right.
void octagonFrameSegment(int i, float outer, float inner, float z) {
    Point o[8], n[8];
    octagonCorners(outer, o);
    octagonCorners(inner, n);
    const int j = (i + 1) % 8;
    polygon({o[i], o[j], n[j], n[i]}, z);
}

void octagon(float r, float z) {
    Point c[8];
    octagonCorners(r, c);
    beginShape(Shape::Polygon);
    for (const Point& p : c) texVertex(p.x, p.y, z);
    endShape();
}

// A frame between two axis-aligned squares of half-sizes outer and inner.
void squareFrame(float outer, float inner) {
    rect(-outer, inner, outer, outer);    // top
    rect(-outer, -outer, outer, -inner);  // bottom
    rect(-outer, -inner, -inner, inner);  // left
    rect(inner, -inner, outer, inner);    // right
}

// The eight arrow triangles: a base 0.1 wide centred at ±1/6 on each of
// the lines x = ±0.4 and y = ±0.4, the apex at the centre.
void hyperArrows() {
    for (float side : {0.4f, -0.4f})
        for (float at : {kSixth, -kSixth}) {
            polygon({{at - 0.05f, side}, {at + 0.05f, side}, {0, 0}});
            polygon({{side, at - 0.05f}, {side, at + 0.05f}, {0, 0}});
        }
}

// The chip's outline: sine, cosine and the ring's colour blend at every
// step round it, the same for every chip of every frame, so worked out once.
struct ChipStep {
    float sin, cos, t;
};
constexpr int kChipSteps = 360 / kChipStep + 1;  // 0 to 360 degrees, both ends

const ChipStep* chipOutline() {
    static const std::array<ChipStep, kChipSteps> outline = [] {
        std::array<ChipStep, kChipSteps> steps{};
        for (int i = 0; i < kChipSteps; ++i) {
            const float ra = static_cast<float>(i * kChipStep) * kDegree;
            const float t = 0.5f + (std::sin(ra - 0.785375f) + 1.0f) / 2.0f;
            steps[static_cast<std::size_t>(i)] = {std::sin(ra), std::cos(ra), t < 0 ? 0 : t};
        }
        return steps;
    }();
    return outline.data();
}

}  // namespace

// The colour material follows the current colour (initGLLighting enables
// it), so a change of material is a vertex attribute rather than a state
// change between polygons.
void setMaterial(const Rgba& colour) {
    state.colour = state.litByHand ? litColour(colour) : colour;
    if (!state.batching) glColor4fv(state.colour.data());
}

void setLitByHand(bool on) { state.litByHand = on; }

void setEmblemPlacement(const EmblemPlacement& p) {
    state.placement = p;
    state.cosA = p.scale * std::cos(p.degrees * kDegree);
    state.sinA = p.scale * std::sin(p.degrees * kDegree);
}

void beginShape(Shape shape) {
    state.shape = shape;
    if (state.batching) {
        state.shapeStart = batchVertices();
        return;
    }
    glBegin(shape == Shape::Polygon ? GL_POLYGON : shape == Shape::Fan ? GL_TRIANGLE_FAN : GL_QUAD_STRIP);
}

void texVertex(float x, float y, float z) {
    const EmblemPlacement& p = state.placement;
    const float vx = p.x + state.cosA * x - state.sinA * y, vy = p.y + state.sinA * x + state.cosA * y, vz = p.z + z;
    if (!state.batching) {
        glVertex3f(vx, vy, vz);
        return;
    }
    state.xyz.insert(state.xyz.end(), {vx, vy, vz});
    state.rgba.insert(state.rgba.end(), {state.colour.r, state.colour.g, state.colour.b, state.colour.a});
}

void endShape() {
    if (!state.batching) {
        glEnd();
        return;
    }
    const GLuint s = state.shapeStart, n = batchVertices() - s;
    if (state.shape == Shape::QuadStrip) {
        for (GLuint i = 0; i + 3 < n; i += 2)
            state.index.insert(state.index.end(), {s + i, s + i + 1, s + i + 3, s + i, s + i + 3, s + i + 2});
    } else {
        // A convex polygon and a fan alike: triangles round the first vertex.
        for (GLuint i = 1; i + 1 < n; ++i) state.index.insert(state.index.end(), {s, s + i, s + i + 1});
    }
}

void beginShapeBatch() {
    state.batching = true;
    state.xyz.clear();
    state.rgba.clear();
    state.index.clear();
}

void drawShapeBatch() {
    state.batching = false;
    if (state.index.empty()) return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, state.xyz.data());
    glColorPointer(4, GL_FLOAT, 0, state.rgba.data());
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(state.index.size()), GL_UNSIGNED_INT, state.index.data());
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glColor4fv(state.colour.data());
}

void drawChipMesh(const Rgba& dark, const Rgba& light, float f) {
    // The whole chip narrows with the flip, ring and disc alike: a disc of
    // 10-degree steps in the dark colour, and round it a ring whose colour
    // runs from the light one (upper left) to the dark one.
    const ChipStep* outline = chipOutline();
    setMaterial(dark);
    beginShape(Shape::Fan);
    texVertex(0, 0, 0);
    for (int i = 0; i < kChipSteps; ++i) texVertex(0.52f * f * outline[i].sin, 0.52f * outline[i].cos, 0);
    endShape();
    beginShape(Shape::QuadStrip);
    for (int i = 0; i < kChipSteps; ++i) {
        const ChipStep& c = outline[i];
        const float t = c.t;
        setMaterial(
            {(1 - t) * light.r + t * dark.r, (1 - t) * light.g + t * dark.g, (1 - t) * light.b + t * dark.b, 1});
        texVertex(0.5f * f * c.sin, 0.5f * c.cos, kRear);
        texVertex(0.6f * f * c.sin, 0.6f * c.cos, kRear);
    }
    endShape();
}

void drawDiamondFrame(const Rgba& dark) {
    setMaterial(dark);
    const Point o[4] = {{0, 0.5f}, {0.5f, 0}, {0, -0.5f}, {-0.5f, 0}};
    const Point n[4] = {{0, 0.4f}, {0.4f, 0}, {0, -0.4f}, {-0.4f, 0}};
    for (int i = 0; i < 4; ++i) {
        const int j = (i + 1) % 4;
        polygon({o[i], o[j], n[j], n[i]});
    }
    rect(-0.4f, -0.05f, 0.4f, 0.05f);
    rect(-0.05f, -0.4f, 0.05f, 0.4f);
}

void drawMirrorMesh(const Rgba& light) {
    setMaterial(light);
    rect(-0.5f, -0.05f, 0.5f, 0.05f);
}

void drawStomperMeshB(const Rgba& dark, const Rgba& light) {
    setMaterial(dark);
    rect(-0.5f, -0.5f, 0.5f, 0.405f);
    setMaterial(light);
    rect(-0.5f, 0.4f, 0.5f, 0.5f, kRear);
}

void drawStomperMeshA(const Rgba& dark, const Rgba& light) {
    setMaterial(dark);
    octagon(0.405f, 0);
    // The front (top and the upper corners) in the light colour.
    for (int i : {2, 3, 4, 5, 6}) octagonFrameSegment(i, 0.5f, 0.4f, kRear);
    setMaterial(light);
    for (int i : {7, 0, 1}) octagonFrameSegment(i, 0.5f, 0.4f, kRear);
}

void drawDiagonalShape(const Rgba& dark, const Rgba& light) {
    const EmblemPlacement upright = state.placement;
    EmblemPlacement turned = upright;
    turned.degrees -= 135.0f;
    setEmblemPlacement(turned);
    setMaterial(dark);
    polygon({{0.4f, 0.4f}, {0.4f, -0.305f}, {-0.305f, 0.4f}});
    setMaterial(light);
    polygon({{0.4f, -0.4f}, {0.4f, -0.3f}, {-0.3f, 0.4f}, {-0.4f, 0.4f}}, kRear);
    setEmblemPlacement(upright);
}

void drawSplitterMark(const Rgba& dark, const Rgba& light) {
    setMaterial(dark);
    polygon({{0, 0.095f}, {0.205f, 0.3f}, {-0.205f, 0.3f}});
    setMaterial(light);
    polygon({{0, 0}, {0.3f, 0.3f}, {0.2f, 0.3f}, {0, 0.1f}}, kRear);
    polygon({{0, 0}, {-0.3f, 0.3f}, {-0.2f, 0.3f}, {0, 0.1f}}, kRear);
}

void drawBombMark(const Rgba& dark) {
    setMaterial(dark);
    for (float sx : {1.0f, -1.0f})
        for (float sy : {1.0f, -1.0f})
            polygon({{-0.4f * sx, -0.4f * sy},
                     {-0.05f * sx, -0.4f * sy},
                     {-0.05f * sx, -0.25f * sy},
                     {-0.25f * sx, -0.05f * sy},
                     {-0.4f * sx, -0.05f * sy}});
    polygon({{-0.25f, 0}, {0, 0.25f}, {0.25f, 0}, {0, -0.25f}});
}

void drawFixedShape(const Rgba& dark, const Rgba& light) {
    setMaterial(dark);
    octagon(0.405f, 0);
    setMaterial(light);
    for (int i = 0; i < 8; ++i) octagonFrameSegment(i, 0.5f, 0.4f, kRear);
}

void drawFlatFigure(const Rgba& dark, const Rgba& light) {
    constexpr float kPost = 0.2667f;
    setMaterial(dark);
    rect(kPost - 0.075f, -0.4f, kPost, 0.4f);
    rect(-kPost, -0.4f, -(kPost - 0.075f), 0.4f);
    rect(-kPost, -0.4f, kPost, -0.35f);
    rect(-0.025f, -0.2f, 0.025f, 0.2f);
    // The arrow head: two arms from the stem's top down and outward.
    polygon({{-0.025f, 0.2f}, {-0.125f, -0.1f}, {-0.075f, -0.1f}, {0.025f, 0.2f}});
    polygon({{-0.025f, 0.2f}, {0.075f, -0.1f}, {0.125f, -0.1f}, {0.025f, 0.2f}});
    setMaterial(light);
    rect(-kPost, 0.4f, kPost, 0.475f);
}

void drawOrvexMesh(const Rgba& dark) {
    setMaterial(dark);
    rect(-0.05f, -0.1f, 0.05f, 0.4f);
    polygon({{0.05f, -0.1f}, {0.35f, -0.4f}, {-0.35f, -0.4f}, {-0.05f, -0.1f}, {-0.05f, 0.4f}});
}

void drawHyperMesh(const Rgba& dark) {
    setMaterial(dark);
    squareFrame(0.5f, 0.4f);
}

void drawHyperShape(const Rgba& dark) {
    setMaterial(dark);
    for (int i = 0; i < 8; ++i) octagonFrameSegment(i, 0.5f, 0.4f, 0);
    hyperArrows();
}

void drawCrossMark(const Rgba& grey) {
    setMaterial(grey);
    polygon({{-0.53f, -0.5f}, {-0.47f, -0.5f}, {0.53f, 0.5f}, {0.47f, 0.5f}});
    polygon({{0.47f, -0.5f}, {0.53f, -0.5f}, {-0.47f, 0.5f}, {-0.53f, 0.5f}});
}

void drawShapeNoMaterial() { hyperArrows(); }

// ---- the mark's glyphs: 0.8 high, strokes about 0.15 wide

void drawMarkGlyphK() {
    rect(0, 0, 0.15f, 0.8f);
    polygon({{0.15f, 0.33f}, {0.75f, 0.8f}, {0.55f, 0.8f}, {0.15f, 0.52f}});
    polygon({{0.26f, 0.38f}, {0.55f, 0}, {0.75f, 0}, {0.38f, 0.5f}});
}

void drawMarkGlyphZ() {
    rect(0, 0.65f, 0.7f, 0.8f);
    rect(0, 0, 0.7f, 0.15f);
    polygon({{0, 0.15f}, {0.18f, 0.15f}, {0.7f, 0.65f}, {0.52f, 0.65f}});
}

void drawMarkGlyphPlus() {
    rect(0.05f, 0.33f, 0.65f, 0.47f);
    rect(0.28f, 0.1f, 0.42f, 0.7f);
}

void drawMarkGlyphV() {
    polygon({{0.35f, 0}, {0.5f, 0}, {0.16f, 0.8f}, {0, 0.8f}});
    polygon({{0.35f, 0}, {0.5f, 0}, {0.85f, 0.8f}, {0.69f, 0.8f}});
}
