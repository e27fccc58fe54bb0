#include "ui/KyVideo.h"

#include "core/KyCore.h"
#include "core/KyFile.h"
#include "core/KySingleton.h"
#include "platform/Ky3DTexture.h"
#include "platform/KyScreen.h"

namespace {

// The live videos. Freed at exit; videos destroyed later (static ones) find
// the pointer null and have nothing to leave.
KyLivePlayers<KyVideo>* g_live = nullptr;

KyLivePlayers<KyVideo>& liveList()
{
    if (!g_live)
        g_live = new KyLivePlayers<KyVideo>;
    return *g_live;
}

struct LiveListOwner {
    ~LiveListOwner()
    {
        delete g_live;
        g_live = nullptr;
    }
} g_liveOwner;

} // namespace

KyVideo::KyVideo()
    : sprite(KySingleton<KyScreen>::instance())
{
    liveList().add(this);
}

KyVideo::~KyVideo()
{
    if (g_live)
        g_live->remove(this);
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
    liveList().walk([](KyVideo* video) { video->update(); });
}

const KyArray<KyVideo*>& KyVideo::liveVideos()
{
    return liveList().players();
}
