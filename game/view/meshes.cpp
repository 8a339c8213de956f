#include "game/view/meshes.h"

#include <GL/gl.h>

#include <cmath>
#include <initializer_list>

namespace {

constexpr float kRear = -0.015f;  // the second colour of an emblem
constexpr float kSixth = 1.0f / 6.0f;
constexpr float kDegree = 3.14159265f / 180.0f;

struct Point {
    float x, y;
};

void polygon(std::initializer_list<Point> points, float z = 0.0f) {
    glBegin(GL_POLYGON);
    for (const Point& p : points) texVertex(p.x, p.y, z);
    glEnd();
}

// An axis-aligned rectangle from (x0, y0) to (x1, y1).
void rect(float x0, float y0, float x1, float y1, float z = 0.0f) {
    polygon({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, z);
}

// The corners of an octagon with corners (±1/6, ±r) and (±r, ±1/6),
// counter-clockwise from the top right.
void octagonCorners(float r, Point out[8]) {
    const Point c[8] = {{kSixth, r}, {-kSixth, r}, {-r, kSixth}, {-r, -kSixth},
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
    glBegin(GL_POLYGON);
    for (const Point& p : c) texVertex(p.x, p.y, z);
    glEnd();
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

}  // namespace

void setMaterial(const Rgba& colour) { glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, colour.data()); }

void texVertex(float x, float y, float z) { glVertex3f(x, y, z); }

void drawChipMesh(const Rgba& dark, const Rgba& light, float f) {
    // The whole chip narrows with the flip, ring and disc alike.
    setMaterial(dark);
    for (int a = 0; a < 360; a += 3) {
        const float ra = a * kDegree, rb = (a + 4) * kDegree;
        polygon({{0, 0}, {0.52f * f * std::sin(ra), 0.52f * std::cos(ra)}, {0.52f * f * std::sin(rb), 0.52f * std::cos(rb)}});
    }
    for (int a = 0; a < 360; a += 3) {
        const float ra = a * kDegree, rb = (a + 4) * kDegree;
        // Lit from the upper left: a gradient from the light colour round
        // to the dark one.
        float t = 0.5f + (std::sin(ra - 0.785375f) + 1.0f) / 2.0f;
        if (t < 0) t = 0;
        setMaterial({(1 - t) * light.r + t * dark.r, (1 - t) * light.g + t * dark.g, (1 - t) * light.b + t * dark.b, 1});
        polygon({{0.5f * f * std::sin(ra), 0.5f * std::cos(ra)},
                 {0.6f * f * std::sin(ra), 0.6f * std::cos(ra)},
                 {0.6f * f * std::sin(rb), 0.6f * std::cos(rb)},
                 {0.5f * f * std::sin(rb), 0.5f * std::cos(rb)}},
                kRear);
    }
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
    glRotatef(-135.0f, 0, 0, 1);
    setMaterial(dark);
    polygon({{0.4f, 0.4f}, {0.4f, -0.305f}, {-0.305f, 0.4f}});
    setMaterial(light);
    polygon({{0.4f, -0.4f}, {0.4f, -0.3f}, {-0.3f, 0.4f}, {-0.4f, 0.4f}}, kRear);
    glRotatef(135.0f, 0, 0, 1);
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
