#ifndef KY_OBJECT_H
#define KY_OBJECT_H

// Root of every engine class: any engine object can be deleted through a
// KyObject pointer (the deferred-deletion queue holds such pointers).
class KyObject {
public:
    KyObject() {}
    virtual ~KyObject() {}
};

#endif
