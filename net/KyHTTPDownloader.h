#ifndef KY_HTTPDOWNLOADER_H
#define KY_HTTPDOWNLOADER_H

#include "core/KyArray.h"
#include "core/KyICallback1Param.h"
#include "core/KyPath.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "net/KyHTTPRequest.h"

// Fetches one file: posts its request to the location and, on a response
// with status 200, writes the body as it arrives into a temporary file
// beside the file (named after it, ".kytmp~" and six letters or digits, as
// KyFile names its temporary files), renamed over the file once the response
// is whole; then calls the success listeners. Everything else calls the
// failure listeners: with the status of a response other than 200, or with
// 0 when no usable response came (no connection, timeout, a cut or
// malformed response), when the file could not be written or when the
// downloads passed their allowance. The temporary file is removed whenever
// the download does not end whole, the downloader's destruction included:
// nothing partial is ever left under the file's name, and no body is held
// in memory.
//
// The owner fills the request's fields, the location and the file, adds its
// listeners, then sends (start, or request.send(location)). The owner
// deletes the downloader.
class KyHTTPDownloader : private KyHTTPRequest::BodySink {
public:
    typedef KyArray<KyICallback1Param<KyHTTPDownloader&>*> SuccessSignal;
    typedef KyArray<KyICallback1Param<u32>*> FailureSignal;

    // What several downloads may write together, owned by their caller:
    // every body byte written is taken from left, and is not given back when
    // its download fails. A response that would take more than is left
    // fails at once and sets passed.
    struct Allowance {
        u64 left;
        bool passed = false;
    };

    KyHTTPDownloader();
    ~KyHTTPDownloader() override;

    // request.send(location).
    bool start();

    // Listeners of the request; both return false.
    bool OnHTTPRequestResponse();
    bool onRequestFailure(KyHTTPRequest::Failure failure);

    // Whether the last download ended, and how.
    bool isFinished() const { return m_finished; }
    bool succeeded() const { return m_succeeded; }

    KyString location;
    KyHTTPRequest request;
    KyPath file;
    // Shared with other downloads; null for none. Not owned.
    Allowance* allowance = nullptr;
    SuccessSignal onSuccess;
    FailureSignal onFailure;

private:
    KyHTTPDownloader(const KyHTTPDownloader&) = delete;
    KyHTTPDownloader& operator=(const KyHTTPDownloader&) = delete;

    bool beginBody(u32 status, bool hasContentLength, u32 contentLength) override;
    bool bodyBytes(const u8* bytes, u32 n) override;
    void dropBody() override;

    // Whether bytes more fit in the allowance; when they do not, the
    // allowance is marked passed, after the log line.
    bool fits(u64 bytes);
    // Flushes, closes and renames the temporary file over the file.
    bool commit();
    // Removes the temporary file, if any.
    void discard();
    // Logs that the file cannot be written, discards; false.
    bool unableToSave();

    bool m_finished;
    bool m_succeeded;
    // The response in progress has status 200: its body goes to disk.
    bool m_saving;
    // The temporary file being written (descriptor and disk path).
    int m_temporary;
    KyString m_temporaryPath;
};

#endif
