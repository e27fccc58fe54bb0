#ifndef KY_WORD_NODE_H
#define KY_WORD_NODE_H

#include "ui/KyTextTree.h"

// Base of the nodes a line holds: a word, or a marker that changes the
// colour, the font or the link state for what follows in reading order.
// Each kind carries a stream id written before its fields:
//   0 colour, 1 end colour, 2 font, 3 end font, 4 link, 5 end link, 6 word.
class KyWordNode : public KyTextTree {
public:
    enum {
        ColorId = 0,
        EndColorId = 1,
        FontId = 2,
        EndFontId = 3,
        RefId = 4,
        EndRefId = 5,
        StringId = 6
    };

    // The stream id of the node's kind.
    virtual s32 typeId() const = 0;
    // Writes the id; the kinds add their fields.
    u32 serialize(KyStream& stream) override;
    void accept(KyTextVisitor& visitor) override;

    // A new node of the kind with that id, or null for an unknown id.
    static KyWordNode* create(s32 id);
};

#endif
