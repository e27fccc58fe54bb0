#ifndef KY_WARP_DECODER_H
#define KY_WARP_DECODER_H

#include "core/KyFile.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyWorkerPool.h"
#include "scene/KyWarpBloc.h"

#include <memory>
#include <unordered_map>
#include <vector>

// Reads the pictures of a panorama's tiles ahead of their textures, on the
// program's worker threads (KyWorkerPool), while the main thread goes on
// with its own work: a scene's tiles are read as soon as the scene is
// known, and the main thread only makes the textures when it needs them.
//
// A decoder is one batch: positions are requested (the pool's threads start
// on them at once), and finish() reads on the calling thread whatever no
// thread has taken, then waits for the rest. The pictures are then taken,
// each once, and made textures on the main thread (KyWarpBloc::makeTexture):
// the workers touch neither OpenGL, Lua nor any tile, only the panorama's
// file (read at positions, KyFile::readAt) and the picture readers.
//
// The decoder shares the file, which must stay unchanged while it is read.
// Its destructor drops what no thread has taken and never waits: a picture
// being read ends on its worker, which alone still holds the file and the
// job then.
class KyWarpDecoder {
public:
    // The file's size is taken here (its position is kept). A scene on
    // show needs its tiles now; one read ahead waits behind those.
    KyWarpDecoder(const std::shared_ptr<KyFile>& file, const KyString& format,
                  KyWorkerPool::Priority priority = KyWorkerPool::Now);
    ~KyWarpDecoder();
    KyWarpDecoder(const KyWarpDecoder&) = delete;
    KyWarpDecoder& operator=(const KyWarpDecoder&) = delete;

    // Queues the pictures at position, once.
    void request(u32 position);
    // The pictures not read yet move ahead of (or behind) other reading.
    void setPriority(KyWorkerPool::Priority priority) { m_group.setPriority(priority); }
    KyWorkerPool::Priority priority() const { return m_group.priority(); }
    // Reads on the calling thread what no thread has taken, then waits for
    // the rest: every picture requested is read afterwards.
    void finish();
    // Hands over the pictures read at position; false before finish, or
    // when they were not requested or were taken already.
    bool take(u32 position, KyWarpBloc::Pictures& pictures);

    u32 requestCount() const { return u32(m_jobs.size()); }

private:
    struct Job {
        u32 position;
        bool taken;
        KyWarpBloc::Pictures pictures;
    };
    // What every job reads from, held by the decoder and by its jobs.
    struct Source {
        std::shared_ptr<const KyFile> file;
        u32 size;
        KyString format;
    };

    // Reads one job's pictures.
    static void read(const Source& source, Job& job);

    std::shared_ptr<const Source> m_source;
    std::vector<std::shared_ptr<Job>> m_jobs;
    std::unordered_map<u32, size_t> m_byPosition;
    bool m_finished;
    KyWorkerPool::Group m_group;
};

#endif
