#ifndef KY_HTTPDOWNLOADER_H
#define KY_HTTPDOWNLOADER_H

#include "core/KyArray.h"
#include "core/KyICallback1Param.h"
#include "core/KyPath.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KySerialLane.h"
#include "net/KyHTTPRequest.h"
#include "net/KySocket2.h"

#include <functional>
#include <memory>

// Fetches one file: posts its request to the location and, on a response
// with status 200, writes the body as it arrives into a temporary file
// beside the file (KyTempFile), renamed over the file once the response is
// whole; then, in a later pump, calls the success listeners. Everything
// else calls the failure listeners: with the status of a response other
// than 200, or with 0 when no usable response came (no connection, timeout,
// a cut or malformed response), when the file could not be written, when
// there was no room for it or when the downloads passed their allowance.
// The temporary file is removed whenever the download does not end whole,
// the downloader's destruction included: nothing partial is ever left under
// the file's name, and no body is held in memory.
//
// The frame never touches the file: every operation on it (the folders
// made, open, write, sync, rename, remove) is a job of a serial lane off
// the main thread, to which the socket pump hands each received block. A
// download whose lane falls behind (a slow or stalled disk) holds its
// socket's receiving once kMaxPendingBytes wait for the lane, so what waits
// in memory stays bounded. Its end is taken by the pump that follows the
// lane's rename (a KySocket2 pump task); with a pool that has no thread at
// all, each pump runs one job of the lane.
//
// The owner fills the request's fields, the location and the file, adds its
// listeners, then sends (start, or request.send(location)). The owner
// deletes the downloader.
class KyHTTPDownloader : private KyHTTPRequest::BodySink, private KySocket2::PumpTask {
public:
    typedef KyArray<KyICallback1Param<KyHTTPDownloader&>*> SuccessSignal;
    typedef KyArray<KyICallback1Param<u32>*> FailureSignal;
    // Asked on the lane before the file is made: false ends the download
    // for want of room. It must own what it uses.
    typedef std::function<bool()> RoomCheck;

    // What several downloads may write together, owned by their caller:
    // every body byte written is taken from left, and is not given back when
    // its download fails. A response that would take more than is left
    // fails at once and sets passed.
    struct Allowance {
        u64 left;
        bool passed = false;
    };

    // Bytes of one download handed to its lane and not yet written, past
    // which its socket stops receiving.
    static const u32 kMaxPendingBytes = 262144;

    KyHTTPDownloader();
    ~KyHTTPDownloader() override;

    // request.send(location).
    bool start();

    // Listeners of the request; both return false.
    bool OnHTTPRequestResponse();
    bool onRequestFailure(KyHTTPRequest::Failure failure);

    // Whether the last download ended (its listeners were called), and how.
    bool isFinished() const { return m_finished; }
    bool succeeded() const { return m_succeeded; }
    // It ended because the file found no room on its disk.
    bool failedForRoom() const { return m_forRoom; }
    // Bytes received for the file and not yet written by the lane.
    u64 pendingBytes() const;

    // The process's lane for downloads whose owner gives none.
    static KySerialLane& defaultLane();

    KyString location;
    KyHTTPRequest request;
    KyPath file;
    // Shared with other downloads; null for none. Not owned.
    Allowance* allowance = nullptr;
    // The lane that writes the file; null for defaultLane(). Not owned: it
    // outlives the downloader.
    KySerialLane* lane = nullptr;
    // Null: the file takes whatever room its disk has.
    RoomCheck roomCheck;
    // The file is pushed to the disk before it is renamed into place; an
    // owner that makes a whole set of files durable at once clears it.
    bool makeDurable = true;
    SuccessSignal onSuccess;
    FailureSignal onFailure;

private:
    KyHTTPDownloader(const KyHTTPDownloader&) = delete;
    KyHTTPDownloader& operator=(const KyHTTPDownloader&) = delete;

    // The file's side, shared by the downloader and its lane's jobs.
    struct Writing;

    bool beginBody(u32 status, bool hasContentLength, u32 contentLength) override;
    bool bodyBytes(const u8* bytes, u32 n) override;
    void dropBody() override;
    void afterPump() override;

    KySerialLane& fileLane() { return lane ? *lane : defaultLane(); }
    // Whether bytes more fit in the allowance; when they do not, the
    // allowance is marked passed, after the log line.
    bool fits(u64 bytes);
    // The lane removes the temporary file, if any; the file is let go here.
    void discard();
    // Logs that the file cannot be written, discards; false.
    bool unableToSave();
    // Ends the download with the failure listeners (status 0).
    void failNow();
    void watch(bool on);

    bool m_finished;
    bool m_succeeded;
    bool m_forRoom;
    // The response in progress has status 200: its body goes to the file.
    bool m_saving;
    // The response was whole: the lane renames the file into place.
    bool m_committing;
    bool m_watching;
    std::shared_ptr<Writing> m_writing;
    // Bytes handed to the lane for the file.
    u64 m_posted;
};

#endif
