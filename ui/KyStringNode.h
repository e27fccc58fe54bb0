#ifndef KY_STRING_NODE_H
#define KY_STRING_NODE_H

#include "core/KyString.h"
#include "ui/KyWordNode.h"

// One word of a line.
class KyStringNode : public KyWordNode {
public:
    KyStringNode() {}
    explicit KyStringNode(const KyString& word) : text(word) {}

    s32 typeId() const override { return StringId; }
    u32 serialize(KyStream& stream) override;
    void accept(KyTextVisitor& visitor) override;

    KyString text;

protected:
    bool readFrom(KyStream& stream) override;
};

#endif
