#ifndef KY_TEXT_VISITOR_H
#define KY_TEXT_VISITOR_H

class KyStringNode;
class KyEndRefNode;
class KyRefNode;
class KyEndFontNode;
class KyFontNode;
class KyEndColorNode;
class KyColorNode;
class KyWordNode;
class KyLineNode;
class KyParagraphNode;
class KyTextNode;
class KyTextTree;

// An operation over a rich-text tree: each node's accept calls the visit for
// its own class. The visits of lines, paragraphs and text nodes walk the
// children themselves.
class KyTextVisitor {
public:
    virtual void visit(KyStringNode& node) = 0;
    virtual void visit(KyEndRefNode& node) = 0;
    virtual void visit(KyRefNode& node) = 0;
    virtual void visit(KyEndFontNode& node) = 0;
    virtual void visit(KyFontNode& node) = 0;
    virtual void visit(KyEndColorNode& node) = 0;
    virtual void visit(KyColorNode& node) = 0;
    virtual void visit(KyLineNode& node) = 0;
    virtual void visit(KyParagraphNode& node) = 0;
    virtual void visit(KyTextNode& node) = 0;
    // A word node of no kind of its own and a bare tree hold nothing to
    // visit.
    virtual void visit(KyWordNode&) {}
    virtual void visit(KyTextTree&) {}

protected:
    // Visitors are used by their concrete class, never deleted through this
    // one.
    ~KyTextVisitor() {}
};

#endif
