#ifndef KY_TEXT_DUMPER_H
#define KY_TEXT_DUMPER_H

#include "ui/KyTextVisitor.h"

// Writes the structure of a rich-text tree to the log, one line per node,
// for debugging:
//   KyTextDumper dumper;
//   tree->accept(dumper);
class KyTextDumper : public KyTextVisitor {
public:
    KyTextDumper() {}
    virtual ~KyTextDumper() {}

    using KyTextVisitor::visit;
    void visit(KyStringNode& node) override;
    void visit(KyEndRefNode& node) override;
    void visit(KyRefNode& node) override;
    void visit(KyEndFontNode& node) override;
    void visit(KyFontNode& node) override;
    void visit(KyEndColorNode& node) override;
    void visit(KyColorNode& node) override;
    void visit(KyLineNode& node) override;
    void visit(KyParagraphNode& node) override;
    void visit(KyTextNode& node) override;
};

#endif
