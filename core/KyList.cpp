#include "core/KyList.h"

void kyListChainPushFront(KyListIteratorLink** chain, KyListIteratorLink* link)
{
    link->nextInChain = *chain;
    *chain = link;
}

void kyListChainInsertAfter(KyListIteratorLink* after, KyListIteratorLink* link)
{
    link->nextInChain = after->nextInChain;
    after->nextInChain = link;
}

void kyListChainRemove(KyListIteratorLink** chain, KyListIteratorLink* link)
{
    KyListIteratorLink** at = chain;
    while (*at && *at != link)
        at = &(*at)->nextInChain;
    if (*at)
        *at = link->nextInChain;
    link->nextInChain = nullptr;
}
