#include "ui/KyVideo.h"

#include "core/KyCore.h"
#include "core/KyFile.h"
#include "core/KySingleton.h"
#include "platform/Ky3DTexture.h"
#include "platform/KyScreen.h"

KyVideo::KyVideo()
    : sprite(KySingleton<KyScreen>::instance())
{
    KyLivePlayers<KyVideo>::live().add(this);
}

KyVideo::~KyVideo()
{
    KyLivePlayers<KyVideo>::leave(this);
    close();
}

bool KyVideo::Open(const KyString& path)
{
    close();
    KyString folder(path);
    folder.removeFileName();
    KyString name(path);
    name.removeDirectory();
    KyString candidate = folder + KySingleton<KyCore>::instance()->language() + "/" + name;
    if (!KyFile::exists(candidate))
        candidate = path;
    return openStream(candidate, path, "KyVideo::Open");
}

void KyVideo::close()
{
    closeStream();
    sprite.unload();
}

void KyVideo::imageCreated()
{
    sprite.LoadFromImage(&image);
}

void KyVideo::frameConverted()
{
    // The image is the video's own (its texture is shared with no one), so
    // the picture is replaced in place rather than by a new texture.
    KyIntrusivePtr<Ky3DTexture> texture = sprite.texture();
    if (texture && texture->isCreated()) {
        texture->update(&image);
        return;
    }
    sprite.unload();
    sprite.LoadFromImage(&image);
}

void KyVideo::update()
{
    decodeDueFrames();
}

void KyVideo::updateAll()
{
    KyLivePlayers<KyVideo>::live().walk([](KyVideo* video) { video->update(); });
}

const KyArray<KyVideo*>& KyVideo::liveVideos()
{
    return KyLivePlayers<KyVideo>::live().players();
}
