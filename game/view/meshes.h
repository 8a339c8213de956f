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

// Sets the front material's ambient and diffuse colour.
void setMaterial(const Rgba& colour);
// One vertex.
void texVertex(float x, float y, float z);

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
