#include "media/KyVideo.h"

#include "core/KyCore.h"
#include "core/KyFile.h"
#include "core/KySingleton.h"

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
