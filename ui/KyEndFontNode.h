#ifndef KY_END_FONT_NODE_H
#define KY_END_FONT_NODE_H

#include "ui/KyWordNode.h"

// Ends a font marker: the font in use before it returns. No fields.
class KyEndFontNode : public KyWordNode {
public:
    KyEndFontNode() {}

    s32 typeId() const override { return EndFontId; }
    void accept(KyTextVisitor& visitor) override;
};

#endif
