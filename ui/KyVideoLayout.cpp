#include "ui/KyVideoLayout.h"

#include "ui/KyDeferredDeletion.h"

KyVideoLayout::KyVideoLayout()
{
    KyLivePlayers<KyVideoLayout>::live().add(this);
}

KyVideoLayout::~KyVideoLayout()
{
    KyLivePlayers<KyVideoLayout>::leave(this);
    close();
}

bool KyVideoLayout::open(const KyString& path)
{
    close();
    return openStream(path, path, "KyVideo::open");
}

void KyVideoLayout::close()
{
    if (!opened)
        return;
    closeStream();
    KySpriteLayout::unload();
}

void KyVideoLayout::update()
{
    KySpriteLayout::update();
    // Last: the end of the file calls listeners that may destroy this layout.
    decodeDueFrames();
}

void KyVideoLayout::updateAll()
{
    KyLivePlayers<KyVideoLayout>::live().walk([](KyVideoLayout* layout) { layout->update(); });
}

const KyArray<KyVideoLayout*>& KyVideoLayout::liveLayouts()
{
    return KyLivePlayers<KyVideoLayout>::live().players();
}

void KyVideoLayout::loadFromImage(KyImg*) {}

void KyVideoLayout::load(const KyString&) {}

void KyVideoLayout::imageCreated()
{
    // The image carries a name of its own, so the texture made from it is
    // this layout's alone, even beside other video layouts.
    KySpriteLayout::unload();
    KySpriteLayout::loadFromImage(&image);
    // Lays the layout out anew around the picture.
    setSize(userSize());
}

void KyVideoLayout::frameConverted()
{
    // The frame replaces the picture of the texture in place; a texture made
    // afresh for each frame would show the same.
    if (texture())
        updateImage(&image);
    else
        KySpriteLayout::loadFromImage(&image);
}

void KyVideoLayout::deleteLater(KyObject* object)
{
    KyDeferredDeletion::deleteLater(object);
}

void KyVideoLayout::deletePending()
{
    KyDeferredDeletion::deletePending();
}

const KyArray<KyObject*>& KyVideoLayout::pendingDeletes()
{
    return KyDeferredDeletion::pendingDeletes();
}
