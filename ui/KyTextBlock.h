#ifndef KY_TEXT_BLOCK_H
#define KY_TEXT_BLOCK_H

#include "core/KyList.h"
#include "core/KyObject.h"
#include "core/KyStream.h"
#include "core/KyTypes.h"
#include "platform/KyImg.h"
#include "ui/KyTextPrinter.h"

class KyTextNode;

// Rich text for one target image: parses markup laid out for the image
// less its margins, then prints it and keeps the link regions.
//
//   KyTextBlock block;
//   block.setMargins(4, 4, 2, 2);
//   block.setText(image, markup);
//   block.print();
class KyTextBlock : public KyObject {
public:
    // No tree, no target, margins 0.
    KyTextBlock();
    ~KyTextBlock() override;

    void setMargins(s32 right, s32 left, s32 top, s32 bottom);
    // Replaces the tree with the markup read from stream, laid out for
    // target; the tree is null when the markup was rejected.
    void setText(KyImg* target, KyStream& stream);
    // Prints the tree into the target; links then lists every finished
    // link region in drawing order.
    void print();

    s32 rightMargin;
    s32 leftMargin;
    s32 topMargin;
    s32 bottomMargin;
    // Not owned.
    KyImg* target;
    // Owned; null when there is no text.
    KyTextNode* tree;
    KyList<KyLinkRegion> links;

private:
    KyTextBlock(const KyTextBlock&) = delete;
    KyTextBlock& operator=(const KyTextBlock&) = delete;
};

#endif
