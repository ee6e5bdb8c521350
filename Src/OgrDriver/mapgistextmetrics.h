// MAPGIS's own widths for the pieces of a text in MODE=MAP. The plug-in lays a spaced text out
// one character per piece, each half the character width W plus the spacing S after the one
// before; MAPGIS gives a full-width character the whole W and a half-width one W / 2, with S
// between characters.
#pragma once

#include <vector>

#include "mapgiskinds.h"

namespace KTX {
class KtGeometry;
}

namespace mapgis {

// How the plug-in laid a text item out.
enum class TextLayout {
    Whole,   // one text: plain, vertical or multi-line
    Spaced,  // one piece per character, all of one size, and nothing else
    Coded,   // control codes: superscripts, subscripts, a fraction and its bar
};

// What the plug-in's text styles say of a text item beyond its LABEL tools.
struct TextMetrics {
    // The width each text piece's style was given, in the LABEL tools' order: W × 0.5 at full
    // size, W × 0.25 for a superscript or a subscript; 0 for a piece without one.
    std::vector<double> widths;
    TextLayout eLayout = TextLayout::Whole;
};

TextMetrics TextMetricsOf(const KTX::KtGeometry& geom);

// Sets each piece's width: a one-character full-width piece W, any other piece, and every
// piece of a coded text (which keeps the plug-in's layout), the width its style was given. A
// spaced text's pieces move along their angle, the first staying, so that each full-width
// character before a piece widens the advance by W / 2; dfScale is the scale the anchors were
// placed with.
void MeasureTexts(std::vector<TextPiece>& pieces, const TextMetrics& metrics, double dfScale);

}  // namespace mapgis
