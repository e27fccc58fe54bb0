#ifndef KY_END_REF_NODE_H
#define KY_END_REF_NODE_H

#include "ui/KyWordNode.h"

// Ends the open link. No fields.
class KyEndRefNode : public KyWordNode {
public:
    KyEndRefNode() {}

    s32 typeId() const override { return EndRefId; }
    void accept(KyTextVisitor& visitor) override;
};

#endif
