#pragma once
// The flat emblems of the pieces, drawn with OpenGL at the origin of the
// current matrix, pointing along +y, in units where a piece is about one
// unit wide. Each polygon is one GL_POLYGON (or triangle) at z = 0; the
// second colour of a two-colour emblem lies at z = -0.015. A drawer sets
// the material of each colour it is given; drawShapeNoMaterial draws in
// whatever material is set.
//
// Also the glyphs of the orbiting maker's mark "KZ+V".
#include "game/view/colours.h"

// Sets the front material's ambient and diffuse colour (the colour that
// the colour material follows) for the vertices that follow.
void setMaterial(const Rgba& colour);
// Every polygon of the board lies flat, facing the light with the normal
// OpenGL assumes, so its lit colour is the same everywhere: with this on,
// setMaterial gives that colour itself (litColour) and OpenGL's lighting
// can be off. The tumbling mark is lit by OpenGL.
void setLitByHand(bool on);

// Where the emblem now drawn lies: scaled, turned by an angle about z
// (degrees, counter-clockwise), then moved. Vertices are placed on the CPU rather
// than through the modelview matrix, so a whole layer of pieces reaches
// OpenGL with no matrix change between pieces.
struct EmblemPlacement {
    float scale = 1;
    float degrees = 0;
    float x = 0, y = 0, z = 0;
};
void setEmblemPlacement(const EmblemPlacement& placement);

// The shapes polygons are given as: a convex polygon (GL_POLYGON), a fan
// around its first vertex, and a strip of quads.
enum class Shape { Polygon, Fan, QuadStrip };
void beginShape(Shape shape);
// One vertex of the shape now begun, placed by the emblem placement.
void texVertex(float x, float y, float z);
void endShape();

// A batch: the shapes given between begin and draw are kept as one
// indexed triangle list and drawn at once with vertex arrays (OpenGL 1.1),
// instead of one begin/end pair each; the depth test orders them as it
// would have. Outside a batch, shapes go to OpenGL at once. The batch keeps
// its storage from frame to frame.
void beginShapeBatch();
void drawShapeBatch();

void drawChipMesh(const Rgba& dark, const Rgba& light, float widthFactor);
void drawDiamondFrame(const Rgba& dark);
void drawMirrorMesh(const Rgba& light);
void drawStomperMeshA(const Rgba& dark, const Rgba& light);
void drawStomperMeshB(const Rgba& dark, const Rgba& light);
void drawDiagonalShape(const Rgba& dark, const Rgba& light);
void drawSplitterMark(const Rgba& dark, const Rgba& light);
void drawBombMark(const Rgba& dark);
void drawFixedShape(const Rgba& dark, const Rgba& light);
void drawFlatFigure(const Rgba& dark, const Rgba& light);
void drawOrvexMesh(const Rgba& dark);
void drawHyperMesh(const Rgba& dark);
void drawHyperShape(const Rgba& dark);
void drawCrossMark(const Rgba& grey);
void drawShapeNoMaterial();

// The four glyphs of the mark, each starting at the current origin, about
// one unit high, in the material already set: a K, a Z, a plus sign and a V.
void drawMarkGlyphK();
void drawMarkGlyphZ();
void drawMarkGlyphPlus();
void drawMarkGlyphV();
