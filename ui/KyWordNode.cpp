#include "ui/KyWordNode.h"

#include "ui/KyColorNode.h"
#include "ui/KyEndColorNode.h"
#include "ui/KyEndFontNode.h"
#include "ui/KyEndRefNode.h"
#include "ui/KyFontNode.h"
#include "ui/KyRefNode.h"
#include "ui/KyStringNode.h"
#include "ui/KyTextVisitor.h"

u32 KyWordNode::serialize(KyStream& stream)
{
    writeNumber(stream, typeId());
    return 0;
}

void KyWordNode::accept(KyTextVisitor& visitor)
{
    visitor.visit(*this);
}

KyWordNode* KyWordNode::create(s32 id)
{
    switch (id) {
    case ColorId:
        return new KyColorNode;
    case EndColorId:
        return new KyEndColorNode;
    case FontId:
        return new KyFontNode;
    case EndFontId:
        return new KyEndFontNode;
    case RefId:
        return new KyRefNode;
    case EndRefId:
        return new KyEndRefNode;
    case StringId:
        return new KyStringNode;
    default:
        return nullptr;
    }
}
