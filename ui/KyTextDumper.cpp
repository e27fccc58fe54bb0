#include "ui/KyTextDumper.h"

#include "core/KyLog.h"
#include "ui/KyColorNode.h"
#include "ui/KyEndColorNode.h"
#include "ui/KyEndFontNode.h"
#include "ui/KyEndRefNode.h"
#include "ui/KyFontNode.h"
#include "ui/KyLineNode.h"
#include "ui/KyParagraphNode.h"
#include "ui/KyRefNode.h"
#include "ui/KyStringNode.h"
#include "ui/KyTextNode.h"

void KyTextDumper::visit(KyStringNode& node)
{
    logPrint("*** Word : %s\n", node.text.c_str());
}

void KyTextDumper::visit(KyEndRefNode&)
{
    logPrint("*** Fin de Ref\n");
}

void KyTextDumper::visit(KyRefNode& node)
{
    logPrint("*** Ref : %s\n", node.href.c_str());
}

void KyTextDumper::visit(KyEndFontNode&)
{
    logPrint("*** Fin de Font\n");
}

void KyTextDumper::visit(KyFontNode& node)
{
    logPrint("*** Font : %s\n", node.fontName.c_str());
}

void KyTextDumper::visit(KyEndColorNode&)
{
    logPrint("*** Fin de Color\n");
}

void KyTextDumper::visit(KyColorNode&)
{
    logPrint("*** Color\n");
}

void KyTextDumper::visit(KyLineNode& node)
{
    logPrint("** Ligne\n");
    for (KyList<KyWordNode*>::Node* n = node.children.headNode()->next; n != node.children.tailNode(); n = n->next)
        n->value->accept(*this);
    logPrint("** Fin de Ligne\n");
}

void KyTextDumper::visit(KyParagraphNode& node)
{
    logPrint("* Paragraphe\n");
    for (KyList<KyLineNode*>::Node* n = node.children.headNode()->next; n != node.children.tailNode(); n = n->next)
        n->value->accept(*this);
    logPrint("* Fin de Paragraphe\n");
}

void KyTextDumper::visit(KyTextNode& node)
{
    logPrint("Text\n");
    for (KyList<KyParagraphNode*>::Node* n = node.children.headNode()->next; n != node.children.tailNode(); n = n->next)
        n->value->accept(*this);
    logPrint("Fin de Text\n");
}
