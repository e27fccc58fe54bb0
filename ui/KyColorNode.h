#ifndef KY_COLOR_NODE_H
#define KY_COLOR_NODE_H

#include "ui/KyWordNode.h"

// Switches the glyph and background palette indices until the matching end
// marker. It starts at colour 1 on background 0, whatever surrounds it.
class KyColorNode : public KyWordNode {
public:
    KyColorNode() : color(1), bColor(0) {}

    s32 typeId() const override { return ColorId; }
    u32 serialize(KyStream& stream) override;
    void accept(KyTextVisitor& visitor) override;

    u8 color;
    u8 bColor;

protected:
    bool readFrom(KyStream& stream) override;
};

#endif
