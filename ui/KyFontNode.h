#ifndef KY_FONT_NODE_H
#define KY_FONT_NODE_H

#include "core/KyString.h"
#include "ui/KyWordNode.h"

// Switches to another bitmap font until the matching end marker.
class KyFontNode : public KyWordNode {
public:
    KyFontNode();

    s32 typeId() const override { return FontId; }
    u32 serialize(KyStream& stream) override;
    void accept(KyTextVisitor& visitor) override;

    // The font file path as written in the markup.
    KyString fontName;

protected:
    bool readFrom(KyStream& stream) override;
};

#endif
