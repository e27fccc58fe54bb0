#ifndef KY_HTTPDOWNLOADER_H
#define KY_HTTPDOWNLOADER_H

#include "core/KyArray.h"
#include "core/KyICallback1Param.h"
#include "core/KyPath.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "net/KyHTTPRequest.h"

// Fetches one file: posts its request to the location and, on a response
// with status 200, writes the body as the whole content of the file (through
// a temporary file renamed over it, so the file is never left half written)
// and calls the success listeners. Everything else calls the failure
// listeners: with the status of a response other than 200, or with 0 when
// no usable response came (no connection, timeout, a cut or malformed
// response) or when the file could not be written. Nothing partial is ever
// left in the file.
//
// The owner fills the request's fields, the location and the file, adds its
// listeners, then sends (start, or request.send(location)). The owner
// deletes the downloader.
class KyHTTPDownloader {
public:
    typedef KyArray<KyICallback1Param<KyHTTPDownloader&>*> SuccessSignal;
    typedef KyArray<KyICallback1Param<u32>*> FailureSignal;

    KyHTTPDownloader();
    ~KyHTTPDownloader();

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
    SuccessSignal onSuccess;
    FailureSignal onFailure;

private:
    KyHTTPDownloader(const KyHTTPDownloader&) = delete;
    KyHTTPDownloader& operator=(const KyHTTPDownloader&) = delete;

    bool m_finished;
    bool m_succeeded;
};

#endif
