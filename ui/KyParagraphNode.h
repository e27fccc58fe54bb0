#ifndef KY_PARAGRAPH_NODE_H
#define KY_PARAGRAPH_NODE_H

#include "core/KyList.h"
#include "core/KyString.h"
#include "ui/KyTextTree.h"

class KyLineNode;

// A paragraph: its lines, its colours, its font and its horizontal
// alignment (0 justify, 1 left, 2 center, 3 right).
class KyParagraphNode : public KyTextTree {
public:
    // Colour 1 on background 0, the default font, left aligned.
    KyParagraphNode();
    // Deletes every line in order.
    ~KyParagraphNode() override;

    u32 serialize(KyStream& stream) override;
    void accept(KyTextVisitor& visitor) override;

    // Owned lines, top to bottom.
    KyList<KyLineNode*> children;
    u8 color;
    u8 bColor;
    KyString fontName;
    s32 hAlign;

protected:
    bool readFrom(KyStream& stream) override;
    void dropChildren() override;
};

#endif
