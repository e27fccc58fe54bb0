#ifndef KY_LINE_NODE_H
#define KY_LINE_NODE_H

#include "core/KyList.h"
#include "ui/KyTextTree.h"

class KyWordNode;

// One laid-out line: its word nodes and the figures the parser decided for
// it, which the printer replays.
class KyLineNode : public KyTextTree {
public:
    KyLineNode();
    // Deletes every word node in order.
    ~KyLineNode() override;

    u32 serialize(KyStream& stream) override;
    void accept(KyTextVisitor& visitor) override;

    // Owned word nodes, in reading order.
    KyList<KyWordNode*> children;
    // Pixels used, trailing space excluded.
    s32 width;
    s32 height;
    // Horizontal start from the box's left edge; may be negative.
    s32 offset;
    // Pixels added to every gap between words (justified lines).
    s32 gapExtra;
    // Number of leading gaps that get one more pixel.
    s32 gapRemainder;

protected:
    bool readFrom(KyStream& stream) override;
    void dropChildren() override;
};

#endif
