#include "platform/KyFont2.h"

#include "core/KyFile.h"
#include "core/KyPath.h"
#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "platform/KyImg.h"

#include <cstring>
#include <new>
#include <vector>

namespace {

// Tag, glyph count, two integer and three float metrics, has-kerning byte.
const u32 headerBytes = 4 + 4 + 5 * 4 + 1;
const u32 kerningEntryBytes = 16;
const u32 glyphEntryBytes = 44;

u32 u32At(const u8* p)
{
    return u32(p[0]) | (u32(p[1]) << 8) | (u32(p[2]) << 16) | (u32(p[3]) << 24);
}

f32 f32At(const u8* p)
{
    u32 bits = u32At(p);
    f32 value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Reads count entries of entryBytes each into one block, after checking
// that the file really holds them; false (nothing read) otherwise.
bool readTable(KyStream& file, u64 fileSize, u32 count, u32 cap, u32 entryBytes, std::vector<u8>& table)
{
    if (count > cap)
        return false;
    const u64 bytes = u64(count) * entryBytes;
    const u64 position = file.tell();
    if (position > fileSize || bytes > fileSize - position)
        return false;
    table.resize(bytes);
    return bytes == 0 || file.read(table.data(), u32(bytes)) == bytes;
}

} // namespace

static_assert(sizeof(KyFont2::Glyph) == 11 * sizeof(f32), "a glyph record is eleven floats");

const KyFont2::Glyph KyFont2::s_noGlyph = {};

KyFont2::KyFont2()
    : m_glyphCount(0), m_glyphs(nullptr), m_glyphWords(nullptr), m_intMetric1(0), m_intMetric2(0),
      m_floatMetric1(0.0f), m_floatMetric2(0.0f), m_lineHeight(0.0f), m_hasKerning(0)
{
    indexBytePairs();
}

KyFont2::~KyFont2()
{
    clear();
}

void KyFont2::clear()
{
    delete[] m_glyphs;
    m_glyphs = nullptr;
    delete[] m_glyphWords;
    m_glyphWords = nullptr;
    m_texture.reset();
    m_glyphCount = 0;
    m_intMetric1 = 0;
    m_intMetric2 = 0;
    m_floatMetric1 = 0.0f;
    m_floatMetric2 = 0.0f;
    m_lineHeight = 0.0f;
    m_hasKerning = 0;
    // Pairs of a font read before would otherwise outlive it.
    m_kerning.clear();
    indexBytePairs();
}

void KyFont2::Load(const KyString& path)
{
    clear();
    setPath(path);

    KyPath file(path);
    if (!KyFile::exists(file)) {
        KyPath found;
        if (KyResourceManager::findLanguageFile(path, &found))
            file = found;
    }
    KyFile stream;
    if (!stream.Open_2(file, KyFile::ModeRead))
        return;
    if (readTables(stream, stream.GetFileSize()))
        readAtlas(stream, path);
    else
        m_kerning.clear();   // a damaged file gives no pairs either
    indexBytePairs();
    stream.close();
}

bool KyFont2::readTables(KyStream& file, u64 fileSize)
{
    u8 tag[4];
    if (file.read(tag, sizeof tag) != sizeof tag)
        return false;

    // Each operator leaves its field as it was when the file ends first.
    u32 count = 0;
    file >> count >> m_intMetric1 >> m_intMetric2 >> m_floatMetric1 >> m_floatMetric2 >> m_lineHeight;
    file >> m_hasKerning;
    if (file.tell() != headerBytes)
        return false;

    std::vector<u8> table;
    if (m_hasKerning) {
        u32 kerningCount = 0;
        file >> kerningCount;
        if (file.tell() != headerBytes + 4)
            return false;
        if (!readTable(file, fileSize, kerningCount, maxKerningCount, kerningEntryBytes, table))
            return false;
        for (u32 i = 0; i < kerningCount; ++i) {
            const u8* entry = table.data() + u64(i) * kerningEntryBytes;
            m_kerning[Pair(u32At(entry), u32At(entry + 4))] = KyVector3f32(f32At(entry + 8), f32At(entry + 12), 0.0f);
        }
    }

    if (!readTable(file, fileSize, count, maxGlyphCount, glyphEntryBytes, table))
        return false;
    Glyph* glyphs = new (std::nothrow) Glyph[count];
    u32* words = new (std::nothrow) u32[count];
    if (!glyphs || !words) {
        delete[] glyphs;
        delete[] words;
        return false;
    }
    for (u32 i = 0; i < count; ++i) {
        const u8* entry = table.data() + u64(i) * glyphEntryBytes;
        f32 values[11];
        for (u32 v = 0; v < 10; ++v)
            values[v] = f32At(entry + 4 * v);
        values[10] = 0.0f;
        std::memcpy(&glyphs[i], values, sizeof values);
        words[i] = u32At(entry + 40);
    }
    m_glyphs = glyphs;
    m_glyphWords = words;
    m_glyphCount = count;
    return true;
}

void KyFont2::readAtlas(KyStream& file, const KyString& path)
{
    KyIntrusivePtr<KyImg> image(new KyImg);
    image->setPath(path + KyString(".3dtex"));
    image->loadFromStream(file, KyString("png"));

    Ky3DTexture* texture = new Ky3DTexture;
    m_texture = texture;
    texture->load(image.get());
    if (KyResourceManager* manager = KySingleton<KyResourceManager>::instance())
        manager->add(texture);
}

KyVector3f32 KyFont2::kerningOfWidePair(u32 first, u32 second) const
{
    std::map<Pair, KyVector3f32>::const_iterator found = m_kerning.find(Pair(first, second));
    if (found == m_kerning.end())
        return KyVector3f32(0.0f, 0.0f, 0.0f);
    return found->second;
}

void KyFont2::indexBytePairs()
{
    m_bytePairs.clear();
    // The tree orders pairs by first then second character, so the byte
    // pairs come out grouped by first byte.
    u32 first = 0;
    m_bytePairsStart[0] = 0;
    for (std::map<Pair, KyVector3f32>::const_iterator it = m_kerning.begin(); it != m_kerning.end(); ++it) {
        if (it->first.first >= 256)
            break;
        if (it->first.second >= 256)
            continue;
        while (first < it->first.first)
            m_bytePairsStart[++first] = u32(m_bytePairs.size());
        m_bytePairs.push_back(BytePair{it->first.second, it->second});
    }
    while (first < 256)
        m_bytePairsStart[++first] = u32(m_bytePairs.size());
}
