#ifndef KY_WARP_DECODER_H
#define KY_WARP_DECODER_H

#include "core/KyFile.h"
#include "core/KyMutex.h"
#include "core/KyStream.h"
#include "core/KyString.h"
#include "core/KyThread.h"
#include "core/KyTypes.h"
#include "scene/KyWarpBloc.h"

#include <memory>
#include <unordered_map>
#include <vector>

// Reads the pictures of a panorama's tiles ahead of their textures, on
// worker threads (the engine's KyThread), while the main thread goes on
// with its own work: a scene's tiles are read as soon as the scene is
// known, and the main thread only makes the textures when it needs them.
//
// A decoder is one batch: positions are requested, the workers started,
// and finish() reads on the calling thread whatever no worker has taken,
// then waits for the workers. The pictures are then taken, each once, and
// made textures on the main thread (KyWarpBloc::makeTexture): the workers
// touch neither OpenGL, Lua nor any tile, only the panorama's file (read
// at positions, KyFile::readAt) and the picture readers.
//
// The file must stay open, unchanged, while the decoder lives; its
// destructor cancels what no worker has taken and waits for the workers.
class KyWarpDecoder {
public:
    // The file's size is taken here (its position is kept).
    KyWarpDecoder(KyFile& file, const KyString& format);
    ~KyWarpDecoder();
    KyWarpDecoder(const KyWarpDecoder&) = delete;
    KyWarpDecoder& operator=(const KyWarpDecoder&) = delete;

    // Queues the pictures at position, once.
    void request(u32 position);
    // Starts the workers on the queue: one for every two pictures queued, at
    // most KyThread::workerLimit().
    void start();
    // Reads on the calling thread what no worker has taken, then waits for
    // the workers: every picture requested is read afterwards.
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

    class Worker : public KyThread {
    public:
        explicit Worker(KyWarpDecoder& decoder) : m_decoder(decoder) {}
        ~Worker() override;
        void run() override;

    private:
        KyWarpDecoder& m_decoder;
    };

    // Under the lock: the next job no one has taken, or null.
    Job* nextJob();
    // Reads one job's pictures (outside the lock).
    void read(Job& job);

    const KyFile& m_file;
    u32 m_fileSize;
    KyString m_format;
    KyMutex m_mutex;
    std::vector<std::unique_ptr<Job>> m_jobs;
    std::unordered_map<u32, size_t> m_byPosition;
    // Jobs before this index are taken (under the lock).
    size_t m_next;
    bool m_finished;
    std::vector<std::unique_ptr<Worker>> m_workers;
};

// A stream over a file read at positions (KyFile::readAt), with a position
// of its own: several threads may each read one file through their own
// stream at once. Nothing is written; seeking anywhere succeeds, as it does
// on a file.
class KyFileReadStream : public KyStream {
public:
    KyFileReadStream(const KyFile& file, u32 size) : m_file(file), m_size(size), m_at(0) {}

    u32 write(const void*, u32) override { return 0; }
    u32 read(void* out, u32 n) override;
    bool seek(u32 pos) override;
    u32 tell() const override { return m_at; }
    bool eof() const override { return m_at >= m_size; }

private:
    const KyFile& m_file;
    u32 m_size;
    u32 m_at;
};

#endif
