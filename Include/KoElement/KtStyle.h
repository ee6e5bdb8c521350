// Drawing style of a geometry: pen, brush and marker.
//
// Host style numbers (the values the style mapping table maps MAPGIS numbers to):
//   line styles  0 solid, 1 none, 2 dash, 3 short dash, 4 long dash, 5 dot, 6 dash-dot,
//                7 dash-dot-dot, 8 alternate
//   fill styles  0 solid, 1 none, 2 horizontal hatch, 3 vertical hatch, 4 forward diagonal,
//                5 backward diagonal, 6 cross, 7 diagonal cross
//   markers      0 cross, 1 diagonal cross, 2 circle, 3 filled circle, 4 square,
//                5 filled square, 6 triangle, 7 filled triangle, 8 star, 9 filled star,
//                10 vertical bar; 1050 the network node symbol (a small filled circle)
#pragma once

#include <cstdint>

#include "../KoBase/KoBaseExport.h"
#include "../KoBase/PlxTypes.h"

namespace KTX {

class KOBASE_API KtStyle {
public:
    // Bits of GetSetMask: which members a setter has been called for.
    enum : unsigned {
        LineColorSet = 1u << 0,
        LineStyleSet = 1u << 1,
        LineWidthSet = 1u << 2,
        FillForeColorSet = 1u << 3,
        FillStyleSet = 1u << 4,
        MarkerStyleSet = 1u << 5,
        MarkerWidthSet = 1u << 6,
        MarkerHeightSet = 1u << 7,
        MarkerAngleSet = 1u << 8,
    };
    enum : int { MarkerNetworkNode = 1050 };

    void SetLineColor(PLXCOLOR c) { m_crLine = c, m_nSet |= LineColorSet; }
    void SetLineStyle(int n) { m_nLineStyle = n, m_nSet |= LineStyleSet; }
    void SetLineWidth(double d) { m_dLineWidth = d, m_nSet |= LineWidthSet; }
    void SetFillForeColor(PLXCOLOR c) { m_crFillFore = c, m_nSet |= FillForeColorSet; }
    void SetFillStyle(int n) { m_nFillStyle = n, m_nSet |= FillStyleSet; }
    void SetMarkerStyle(int n) { m_nMarkerStyle = n, m_nSet |= MarkerStyleSet; }
    void SetMarkerWidth(double d) { m_dMarkerWidth = d, m_nSet |= MarkerWidthSet; }
    void SetMarkerHeight(double d) { m_dMarkerHeight = d, m_nSet |= MarkerHeightSet; }
    void SetMarkerAngle(double d) { m_dMarkerAngle = d, m_nSet |= MarkerAngleSet; }

    // Defaults of members never set: black pen of style 0 and width 0 (the thinnest the
    // device draws), white solid brush, marker 0 of size 0 at angle 0.
    PLXCOLOR GetLineColor() const { return m_crLine; }
    int GetLineStyle() const { return m_nLineStyle; }
    double GetLineWidth() const { return m_dLineWidth; }
    PLXCOLOR GetFillForeColor() const { return m_crFillFore; }
    int GetFillStyle() const { return m_nFillStyle; }
    int GetMarkerStyle() const { return m_nMarkerStyle; }
    double GetMarkerWidth() const { return m_dMarkerWidth; }
    double GetMarkerHeight() const { return m_dMarkerHeight; }
    double GetMarkerAngle() const { return m_dMarkerAngle; }

    unsigned GetSetMask() const { return m_nSet; }
    bool IsSet(unsigned nBits) const { return (m_nSet & nBits) == nBits; }

private:
    PLXCOLOR m_crLine = PLXRGB(0, 0, 0);
    int m_nLineStyle = 0;
    double m_dLineWidth = 0.0;
    PLXCOLOR m_crFillFore = PLXRGB(255, 255, 255);
    int m_nFillStyle = 0;
    int m_nMarkerStyle = 0;
    double m_dMarkerWidth = 0.0;
    double m_dMarkerHeight = 0.0;
    double m_dMarkerAngle = 0.0;
    unsigned m_nSet = 0;
};

}  // namespace KTX
