#ifndef KY_SFX_H
#define KY_SFX_H

#include "core/KyResource.h"
#include "core/KyString.h"
#include "media/KySound.h"

// A short sound decoded whole into one OpenAL buffer and played on its own
// source. Made by KySoundManager::PlaySFX (fire-and-forget) and by the
// interface loader's "sfx" element.
class KySFX : public KyResource {
public:
    // Obtains the sound manager (opening the device on first use), then
    // makes the buffer and the source.
    KySFX();
    ~KySFX() override;

    // Stops the effect and refills its buffer from the file (looked for in
    // the language folders). A file that cannot be loaded leaves the buffer
    // empty.
    void load(const KyString& path) override;
    // The same load under the name its messages use.
    void Load(const KyString& path) { load(path); }

    // Plays from the start; false (with a log line) when OpenAL reports an
    // error.
    bool Play();
    void Stop();
    bool IsPlaying();

    // The path given to the last load, as given.
    const KyString& name() const { return m_name; }
    u32 buffer() const { return m_buffer; }
    u32 source() const { return m_source; }

private:
    KyString m_name;
    KySound m_sound;
    u32 m_buffer;
    u32 m_source;
};

#endif
