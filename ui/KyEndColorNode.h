#ifndef KY_END_COLOR_NODE_H
#define KY_END_COLOR_NODE_H

#include "ui/KyWordNode.h"

// Ends a colour marker: the colours in use before it return. No fields.
class KyEndColorNode : public KyWordNode {
public:
    KyEndColorNode() {}

    s32 typeId() const override { return EndColorId; }
    void accept(KyTextVisitor& visitor) override;
};

#endif
