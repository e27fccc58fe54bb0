#ifndef KY_FILE_READ_STREAM_H
#define KY_FILE_READ_STREAM_H

#include "core/KyFile.h"
#include "core/KyStream.h"
#include "core/KyTypes.h"

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
