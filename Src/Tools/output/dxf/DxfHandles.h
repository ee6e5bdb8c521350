// Handles of a DXF document: unique, given out in order.
#pragma once

namespace mapgis_dxf {

class DxfHandles {
public:
    unsigned New() { return m_nNext++; }
    // The $HANDSEED: above every handle given out.
    unsigned Seed() const { return m_nNext; }

private:
    unsigned m_nNext = 1;
};

}  // namespace mapgis_dxf
