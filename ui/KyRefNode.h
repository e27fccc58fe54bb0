#ifndef KY_REF_NODE_H
#define KY_REF_NODE_H

#include "core/KyString.h"
#include "ui/KyWordNode.h"

// Opens a link: the words up to the matching end marker belong to href.
class KyRefNode : public KyWordNode {
public:
    KyRefNode() {}

    s32 typeId() const override { return RefId; }
    u32 serialize(KyStream& stream) override;
    void accept(KyTextVisitor& visitor) override;

    KyString href;

protected:
    bool readFrom(KyStream& stream) override;
};

#endif
